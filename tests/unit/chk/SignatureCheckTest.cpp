// Whether the package's programs are signed, read from the security
// directory of their headers: the built (unsigned) uninstaller, and copies
// of it whose headers say otherwise; then the checker's notes and its
// warning for a package signed half-way.
#include "SamplePackage.h"
#include "TestPaths.h"
#include "Text.h"
#include "chk/SignatureCheck.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace chk_test {
namespace {

using Chk::Signature;

std::string BuiltProgram()
{
    return FileTree::ReadBytes(dlg::WindowsPathFromUnix(UNINST_EXE_UNIX_PATH));
}

size_t OptionalHeader(const std::string& bytes)
{
    std::uint32_t pe = 0;
    std::copy_n(bytes.data() + 60, 4, reinterpret_cast<char*>(&pe));
    return pe + 4 + 20;
}

void Put32(std::string& bytes, size_t at, std::uint32_t value)
{
    std::copy_n(reinterpret_cast<const char*>(&value), 4, &bytes[at]);
}

// The 32-bit header's security directory (the fifth data directory).
constexpr size_t kSecurity = 96 + 4 * 8;

// A program as a signing tool leaves it: the directory points past the image.
std::string Signed(std::string bytes)
{
    Put32(bytes, OptionalHeader(bytes) + kSecurity, static_cast<std::uint32_t>(bytes.size()));
    Put32(bytes, OptionalHeader(bytes) + kSecurity + 4, 0x600);
    return bytes;
}

struct SignatureCase {
    const char* name;
    std::function<std::string()> bytes;
    Signature expected;
};

class PackageSignatures : public SamplePackage { };

} // namespace

TEST(SignatureCheck, ReadsTheSecurityDirectory)
{
    const std::string built = BuiltProgram();
    ASSERT_GT(built.size(), 1024u);
    const SignatureCase cases[] = {
        {"as built", [&] { return built; }, Signature::Unsigned},
        {"signed", [&] { return Signed(built); }, Signature::Signed},
        {"a place but no size", [&] {
             std::string b = Signed(built);
             Put32(b, OptionalHeader(b) + kSecurity + 4, 0);
             return b;
         }, Signature::Unsigned},
        {"too few directories to have one", [&] {
             std::string b = Signed(built);
             Put32(b, OptionalHeader(b) + 92, 4);
             return b;
         }, Signature::Unsigned},
        {"headers cut off before it", [&] { return Signed(built).substr(0, OptionalHeader(built) + kSecurity); },
         Signature::Unsigned},
        {"no PE header", [&] { std::string b = built; b[OptionalHeader(b) - 24] = 'X'; return b; },
         Signature::NotAProgram},
        {"no optional header magic", [&] { std::string b = built; b[OptionalHeader(b)] = 0; return b; },
         Signature::NotAProgram},
        {"a text file", [] { return std::string("uninstaller"); }, Signature::NotAProgram},
        {"PE offset past the end", [&] { std::string b = built.substr(0, 64); Put32(b, 60, 0x7FFFFFFF); return b; },
         Signature::NotAProgram},
    };
    for (const SignatureCase& c : cases)
        EXPECT_EQ(c.expected, Chk::ReadSignature(c.bytes())) << c.name;
}

TEST_F(PackageSignatures, EachProgramIsNotedAndAHalfSignedPackageWarned)
{
    const std::string built = BuiltProgram();
    struct Case {
        bool installerSigned, uninstallerSigned, warned;
    };
    for (const Case& c : {Case {false, false, false}, Case {true, true, false}, Case {true, false, true},
                          Case {false, true, true}}) {
        SCOPED_TRACE(std::string("installer ") + (c.installerSigned ? "signed" : "unsigned") + ", uninstaller "
                     + (c.uninstallerSigned ? "signed" : "unsigned"));
        Write("setup\\tarvel.exe", c.installerSigned ? Signed(built) : built);
        Write("setup\\uninst.exe", c.uninstallerSigned ? Signed(built) : built);
        WriteScript();
        const CheckRun run = Check();
        const std::vector<Reported> reports = run.Reports();
        const int line = LineOf("UNINSTALL_FILE=");
        EXPECT_EQ(1, std::count(reports.begin(), reports.end(), Reported {"note", "signature", 0})) << run.Listing();
        EXPECT_EQ(1, std::count(reports.begin(), reports.end(), Reported {"note", "signature", line}))
            << run.Listing();
        EXPECT_EQ(c.warned ? 1 : 0,
                  std::count(reports.begin(), reports.end(), Reported {"warning", "signature-mismatch", line}))
            << run.Listing();
    }
}

} // namespace chk_test
