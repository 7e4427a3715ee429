// The values that name a place, each key with good and bad values: the
// installer's load, the uninstaller's plan and the checker give the same
// verdict, because all three ask the same rules.
#include "SamplePackage.h"
#include "TestSupport.h"

#include "app/TarvelDoc.h"
#include "install/UninstallLog.h"
#include "script/ScriptValueRules.h"
#include "uninst/UninstallPlan.h"

#include <regex>
#include <string>

namespace chk_test {
namespace {

struct ValueCase
{
    const char* section;
    const char* key;
    std::string value; // UTF-8, as the sample's script is kept
    bool good;
};

const ValueCase kCases[] = {
    {"INSTALL", "APPPATH_BASE", "Zerdane\\ガイド表", true},
    {"INSTALL", "APPPATH_BASE", "\\Zerdane\\Guide\\", true},
    {"INSTALL", "APPPATH_BASE", "..\\..\\windows\\x", false},
    {"INSTALL", "APPPATH_BASE", "\\\\server\\share\\x", false},
    {"INSTALL", "APPPATH_BASE", "C:\\x", false},
    {"INSTALL", "APPPATH_BASE", "Zerdane/../../x", false},
    {"INSTALL", "APPPATH_BASE", "Zerdane\\CON", false},
    {"INSTALL", "APPPATH_BASE", "Zerdane\\" + std::string(260, 'g'), false},
    {"INSTALL", "LIBFILEPATH_BASE", "Zerdane\\Common", true},
    {"INSTALL", "LIBFILEPATH_BASE", "..\\..\\windows\\system32", false},
    {"INSTALL", "LIBFILEPATH_BASE", "D:\\Common", false},
    {"INSTALL", "PROGRAM_FOLDER_NAME", "ラクラク図表", true},
    {"INSTALL", "PROGRAM_FOLDER_NAME", "星見ソフト\\ラクラク図表", false},
    {"INSTALL", "PROGRAM_FOLDER_NAME", "..", false},
    {"INSTALL", "PROGRAM_FOLDER_NAME", "Zerdane\\", false},
    {"INSTALL", "SHORTCUT_NAME", "ガイドを表", true},
    {"INSTALL", "SHORTCUT_NAME", "..\\..\\x", false},
    {"INSTALL", "SHORTCUT_NAME", "aux", false},
    {"INSTALL", "COMPANY_NAME", "星見ソフト", true},
    {"INSTALL", "COMPANY_NAME", "A\\..\\Evil", false},
    {"INSTALL", "COMPANY_NAME", "A/B", false},
    {"INSTALL", "PRODUCT_NAME1", "図表", true},
    {"INSTALL", "PRODUCT_NAME1", "Guide\\Other", false},
    {"INSTALL", "PRODUCT_LANGUAGE1", "JPN\\x", false},
    {"INSTALL", "PRODUCT_KEY_FILE1", "doc\\index.htm", true},
    {"INSTALL", "PRODUCT_KEY_FILE1", "..\\..\\..\\Windows\\Notepad.exe", false},
    {"INSTALL", "DATA_PATH", "GUIDE\\", true},
    {"INSTALL", "DATA_PATH", "..\\..\\windows\\Fonts", false},
    {"INSTALL", "DATA_PATH2", "NUL", false},
    {"INSTALL", "COMMON_PATH", "C:\\Common", false},
    {"INSTALL", "ICON_NAME", "C:\\x.ico", false},
    {"INSTALL", "BACKGROUND_FILE", "..\\..\\x.bmp", false},
    {"INSTALL", "WRITE_FILE1", "\\\\?\\C:\\x.txt", false},
    {"INSTALL", "REG_LIBFILE1", "COMMON\\lpt1.dll", false},
    {"UNINSTALL", "UNINSTALL_FILE", "bin\\uninst.exe", true},
    {"UNINSTALL", "UNINSTALL_FILE", "..\\uninst.exe", false},
    {"UNINSTALL", "UNINSTALL_KEY", "Zerdane 表", true},
    {"UNINSTALL", "UNINSTALL_KEY", "A\\B", false},
    {"UNINSTALL", "UNINSTALL_KEY", "..", false},
};

class ScriptValueAgreement : public SamplePackage, public ::testing::WithParamInterface<ValueCase>
{
protected:
    // The case's value is the first line of its section, in place of the sample's own.
    int SetValue(const ValueCase& c)
    {
        script = std::regex_replace(script, std::regex("\n" + std::string(c.key) + "=[^\n]*"), "");
        const std::string header = "[" + std::string(c.section) + "]\n";
        Replace(header, header + c.key + "=" + c.value + "\n");
        return LineOf(header) + 1;
    }

