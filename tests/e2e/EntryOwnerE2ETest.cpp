// Another program's entry in the list of installed software is never ours:
// a package whose "UNINSTALL_KEY" names it is refused before anything is
// written, and an uninstall whose script was changed to name it leaves it.
// Only the package's own earlier installation is taken over.
#include "InstallSupport.h"
#include "RunLogFile.h"
#include "TestCommon.h"
#include "Text.h"
#include "UninstallSupport.h"

#include <string>

namespace {

using e2e::GuideFixture;

constexpr char kRefusal[] = "[UNINSTALL_KEY]Key used by another program.\nAbort installation.";

std::wstring W(const std::string& utf8) { return dlg::WideFromUtf8(utf8); }

bool WriteText(const std::string& subKey, const std::string& name, const std::string& text)
{
    return e2e::WriteRegString(HKEY_LOCAL_MACHINE, subKey, name, text);
}

std::string Text(const std::string& subKey, const std::string& name)
{
    std::string value;
    return e2e::ReadRegString(HKEY_LOCAL_MACHINE, subKey, name, &value) ? value : "<absent>";
}

class EntryOwner : public GuideFixture {
protected:
    EntryOwner()
        : GuideFixture("Owner")
    {
    }

    void TearDown() override
    {
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, OtherKey());
        e2e::RemoveTree(OtherFolder());
        GuideFixture::TearDown();
    }

    std::string OurKey() const { return std::string(test_common::kUninstallRoot) + e2e::UninstallKeyName(); }
    std::string OtherKey() const
    {
        return std::string(test_common::kUninstallRoot) + "TarvelE2E Other " + std::to_string(GetCurrentProcessId());
    }
    std::string OtherFolder() const
    {
        return e2e::ProgramFilesDir() + "\\TarvelE2E-Other-" + std::to_string(GetCurrentProcessId());
    }

    // Another program's entry at `key`: its name, its uninstaller and, when
    // `folder` is not empty, an "UninstallFolder".
    void PlantEntry(const std::string& key, const std::string& folder)
    {
        ASSERT_TRUE(WriteText(key, "DisplayName", "Other Program"));
        ASSERT_TRUE(WriteText(key, "UninstallString", "C:\\Other\\remove.exe"));
        if (!folder.empty()) {
            ASSERT_TRUE(WriteText(key, "UninstallFolder", folder));
        }
    }

    void ExpectEntryUntouched(const std::string& key, const std::string& folder)
    {
        EXPECT_EQ(Text(key, "DisplayName"), "Other Program");
        EXPECT_EQ(Text(key, "UninstallString"), "C:\\Other\\remove.exe");
        EXPECT_EQ(Text(key, "UninstallFolder"), folder.empty() ? "<absent>" : folder);
        EXPECT_EQ(Text(key, "InstallLocation"), "<absent>");
    }
};

// What another program's "UninstallFolder" may hold; none of it makes the entry ours.
struct Planted {
    const char* name;
    bool folderValue; // the entry has an "UninstallFolder"
    bool log;         // the folder holds a "setupf.cfn"
    const char* script; // its "tarvel.eif", nullptr for none
};

TEST_F(EntryOwner, AnotherProgramsEntryRefusesTheInstallAndStaysAsItWas)
{
    const std::string otherScript = "[UNINSTALL]\r\nUNINSTALL_KEY=Something Else\r\n";
    const std::string sameKeyScript = "[UNINSTALL]\r\nUNINSTALL_KEY=" + e2e::UninstallKeyName() + "\r\n";
    const Planted cases[] = {
        {"no UninstallFolder", false, false, nullptr},
        {"a folder with no installation", true, false, nullptr},
        {"a script of another key", true, true, otherScript.c_str()},
        {"our key's script but no log", true, false, sameKeyScript.c_str()},
        {"a log but no script", true, true, nullptr},
    };
    WriteGuide();
    for (const Planted& planted : cases) {
        SCOPED_TRACE(planted.name);
        e2e::RemoveTree(OtherFolder());
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, OurKey());
        ASSERT_TRUE(e2e::MakeFolders(OtherFolder()));
        if (planted.log) {
            ASSERT_TRUE(e2e::WriteFileBytes(OtherFolder() + "\\setupf.cfn", "log"));
        }
        if (planted.script) {
            ASSERT_TRUE(e2e::WriteFileBytes(OtherFolder() + "\\tarvel.eif", planted.script));
        }
        const std::string folder = planted.folderValue ? OtherFolder() : "";
        PlantEntry(OurKey(), folder);

        const std::string logPath = package.Path("owner.log");
        const dlg::RunResult run = package.Run("/PSM /LOG=\"" + logPath + "\"");
        e2e::ExpectOneBox(run, kRefusal);
        EXPECT_EQ(run.exitCode, e2e::kFailedBeforeCopy);
        EXPECT_FALSE(e2e::Exists(destination.Top()));
        ExpectEntryUntouched(OurKey(), folder);
        const e2e::RunLogFile log(logPath);
        EXPECT_TRUE(log.Has("refused", "is not this package's installation")) << log.All();
    }
}

