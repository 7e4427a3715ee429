// The package's entry in the list of installed software, as Windows' own
// tools read it: every value an install writes, read back with reg.exe
// exactly as docs/setup-script.md describes it; the whole entry gone after
// a silent uninstall; and a failed re-install that leaves the earlier entry,
// and the rest of the machine, as it was.
#include "InstallSupport.h"
#include "MachineState.h"
#include "RunLogFile.h"
#include "TestCommon.h"
#include "UninstallSupport.h"

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace {

using e2e::GuideFixture;

struct RegValue {
    std::string type;
    std::string data;
    bool operator==(const RegValue& other) const { return type == other.type && data == other.data; }
};

std::ostream& operator<<(std::ostream& os, const RegValue& value)
{
    return os << value.type << " [" << value.data << "]";
}

std::string EntryKey()
{
    return std::string("HKLM\\") + test_common::kUninstallRoot + e2e::UninstallKeyName();
}

// The values of the entry as "reg query" lists them: "    <name>    <type>    <data>".
std::map<std::string, RegValue> QueryEntry(std::string* listing)
{
    const e2e::CheckerRun run = e2e::RunConsoleProgram("reg.exe query \"" + EntryKey() + "\" /reg:32");
    *listing = run.output;
    std::map<std::string, RegValue> values;
    std::istringstream in(run.output);
    std::string line;
    const std::string gap = "    ";
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind(gap, 0) != 0)
            continue;
        const size_t type = line.find(gap, gap.size());
        const size_t data = type == std::string::npos ? type : line.find(gap, type + gap.size());
        if (data == std::string::npos)
            continue;
        const std::string name = line.substr(gap.size(), type - gap.size());
        values[name] = {line.substr(type + gap.size(), data - type - gap.size()), line.substr(data + gap.size())};
    }
    return values;
}

std::string LocalDate()
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    char text[16];
    std::snprintf(text, sizeof text, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return text;
}

e2e::MachineState Capture() { return e2e::WithoutItemsUnder(e2e::CaptureMachineState(), e2e::kProfileKey); }

class UninstallEntryTest : public GuideFixture {
protected:
    UninstallEntryTest()
        : GuideFixture("Entry")
    {
    }

    // The guide with every key the entry takes from the script.
    void WriteGuideWithEveryKey(const std::string& version = "2.10.0")
    {
        e2e::GuideScript script;
        script.extraInstall = "PUBLISHER=ゼルデーン出版\nDISPLAY_VERSION=" + version
            + "\nURL_INFO_ABOUT=https://guide.example/tarvel\n";
        WriteGuide(script);
    }

    // What the install put into its folder, in KiB rounded up.
    std::string InstalledKilobytes() const
    {
        unsigned long long bytes = 0;
        for (const std::string& item : e2e::ListTree(Installed()))
            if (item.back() != '\\')
                bytes += e2e::ReadFileBytes(Installed() + "\\" + item).size();
        char text[32];
        std::snprintf(text, sizeof text, "0x%llx", (bytes + 1023) / 1024);
        return text;
    }

    void TearDown() override
    {
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, std::string(test_common::kUninstallRoot) + e2e::UninstallKeyName());
        GuideFixture::TearDown();
    }
};

TEST_F(UninstallEntryTest, EveryValueReadsAsDocumentedAndTheSilentUninstallTakesTheWholeEntry)
{
    WriteGuideWithEveryKey();
    const e2e::MachineState before = Capture();
    const std::string dayBefore = LocalDate();
    const dlg::RunResult install = package.Run("/PSM");
    ASSERT_EQ(install.exitCode, e2e::kInstalled) << e2e::Describe(install);
    const std::string dayAfter = LocalDate();

    std::string listing;
    std::map<std::string, RegValue> values = QueryEntry(&listing);
    const std::string folder = Installed();
    const std::string uninstaller = folder + "\\uninst.exe";
    const std::map<std::string, RegValue> expected = {
        {"DisplayName", {"REG_SZ", "TarvelE2E Guide"}},
        {"UninstallString", {"REG_SZ", uninstaller}},
        {"UninstallFolder", {"REG_SZ", folder}},
        {"InstallLocation", {"REG_SZ", folder}},
        {"DisplayIcon", {"REG_SZ", folder + "\\guide.ico"}},
        {"Publisher", {"REG_SZ", "ゼルデーン出版"}},
        {"DisplayVersion", {"REG_SZ", "2.10.0"}},
        {"EstimatedSize", {"REG_DWORD", InstalledKilobytes()}},
        {"InstallDate", {"REG_SZ", dayAfter}},
        {"NoModify", {"REG_DWORD", "0x1"}},
        {"NoRepair", {"REG_DWORD", "0x1"}},
        {"QuietUninstallString", {"REG_SZ", "\"" + uninstaller + "\" /PSM /SUPPRESSMSGBOXES"}},
        {"URLInfoAbout", {"REG_SZ", "https://guide.example/tarvel"}},
    };
    // A run across midnight has the day it began with.
    if (values["InstallDate"].data == dayBefore)
        values["InstallDate"].data = dayAfter;
    for (const auto& value : expected)
        EXPECT_EQ(value.second, values[value.first]) << value.first << "\n" << listing;
    EXPECT_EQ(expected.size(), values.size()) << listing;

    // The command a deployment tool runs from the entry, as it is written there.
    const dlg::RunResult run = e2e::RunUninstaller(folder, "/PSM /SUPPRESSMSGBOXES");
    ASSERT_EQ(run.exitCode, e2e::kRemoved) << e2e::Describe(run);
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, std::string(test_common::kUninstallRoot) + e2e::UninstallKeyName()));
    EXPECT_EQ(e2e::StateChanges(before, Capture()), "");
}

