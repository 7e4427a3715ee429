#include "SamplePackage.h"
#include "TestPaths.h"

#include "Text.h"
#include "script/ScriptKeys.h"

#include <algorithm>
#include <iterator>

namespace chk_test {

namespace {

const char* LevelName(Chk::Severity level)
{
    switch (level) {
    case Chk::Severity::Error:
        return "error";
    case Chk::Severity::Warning:
        return "warning";
    default:
        return "note";
    }
}

} // namespace

std::set<Reported> Faults(const std::vector<Reported>& all)
{
    std::set<Reported> faults;
    for (const Reported& r : all) {
        if (std::get<0>(r) != "note")
            faults.insert(r);
    }
    return faults;
}

std::vector<Reported> CheckRun::Reports() const
{
    std::vector<Reported> out;
    for (const Chk::Finding& f : Findings)
        out.emplace_back(LevelName(f.Level), f.Id.str(), f.Line);
    return out;
}

std::string CheckRun::Listing() const
{
    std::string out;
    for (const Chk::Finding& f : Findings)
        out += Chk::FormatFinding(SETUP_SCRIPT_FILE, f).str() + "\n";
    return out;
}

bool CheckRun::Rejects() const
{
    return Outcome != Chk::FolderCheck::Checked
        || std::any_of(Findings.begin(), Findings.end(),
                       [](const Chk::Finding& f) { return f.Level == Chk::Severity::Error; });
}

void SamplePackage::SetUp()
{
    const std::string sample = dlg::WindowsPathFromUnix(TARVEL_SAMPLE_UNIX_DIR);
    FileTree::CopyTree(sample, tree.Root());
    // The script is kept as text here and written by each test.
    DeleteFileA(Path("setup\\tarvel.eif.utf8").c_str());
    Write("setup\\uninst.exe", "uninstaller");
    script = FileTree::ReadBytes(sample + "\\setup\\tarvel.eif.utf8");
    script.erase(std::remove(script.begin(), script.end(), '\r'), script.end());
}

void SamplePackage::WriteScript(const std::function<void(std::string&)>& bytes) const
{
    std::string crlf;
    for (char c : script)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::string stored = dlg::AnsiFromUtf8(crlf, 932);
    if (bytes)
        bytes(stored);
    Write("setup\\tarvel.eif", stored);
}

void SamplePackage::Replace(const std::string& from, const std::string& to)
{
    const size_t at = script.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    script.replace(at, from.size(), to);
}

int SamplePackage::LineOf(const std::string& marker) const
{
    const size_t at = script.find(marker);
    EXPECT_NE(at, std::string::npos) << marker;
    return at == std::string::npos ? -1 : 1 + static_cast<int>(std::count(script.begin(), script.begin() + at, '\n'));
}

void SamplePackage::MakeShared(const std::string& library)
{
    Replace("REG_LIBFILE1=NONE", "REG_LIBFILE1=COMMON\\tvshared.dll\nLIBFILEPATH_BASE=Zerdane\\Shared\n"
                                 "COMMON_PATH=COMMON");
    Write("COMMON\\tvshared.dll", FileTree::ReadBytes(library));
}

void SamplePackage::Write(const std::string& relative, const std::string& bytes) const
{
    for (size_t slash = relative.find('\\'); slash != std::string::npos; slash = relative.find('\\', slash + 1))
        FileTree::MakeFolder(Path(relative.substr(0, slash)));
    FileTree::WriteBytes(Path(relative), bytes);
}

CheckRun SamplePackage::Check() const
{
    Chk::CFindings findings;
    CheckRun run;
    run.Outcome = Chk::CheckSetupFolder(SetupFolder().c_str(), findings);
    run.Findings = findings.Sorted();
    return run;
}

PackageChange Edit(PackageChange change, std::function<void(std::string&)> bytes)
{
    return [change, bytes](SamplePackage& p) {
        change(p);
        p.WriteScript(bytes);
    };
}

PackageChange Swap(const std::string& from, const std::string& to)
{
    return [=](SamplePackage& p) { p.Replace(from, to); };
}

void ExpectExactlyThatFinding(SamplePackage& package, const FindingCase& c)
{
    c.make(package);
    if (::testing::Test::HasFatalFailure())
        return;
    const CheckRun run = package.Check();
    ASSERT_EQ(Chk::FolderCheck::Checked, run.Outcome);

    const Reported expected(c.level, c.id, c.lineMarker ? package.LineOf(c.lineMarker) : 0);
    std::set<Reported> faults = Faults(run.Reports());
    EXPECT_EQ(1u, faults.count(expected)) << "expected " << c.level << " " << c.id << " at line "
                                          << std::get<2>(expected) << "\n"
                                          << run.Listing();
    faults.erase(expected);
    for (const char* consequence : c.consequences) {
        for (auto it = faults.begin(); it != faults.end();)
            it = std::get<1>(*it) == consequence ? faults.erase(it) : std::next(it);
    }
    EXPECT_EQ(std::set<Reported>(), faults) << "other findings:\n" << run.Listing();
    EXPECT_EQ(std::string(c.level) == "error", run.Rejects()) << run.Listing();
}

} // namespace chk_test
