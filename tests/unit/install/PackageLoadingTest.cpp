// Package loading: what is checked before anything is shown, the messages
// when something is missing, and the default destination.
#include <gtest/gtest.h>

#include "SharedTestSupport.h"
#include "TestSupport.h"
#include "TestCommon.h"
#include "chk/PackageCheck.h"
#include "install/PackageLoading.h"
#include "app/TarvelDoc.h"
#include "shared/SharedRegistry.h"

#include <string>

namespace {

const char ERRORS[] =
    "[ERROR]\n"
    "ERR_MES_FILE_NOT_EXIST=missing\n"
    "ERR_MES_ERROR_OCCURRED=failed\n";

// A package: <root>\setup holds the script and is current; <root> holds the
// files named relative to the setup folder's parent.
class LoadScriptTest : public ::testing::Test
{
protected:
    ScriptFolder root;
    std::string setup = root.Path() + "\\setup";
    CTarvelDoc doc;

    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectoryA(setup.c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryA(setup.c_str()));
    }
    void TearDown() override { SetCurrentDirectoryA(root.Path().c_str()); }

    void Script(const std::string& install,
                const std::string& uninstall = "UNINSTALL_FILE=uninst.exe\nUNINSTALL_KEY=TarvelLoadScriptTest\n")
    {
        root.WriteFile("setup\\tarvel.eif", "[INSTALL]\n" + install + "[UNINSTALL]\n" + uninstall + ERRORS);
    }
    void File(const std::string& name) { root.WriteFile(name, "x"); }
};

// A read of the script that fails as a vanished network drive makes it.
BOOL WINAPI FailingRead(HANDLE, LPVOID, DWORD, LPDWORD read, LPOVERLAPPED)
{
    if (read)
        *read = 0;
    SetLastError(ERROR_NETNAME_DELETED);
    return FALSE;
}

} // namespace

TEST_F(LoadScriptTest, MissingScriptEndsTheRunWithTheBuiltInMessage)
{
    BoxRecorder boxes;
    EXPECT_FALSE(doc.LoadScript());
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().Text, "File not found.\nAbort installation.");
    EXPECT_EQ(boxes.Last().Caption, "Error");
}

TEST_F(LoadScriptTest, CompletePackageLoadsAndComputesTheDefaultDestination)
{
    Script("CAPTION=Guide\nAPPPATH_BASE=Docs\\Guide\nREG_LIBFILE1=none\n");
    File("setup\\uninst.exe");
    BoxRecorder boxes;
    ASSERT_TRUE(doc.LoadScript());
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(std::string(doc.Caption), "Guide");
    EXPECT_EQ(doc.IsSharedComponents, 0);

    CString programFiles;
    ASSERT_TRUE(SharedRegistry::ReadProgramFilesDir(programFiles));
    EXPECT_EQ(std::string(doc.InstallFolder), std::string(programFiles) + "\\Docs\\Guide");
}

TEST_F(LoadScriptTest, DestinationGetsExactlyOneBackslash)
{
    File("setup\\uninst.exe");
    CString programFiles;
    ASSERT_TRUE(SharedRegistry::ReadProgramFilesDir(programFiles));
    BoxRecorder boxes;

    Script("APPPATH_BASE=\\Guide\nREG_LIBFILE1=NONE\n");
    ASSERT_TRUE(doc.LoadScript());
    EXPECT_EQ(std::string(doc.InstallFolder), std::string(programFiles) + "\\Guide");

    Script("REG_LIBFILE1=NONE\n");
    ASSERT_TRUE(doc.LoadScript());
    EXPECT_EQ(std::string(doc.InstallFolder), std::string(programFiles) + "\\");
}

TEST_F(LoadScriptTest, UninstallerMissingOrUnnamedIsReportedWithTheScriptsCaption)
{
    BoxRecorder boxes;
    Script("CAPTION=Guide\nREG_LIBFILE1=NONE\n", "");
    EXPECT_FALSE(doc.LoadScript());
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().Text, "missing");
    EXPECT_EQ(boxes.Last().Caption, "Guide");

    Script("CAPTION=Guide\nREG_LIBFILE1=NONE\n");
    EXPECT_FALSE(doc.LoadScript());
    EXPECT_EQ(boxes.Last().Text, "missing");

    // A folder that does not exist is not "file not found" to the system.
    Script("CAPTION=Guide\nREG_LIBFILE1=NONE\n", "UNINSTALL_FILE=nowhere\\uninst.exe\n");
    EXPECT_FALSE(doc.LoadScript());
    EXPECT_EQ(boxes.Last().Text, "failed");
    EXPECT_EQ(boxes.Count(), 3u);
}

