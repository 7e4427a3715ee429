// A script value that names a place outside the package's reach ends the
// install at load, before anything is made, with a box naming the key; the
// checker rejects the same package naming the same key.
#include "InstallSupport.h"
#include "RunLogFile.h"
#include "Text.h"

#include <string>

namespace {

struct BadValue {
    const char* key;
    const char* line; // the script line that replaces the sample's own (UTF-8)
};

const BadValue kBadValues[] = {
    {"APPPATH_BASE", "APPPATH_BASE=..\\..\\windows\\x"},
    {"LIBFILEPATH_BASE", "LIBFILEPATH_BASE=\\\\server\\share"},
    {"PROGRAM_FOLDER_NAME", "PROGRAM_FOLDER_NAME=星見ソフト\\ラクラク図表"},
    {"SHORTCUT_NAME", "SHORTCUT_NAME=..\\..\\ガイド"},
    {"UNINSTALL_KEY", "UNINSTALL_KEY=A\\B"},
    {"COMPANY_NAME", "COMPANY_NAME=A\\..\\Evil"},
    {"DATA_PATH", "DATA_PATH=..\\..\\windows\\Fonts"},
    {"PRODUCT_KEY_FILE1", "PRODUCT_KEY_FILE1=..\\..\\..\\Windows\\Notepad.exe"},
};

class ScriptValues : public e2e::InstallerTest {
protected:
    void SetUp() override
    {
        InstallerTest::SetUp();
        ASSERT_TRUE(package.CopyInstaller());
        script = package.CopySample();
        ASSERT_FALSE(script.empty());
    }

    // The value goes first into its section, in place of the sample's line for the key.
    void Use(const BadValue& bad)
    {
        const std::string key = std::string("\n") + bad.key + "=";
        const size_t at = script.find(key);
        if (at != std::string::npos)
            script.erase(at, script.find('\n', at + 1) - at);
        const std::string header = bad.key == std::string("UNINSTALL_KEY") ? "[UNINSTALL]\n" : "[INSTALL]\n";
        script.insert(script.find(header) + header.size(), std::string(bad.line) + "\n");
        ASSERT_TRUE(package.WriteScript(script));
    }

    std::string script;
};

TEST_F(ScriptValues, EachBadKeyIsRefusedAtLoadAndTheCheckerNamesIt)
{
    const std::string installed = e2e::ProgramFilesDir() + "\\Zerdane";
    ASSERT_FALSE(e2e::Exists(installed)) << "an earlier sample install is in the way";
    const std::string sample = script;
    for (const BadValue& bad : kBadValues) {
        SCOPED_TRACE(bad.key);
        script = sample;
        Use(bad);
        const std::string logPath = package.Path("install.log");
        const dlg::RunResult run = package.Run("/PSM /LOG=\"" + logPath + "\"");
        EXPECT_EQ(run.exitCode, 3u) << e2e::Describe(run);
        const std::vector<std::string> texts = run.MessageTexts();
        ASSERT_EQ(texts.size(), 1u) << e2e::Describe(run);
        EXPECT_EQ(texts[0], "[" + std::string(bad.key) + "]Invalid value.\nAbort installation.");
        const e2e::RunLogFile log(logPath);
        EXPECT_TRUE(log.Has("failure", std::string("check script value failed: ") + "[")) << log.All();
        EXPECT_TRUE(log.Has("failure", std::string("] ") + bad.key + "=")) << log.All();
        EXPECT_FALSE(e2e::Exists(installed));

        const e2e::CheckerRun check = e2e::RunChecker(package.SetupFolder());
        EXPECT_EQ(check.exitCode, 1u) << check.output;
        const std::string named = ": error: " + std::string(bad.key) + " ";
        EXPECT_NE(check.output.find(named), std::string::npos) << check.output;
    }
}

} // namespace