    bool CheckerRefuses(int line) const
    {
        for (const Reported& r : Check().Reports()) {
            const std::string& id = std::get<1>(r);
            if (std::get<0>(r) == "error" && std::get<2>(r) == line
                && (id == "unsafe-value" || id == "program-folder-levels" || id == "destination"))
                return true;
        }
        return false;
    }

    bool InstallerRefuses(const char* key) const
    {
        const std::string box = "[" + std::string(key) + "]Invalid value.\nAbort installation.";
        char previous[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, previous);
        SetCurrentDirectoryA(SetupFolder().c_str());
        BoxRecorder boxes;
        CTarvelDoc doc;
        const BOOL loaded = doc.LoadScript();
        SetCurrentDirectoryA(previous);
        bool refused = false;
        for (const RecordedBox& shown : boxes.Boxes())
            refused = refused || shown.Text == box;
        EXPECT_TRUE(!refused || !loaded);
        return refused;
    }

    // An installation folder made by that script: the script and a log that
    // names the uninstaller.
    bool UninstallerRefuses() const
    {
        const std::string folder = Path("installed");
        FileTree::MakeFolder(folder);
        FileTree::WriteBytes(folder + "\\tarvel.eif", FileTree::ReadBytes(Path("setup\\tarvel.eif")));
        CString log;
        AppendLogEntry(log, LogEntry::Kind::CopiedFile, "uninst.exe");
        FileTree::WriteBytes(folder + "\\" + UNINSTALL_LOG_NAME, EncodeLogText(log).str());
        UninstallPlan plan;
        const CString uninstaller = (folder + "\\uninst.exe").c_str();
        return ReadUninstallPlan(folder.c_str(), uninstaller, plan) == PlanResult::BadScript;
    }
};

TEST_P(ScriptValueAgreement, InstallerUninstallerAndCheckerGiveOneVerdict)
{
    const ValueCase& c = GetParam();
    const int line = SetValue(c);
    WriteScript();
    const bool refused = !c.good;
    EXPECT_EQ(refused, CheckerRefuses(line)) << Check().Listing();
    EXPECT_EQ(refused, InstallerRefuses(c.key));
    EXPECT_EQ(refused, UninstallerRefuses());
}

INSTANTIATE_TEST_SUITE_P(EachKey, ScriptValueAgreement, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ValueCase>& info) {
                             return std::string(info.param.key) + "_" + std::to_string(info.index);
                         });

// The rules themselves on the bytes that trip a byte-wise reader: "表" ends
// in 0x5C, so a name ending in it is one level, and its "backslash" never
// makes a key level two.
TEST(ScriptValueRules, DoubleByteTrailBytesAreNoSeparators)
{
    using ScriptValueRules::Form;
    const char table[] = "\x95\x5C";
    EXPECT_EQ("", ScriptValueRules::Refusal(Form::Name, (std::string("Raku") + table).c_str()).str());
    EXPECT_EQ("", ScriptValueRules::Refusal(Form::KeyLevel, (std::string("Zu") + table).c_str()).str());
    EXPECT_EQ("", ScriptValueRules::Refusal(Form::Base, (std::string("Maker\\") + table).c_str()).str());
    EXPECT_NE("", ScriptValueRules::Refusal(Form::Name, (std::string("Maker\\Raku") + table).c_str()).str());
    EXPECT_NE("", ScriptValueRules::Refusal(Form::KeyLevel, (std::string(table) + "\\x").c_str()).str());
}

} // namespace
} // namespace chk_test
