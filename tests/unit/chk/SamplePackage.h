// The checker's tests, run in this process on real package folders: a copy
// of the repository's sample package under the temp folder, its script kept
// as UTF-8 text to change and written as the installer reads it, and what
// the checker finds in it as (severity, name, line).
#pragma once

#include "FileTree.h"
#include "SharedTestLibs.h"
#include "chk/Findings.h"
#include "chk/FolderCheck.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace chk_test {

// One finding: severity ("error", "warning" or "note"), name, and line (0
// without one).
using Reported = std::tuple<std::string, std::string, int>;

// The errors and warnings only: notes tell what the install will do.
std::set<Reported> Faults(const std::vector<Reported>& all);

// One check of a package folder.
struct CheckRun
{
    Chk::FolderCheck Outcome = Chk::FolderCheck::Checked;
    std::vector<Chk::Finding> Findings; // in the order the program prints them

    std::vector<Reported> Reports() const;
    // The findings as the program prints them, for failure messages.
    std::string Listing() const;
    // What the program's exit code says: not 0.
    bool Rejects() const;
};

// The sample package in a throw-away folder whose "setup" is current. The
// helpers are public: the case tables use them.
class SamplePackage : public ::testing::Test
{
public:
    void SetUp() override;

    // Writes the script as the installer reads it (code page 932, lines
    // ending in CR LF), then changes its bytes.
    void WriteScript(const std::function<void(std::string&)>& bytes = nullptr) const;
    void Replace(const std::string& from, const std::string& to);
    // The script's line that holds 'marker' first.
    int LineOf(const std::string& marker) const;
    // Shared components: the library in COMMON, registered as REG_LIBFILE1.
    void MakeShared(const std::string& library = TESTLIB_V1001);

    // Writes a file below the package's root, making its folders.
    void Write(const std::string& relative, const std::string& bytes) const;
    std::string Path(const std::string& relative) const { return tree / relative; }
    std::string SetupFolder() const { return tree / "setup"; }

    CheckRun Check() const;

    FileTree::TempTree tree{"setup"};
    std::string script; // UTF-8, lines ending in "\n"
};

// --- one package per finding ------------------------------------------------------

using PackageChange = std::function<void(SamplePackage&)>;

struct FindingCase
{
    const char* name;
    PackageChange make; // changes the package and writes the script
    const char* level;
    const char* id;
    const char* lineMarker;                // text on the line, as the script holds it; null: no line
    std::vector<const char*> consequences; // other findings it rightly brings
};

inline void PrintTo(const FindingCase& c, std::ostream* os)
{
    *os << c.name;
}

// A change of the package, then the script written, its bytes changed last.
// Byte changes find their place by a "#": no Shift-JIS byte pair holds one,
// while "@" and every letter are second bytes of some character.
PackageChange Edit(PackageChange change, std::function<void(std::string&)> bytes = nullptr);
PackageChange Swap(const std::string& from, const std::string& to);

// Makes the case's package and checks it: its finding at its line, and no
// other error or warning than its consequences.
void ExpectExactlyThatFinding(SamplePackage& package, const FindingCase& c);

} // namespace chk_test