TEST_F(UninstallEntryTest, AFailedReinstallLeavesTheEarlierEntryAndTheMachineAsTheyWere)
{
    WriteGuideWithEveryKey("2.10.0");
    ASSERT_EQ(package.Run("/PSM").exitCode, e2e::kInstalled);
    const e2e::MachineState installed = Capture();

    // The next version, whose copy fails: its icon is held open throughout.
    ASSERT_TRUE(package.WriteScript(e2e::ScriptText([&] {
        e2e::GuideScript next;
        next.appPathBase = destination.Base() + "\\Guide";
        next.extraInstall = "PUBLISHER=ゼルデーン出版\nDISPLAY_VERSION=2.11.0\nURL_INFO_ABOUT=https://guide.example/tarvel\n";
        return next;
    }())));
    e2e::HeldFile icon(package.Path("setup\\guide.ico"));
    ASSERT_TRUE(icon.IsHeld());
    const dlg::RunResult run = package.Run("/PSM /SUPPRESSMSGBOXES");
    EXPECT_EQ(run.exitCode, e2e::kFailedDuringInstall) << e2e::Describe(run);
    icon.Release();

    EXPECT_EQ(e2e::StateChanges(installed, Capture()), "");
    std::string listing;
    EXPECT_EQ("2.10.0", QueryEntry(&listing)["DisplayVersion"].data) << listing;
}

// The install command of docs/deployment.md for Intune and Configuration
// Manager, run as they run it: from the package folder, through cmd, whose
// exit code is the installer's; the detection rule's value is then there.
TEST_F(UninstallEntryTest, TheDeploymentToolsInstallCommandWorksFromThePackageFolder)
{
    WriteGuideWithEveryKey();
    const std::string log = package.Path("install.log");
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, MAX_PATH);
    dlg::RunOptions options;
    options.currentFolder = package.Root();
    const dlg::RunResult run = dlg::RunToEnd(std::string(system) + "\\cmd.exe",
        "/c \"cd setup && tarvel.exe /PSM /SUPPRESSMSGBOXES /LOG=\"" + log + "\"\"", options);
    ASSERT_EQ(run.exitCode, e2e::kInstalled) << e2e::Describe(run);
    // The log names each value as the record holds it, a number as a number.
    const e2e::RunLogFile lines(log);
    const std::string key = EntryKey() + "\\";
    EXPECT_TRUE(lines.Has("register", key + "NoModify = 1 (was absent)")) << lines.All();
    EXPECT_TRUE(lines.Has("register", key + "DisplayVersion = \"2.10.0\" (was absent)")) << lines.All();
    EXPECT_TRUE(lines.Has("register", key + "EstimatedSize = ")) << lines.All();
    std::string listing;
    EXPECT_EQ("2.10.0", QueryEntry(&listing)["DisplayVersion"].data) << listing;

    // A failing run hands its code through cmd too.
    const dlg::RunResult again = dlg::RunToEnd(std::string(system) + "\\cmd.exe",
        "/c \"cd setup && tarvel.exe /PSM /SUPPRESSMSGBOXES /LOG=\"" + package.Path("missing\\x.log") + "\"\"",
        options);
    EXPECT_EQ(again.exitCode, e2e::kFailedBeforeCopy) << e2e::Describe(again);

    const dlg::RunResult removed = e2e::RunUninstaller(Installed(), "/PSM /SUPPRESSMSGBOXES");
    EXPECT_EQ(removed.exitCode, e2e::kRemoved) << e2e::Describe(removed);
}

} // namespace