TEST_F(LoadScriptTest, WritableFilesStopAtTheFirstGapAndMustExist)
{
    File("setup\\uninst.exe");
    File("notes.txt");
    BoxRecorder boxes;

    Script("WRITE_FILE2=notes.txt\nREG_LIBFILE1=NONE\n");
    ASSERT_TRUE(doc.LoadScript());
    EXPECT_EQ(doc.WritableFiles.GetSize(), 0);

    Script("WRITE_FILE1=notes.txt\nWRITE_FILE3=absent.txt\nREG_LIBFILE1=NONE\n");
    ASSERT_TRUE(doc.LoadScript());
    ASSERT_EQ(doc.WritableFiles.GetSize(), 1);
    EXPECT_EQ(std::string(doc.WritableFiles[0]), "..\\notes.txt");

    Script("WRITE_FILE1=absent.txt\nREG_LIBFILE1=NONE\n");
    EXPECT_FALSE(doc.LoadScript());
    // The list of the load before does not linger.
    EXPECT_EQ(doc.WritableFiles.GetSize(), 0);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().Text, "missing");
    EXPECT_EQ(boxes.Last().Caption, "Error");
}

TEST_F(LoadScriptTest, BannerIsKeptOnlyWhenItsFileExists)
{
    File("setup\\uninst.exe");
    File("setup\\banner.bmp");
    BoxRecorder boxes;

    Script("BACKGROUND_FILE=banner.bmp\nREG_LIBFILE1=NONE\n");
    ASSERT_TRUE(doc.LoadScript());
    EXPECT_EQ(std::string(doc.BannerFile), "banner.bmp");

    Script("BACKGROUND_FILE=absent.bmp\nREG_LIBFILE1=NONE\n");
    ASSERT_TRUE(doc.LoadScript());
    EXPECT_TRUE(doc.BannerFile.IsEmpty());
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(LoadScriptTest, SharedLibrarySettingsAreRequiredUnlessNone)
{
    File("setup\\uninst.exe");
    BoxRecorder boxes;

    Script("");
    EXPECT_FALSE(doc.LoadScript());
    EXPECT_EQ(boxes.Last().Text, "[REG_LIBFILE1]Key not found.\nAbort installation.");

    File("lib.dll");
    Script("REG_LIBFILE1=lib.dll\nCOMMON_PATH=Common\n");
    EXPECT_FALSE(doc.LoadScript());
    EXPECT_EQ(boxes.Last().Text, "[LIBFILEPATH_BASE]Key not found.\nAbort installation.");

    Script("REG_LIBFILE1=lib.dll\nLIBFILEPATH_BASE=Shared\n");
    EXPECT_FALSE(doc.LoadScript());
    EXPECT_EQ(boxes.Last().Text, "[COMMON_PATH]Key not found.\nAbort installation.");

    Script("REG_LIBFILE1=absent.dll\nLIBFILEPATH_BASE=Shared\nCOMMON_PATH=Common\n");
    EXPECT_FALSE(doc.LoadScript());
    EXPECT_EQ(boxes.Last().Text, "missing");
    EXPECT_EQ(boxes.Count(), 4u);

    Script("REG_LIBFILE1=nOnE\n");
    EXPECT_TRUE(doc.LoadScript());
    EXPECT_EQ(boxes.Count(), 4u);
}

// The package's entry in the list of installed software: a new one, or the
// package's own earlier installation (its folder holds a log and a script
// naming the same key), or an installer's entry whose folder is gone, loads;
// another program's entry, or the list's own key, is refused before anything
// is written.
TEST_F(LoadScriptTest, OnlyANewEntryOurOwnEarlierInstallationOrOneThatIsGoneLoads)
{
    const std::string name = "TarvelLoadEntry" + std::to_string(GetCurrentProcessId());
    const std::string key = std::string(test_common::kUninstallRoot) + name;
    const std::string earlier = root.Path() + "\\earlier";
    const std::string gone = root.Path() + "\\gone\\Guide";
    ASSERT_TRUE(CreateDirectoryA(earlier.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << GetLastError();
    File("setup\\uninst.exe");
    auto plant = [&](const char* folder) {
        shared_test::DeleteKeyTree(key);
        if (!folder)
            return;
        HKEY entry = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &entry, nullptr));
        RegSetValueExA(entry, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("Other"), 6);
        if (*folder) {
            RegSetValueExA(entry, "UninstallFolder", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                           static_cast<DWORD>(strlen(folder) + 1));
            const std::string uninstaller = std::string(folder) + "\\uninst.exe";
            RegSetValueExA(entry, "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(uninstaller.c_str()),
                           static_cast<DWORD>(uninstaller.size() + 1));
        }
        RegCloseKey(entry);
    };
    const struct {
        const char* what;
        const char* keyName; // nullptr: this test's key
        const char* folder;  // nullptr: no entry; "": one without "UninstallFolder"
        const char* earlierKey; // the earlier folder's script names this key, nullptr: no script there
        bool log;
        bool loads;
    } cases[] = {
        {"a new entry", nullptr, nullptr, nullptr, false, true},
        {"our earlier installation", nullptr, earlier.c_str(), "", true, true},
        {"an entry without a folder", nullptr, "", nullptr, false, false},
        {"a folder without a log", nullptr, earlier.c_str(), "", false, false},
        {"a folder without a script", nullptr, earlier.c_str(), nullptr, true, false},
        {"a script naming another key", nullptr, earlier.c_str(), "Someone Else", true, false},
        {"the list's own key", "", nullptr, nullptr, false, false},
        // Deleted by hand: the entry is an installer's, and nothing is there to protect.
        {"an entry whose folder is gone", nullptr, gone.c_str(), nullptr, false, true},
        {"an entry naming a folder that is no local path", nullptr, "gone", nullptr, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        plant(c.folder);
        DeleteFileA((earlier + "\\setupf.cfn").c_str());
        DeleteFileA((earlier + "\\tarvel.eif").c_str());
        if (c.log)
            root.WriteFile("earlier\\setupf.cfn", "log");
        if (c.earlierKey)
            root.WriteFile("earlier\\tarvel.eif",
                           "[UNINSTALL]\nUNINSTALL_KEY=" + std::string(*c.earlierKey ? c.earlierKey : name.c_str()) + "\n");
        const std::string keyName = c.keyName ? c.keyName : name;
        Script("CAPTION=Guide\nREG_LIBFILE1=NONE\n", "UNINSTALL_FILE=uninst.exe\nUNINSTALL_KEY=" + keyName + "\n");
        BoxRecorder boxes;
        EXPECT_EQ(c.loads, doc.LoadScript() != FALSE);
        if (c.loads) {
            EXPECT_EQ(0u, boxes.Count());
        } else {
            ASSERT_EQ(1u, boxes.Count());
            EXPECT_EQ("[UNINSTALL_KEY]Key used by another program.\nAbort installation.", boxes.Last().Text);
        }
        if (c.folder && *c.folder && c.folder != gone.c_str()) {
            std::string value = "Other";
            char text[64] = {};
            DWORD size = sizeof(text);
            RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), "DisplayName", RRF_RT_REG_SZ, nullptr, text, &size);
            EXPECT_EQ(value, text) << "the load changed the entry";
        }
    }
    shared_test::DeleteKeyTree(key);
}