// The package's own earlier installation, even in another folder, is taken
// over: the entry then names the new one.
TEST_F(EntryOwner, OurOwnEarlierInstallationIsTakenOver)
{
    WriteGuide();
    ASSERT_EQ(package.Run("/PSM").exitCode, e2e::kInstalled);
    std::string script = e2e::ReadFileBytes(package.Path("setup\\tarvel.eif"));
    const std::string from = "APPPATH_BASE=" + destination.Base() + "\\Guide";
    script.replace(script.find(from), from.size(), from + "2");
    ASSERT_TRUE(package.Write("setup\\tarvel.eif", script));
    const dlg::RunResult run = package.Run("/PSM");
    EXPECT_EQ(run.exitCode, e2e::kInstalled) << e2e::Describe(run);
    EXPECT_EQ(Text(OurKey(), "UninstallFolder"), Installed() + "2");
}

// An installation deleted by hand leaves its entry naming a folder that is
// gone. Installing again is how a user repairs that: the entry is written
// anew, and the new installation uninstalls as any other.
TEST_F(EntryOwner, AnInstallationDeletedByHandIsInstalledAgain)
{
    WriteGuide();
    ASSERT_EQ(package.Run("/PSM").exitCode, e2e::kInstalled);
    e2e::RemoveTree(destination.Top());
    ASSERT_EQ(Text(OurKey(), "UninstallFolder"), Installed());

    const std::string logPath = package.Path("again.log");
    const dlg::RunResult run = package.Run("/PSM /LOG=\"" + logPath + "\"");
    EXPECT_EQ(run.exitCode, e2e::kInstalled) << e2e::Describe(run);
    const e2e::RunLogFile log(logPath);
    EXPECT_TRUE(log.Has("setting", "is left over from an installation that is gone")) << log.All();
    EXPECT_TRUE(e2e::Exists(Installed() + "\\uninst.exe"));
    EXPECT_EQ(Text(OurKey(), "UninstallFolder"), Installed());
}

// An uninstall whose script was changed to name another program's entry:
// that entry stays, whether it names a folder or none.
TEST_F(EntryOwner, AnUninstallNamingAnotherProgramsEntryLeavesIt)
{
    for (const bool withFolder : {false, true}) {
        SCOPED_TRACE(withFolder ? "with UninstallFolder" : "without UninstallFolder");
        WriteGuide();
        ASSERT_EQ(package.Run("/PSM").exitCode, e2e::kInstalled);
        const std::string folder = withFolder ? OtherFolder() : "";
        PlantEntry(OtherKey(), folder);
        const std::string installed = Installed() + "\\tarvel.eif";
        std::string script = e2e::ReadFileBytes(installed);
        const std::string from = "UNINSTALL_KEY=" + e2e::UninstallKeyName();
        ASSERT_NE(script.find(from), std::string::npos);
        script.replace(script.find(from), from.size(), "UNINSTALL_KEY=" + OtherKey().substr(OtherKey().rfind('\\') + 1));
        SetFileAttributesW(W(installed).c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(e2e::WriteFileBytes(installed, script));

        const dlg::RunResult run = e2e::RunUninstaller(Installed(), "/PSM");
        EXPECT_EQ(run.exitCode, e2e::kRemoved) << e2e::Describe(run);
        EXPECT_FALSE(e2e::Exists(Installed()));
        ExpectEntryUntouched(OtherKey(), folder);
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, OtherKey());
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, OurKey());
        e2e::RemoveTree(destination.Top());
    }
}

} // namespace