// Every way the load refuses a package, run on the loading module with a run
// context of its own: the failure holds the exact text of the box the
// installer shows, and the load itself shows none. The document's load then
// shows that text in one box, and the checker quotes it.
TEST_F(LoadScriptTest, EveryRefusalLeavesTheBoxTextInTheFailureAndShowsNoBox)
{
    const std::string company = "TarvelLoadRefusal" + std::to_string(GetCurrentProcessId());
    const std::string counterKey = "Software\\" + company + "\\COUNTER\\lib.dll";
    shared_test::DeleteKeyTree("Software\\" + company);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, counterKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    // A counter of the wrong size cannot be read as a count.
    const BYTE eightBytes[8] = {1};
    RegSetValueExA(key, "SRCHCOUNTER", 0, REG_BINARY, eightBytes, sizeof(eightBytes));
    RegCloseKey(key);
    File("setup\\uninst.exe");
    File("lib.dll");

    enum class Shape { Script, ScriptWithoutErrors, NoScript, ScriptIsAFolder, ReadFails };
    const std::string none = "REG_LIBFILE1=NONE\n";
    const std::string shared = "REG_LIBFILE1=lib.dll\nLIBFILEPATH_BASE=Shared\nCOMMON_PATH=Common\n";
    const DWORD anyError = ~0u;
    const struct {
        const char* what;
        Shape shape;
        std::string install;
        std::string uninstall;
        std::string text;
        const char* operation;
        std::string path;
        DWORD systemError;
    } cases[] = {
        {"no script", Shape::NoScript, "", "", "File not found.\nAbort installation.", "find setup script",
         "tarvel.eif", ERROR_FILE_NOT_FOUND},
        {"a folder named as the script", Shape::ScriptIsAFolder, "", "", "File open error.\n", "open setup script",
         "tarvel.eif", anyError},
        {"a script that cannot be read", Shape::ReadFails, none, "", "File read error.\n", "read setup script",
         "tarvel.eif", ERROR_NETNAME_DELETED},
        {"a destination on another drive", Shape::Script, "APPPATH_BASE=C:\\x\n" + none, "",
         "[APPPATH_BASE]Invalid value.\nAbort installation.", "check script value", "APPPATH_BASE", anyError},
        {"no uninstaller named", Shape::Script, none, "UNINSTALL_KEY=TarvelLoadRefusal\n", "missing",
         "find script key", "UNINSTALL_FILE", anyError},
        {"the uninstaller missing", Shape::Script, none, "UNINSTALL_FILE=absent.exe\n", "missing",
         "find package file", "absent.exe", ERROR_FILE_NOT_FOUND},
        {"the uninstaller in a missing folder", Shape::Script, none, "UNINSTALL_FILE=nowhere\\uninst.exe\n", "failed",
         "find package file", "nowhere\\uninst.exe", ERROR_PATH_NOT_FOUND},
        {"a writable file missing", Shape::Script, "WRITE_FILE1=absent.txt\n" + none, "", "missing",
         "find package file", "..\\absent.txt", ERROR_FILE_NOT_FOUND},
        {"a file missing, no [ERROR] texts", Shape::ScriptWithoutErrors, "WRITE_FILE1=absent.txt\n" + none, "",
         "File not found.\n..\\absent.txt\nAbort installation.", "find package file", "..\\absent.txt",
         ERROR_FILE_NOT_FOUND},
        {"no shared-library setting", Shape::Script, "", "", "[REG_LIBFILE1]Key not found.\nAbort installation.",
         "find script key", "REG_LIBFILE1", anyError},
        {"a shared library missing", Shape::Script,
         "REG_LIBFILE1=absent.dll\nLIBFILEPATH_BASE=Shared\nCOMMON_PATH=Common\n", "", "missing", "find package file",
         "..\\absent.dll", ERROR_FILE_NOT_FOUND},
        {"no shared folder", Shape::Script, "REG_LIBFILE1=lib.dll\nCOMMON_PATH=Common\n", "",
         "[LIBFILEPATH_BASE]Key not found.\nAbort installation.", "find script key", "LIBFILEPATH_BASE", anyError},
        {"no shared files' folder", Shape::Script, "REG_LIBFILE1=lib.dll\nLIBFILEPATH_BASE=Shared\n", "",
         "[COMMON_PATH]Key not found.\nAbort installation.", "find script key", "COMMON_PATH", anyError},
        {"an unreadable user counter", Shape::Script, "COMPANY_NAME=" + company + "\n" + shared, "", "failed",
         "read user counter", "HKLM\\" + counterKey, anyError},
        {"the list's own key as the entry", Shape::Script, none, "UNINSTALL_FILE=uninst.exe\nUNINSTALL_KEY=\n",
         "[UNINSTALL_KEY]Key used by another program.\nAbort installation.", "take over uninstall entry",
         "", anyError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA("tarvel.eif");
        RemoveDirectoryA("tarvel.eif");
        const std::string uninstall
            = c.uninstall.empty() ? "UNINSTALL_FILE=uninst.exe\nUNINSTALL_KEY=TarvelLoadRefusal\n" : c.uninstall;
        if (c.shape == Shape::ScriptIsAFolder)
            ASSERT_TRUE(CreateDirectoryA("tarvel.eif", nullptr));
        else if (c.shape == Shape::ScriptWithoutErrors)
            root.WriteFile("setup\\tarvel.eif", "[INSTALL]\n" + c.install + "[UNINSTALL]\n" + uninstall);
        else if (c.shape != Shape::NoScript)
            Script(c.install, uninstall);
        const auto realRead = Sys().ReadFile;
        if (c.shape == Shape::ReadFails)
            Sys().ReadFile = FailingRead;

        BoxRecorder boxes;
        RunContext run;
        const BOOL loaded = PackageLoading::Load(run);
        CString quoted;
        const bool checkerRefuses = Chk::InstallerLoadFails(quoted);
        CTarvelDoc shown;
        const BOOL shownLoaded = shown.LoadScript();
        Sys().ReadFile = realRead;

        EXPECT_FALSE(loaded);
        EXPECT_EQ(ERROR_CODE_GENERAL, run.Failure.Code);
        EXPECT_EQ(c.text, run.Failure.Text.str());
        EXPECT_EQ(c.operation, run.Failure.Operation.str());
        if (!c.path.empty()) {
            EXPECT_EQ(c.path, run.Failure.Path.str());
        }
        if (c.systemError != anyError) {
            EXPECT_EQ(c.systemError, run.Failure.SystemError);
        }
        EXPECT_TRUE(checkerRefuses);
        EXPECT_EQ(c.text, quoted.str());

        EXPECT_FALSE(shownLoaded);
        ASSERT_EQ(1u, boxes.Count()) << "only the document's load shows a box";
        EXPECT_EQ(c.text, boxes.Last().Text);
        EXPECT_TRUE(shown.Failure.Text.IsEmpty()) << "a reported failure is forgotten";
    }
    RemoveDirectoryA("tarvel.eif");
    shared_test::DeleteKeyTree("Software\\" + company);
}
