// The uninstall entry's one list of values: what each value holds, and that
// a value added to the list is taken back by the installer's undo and by the
// uninstaller without another edit.
#include <gtest/gtest.h>
#include "TestCommon.h"

#include "FileTree.h"
#include "app/ChangeLines.h"
#include "base/RunLog.h"
#include "SharedTestSupport.h"
#include "base/ScopedHandles.h"
#include "base/SystemCalls.h"
#include "install/RegistrationNames.h"
#include "install/UninstallEntry.h"
#include "rollback/RecordedRegistry.h"
#include "script/ScriptKeys.h"
#include "uninst/RemovePackage.h"

#include <string>
#include <vector>

namespace {

using shared_test::KeyExists;
using shared_test::ReadDword;
using shared_test::ReadText;
using test_common::kUninstallRoot;

const char EXTRA_VALUE[] = "TarvelTestExtra";
const char GUIDE[] = "\x83\x4b\x83\x43\x83\x68"; // "ガイド" in Shift-JIS

DWORD Extra(const UninstallEntry::Facts&) { return 7; }

// The real list with one more value, as a later version might add one.
std::vector<UninstallEntry::Value> ListWithExtra()
{
    std::vector<UninstallEntry::Value> values = UninstallEntry::Values();
    values.push_back(UninstallEntry::Value{EXTRA_VALUE, REG_DWORD, false, false, nullptr, Extra});
    return values;
}

class UninstallEntryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        keyName = "TarvelEntryUnit" + std::to_string(GetCurrentProcessId());
        keyPath = std::string(kUninstallRoot) + keyName;
        script = {
            {SEC_INSTALL, KEY_UNINSTALL_NAME, GUIDE},
            {SEC_INSTALL, KEY_ICON_NAME, "..\\art\\guide.ico"},
            {SEC_INSTALL, KEY_COMPANY_NAME, "Zerdane"},
            {SEC_UNINSTALL, KEY_UNINSTALL_FILE, "uninst.exe"},
            {SEC_UNINSTALL, KEY_UNINSTALL_KEY, keyName.c_str()},
        };
        facts.InstallFolder = "C:\\Program Files\\Zerdane\\Guide\\";
        facts.InstalledBytes = 5000;
        facts.Today.wYear = 2026;
        facts.Today.wMonth = 3;
        facts.Today.wDay = 7;
        Refresh();
    }

    void TearDown() override
    {
        shared_test::DeleteKeyTree(keyPath);
        RegDeleteKeyA(HKEY_CURRENT_USER, keyPath.c_str());
    }

    void Refresh()
    {
        facts.Script = script.data();
        facts.ScriptCount = static_cast<int>(script.size());
    }

    void Add(const char* section, const char* key, const char* value)
    {
        script.push_back({section, key, value});
        Refresh();
    }

    // The entry's key made and the list written, as the install's step does.
    LONG WriteEntry(ChangeRecord& record, const std::vector<UninstallEntry::Value>& values)
    {
        ScopedRegKey key;
        const LONG created = RecordedRegistry::CreateKey(record, Change::Area::Shortcuts, root, keyPath.c_str(), key);
        if (created != ERROR_SUCCESS)
            return created;
        CString failed;
        return UninstallEntry::Write(record, Change::Area::Shortcuts, root, key.Get(), keyPath.c_str(), facts, values,
                                     failed);
    }

    std::string keyName, keyPath;
    // The run's root: the machine's, as every install today.
    HKEY root = HKEY_LOCAL_MACHINE;
    std::vector<ScriptEntry> script;
    UninstallEntry::Facts facts;
};

TEST_F(UninstallEntryTest, EachValueHoldsWhatTheDocumentationSays)
{
    Add(SEC_INSTALL, KEY_DISPLAY_VERSION, "2.10");
    Add(SEC_INSTALL, KEY_URL_INFO_ABOUT, "https://guide.invalid/");
    ChangeRecord record;
    ASSERT_EQ(ERROR_SUCCESS, WriteEntry(record, UninstallEntry::Values()));
    record.Commit();

    const std::string folder = "C:\\Program Files\\Zerdane\\Guide";
    const struct {
        const char* name;
        std::string text;
    } texts[] = {
        {VALUE_DISPLAY_NAME, GUIDE},
        {VALUE_UNINSTALL_STRING, folder + "\\uninst.exe"},
        {VALUE_UNINSTALL_FOLDER, folder},
        {VALUE_INSTALL_LOCATION, folder},
        {VALUE_DISPLAY_ICON, folder + "\\guide.ico"},
        {VALUE_PUBLISHER, "Zerdane"},
        {VALUE_DISPLAY_VERSION, "2.10"},
        {VALUE_INSTALL_DATE, "20260307"},
        {VALUE_QUIET_UNINSTALL_STRING, "\"" + folder + "\\uninst.exe\" /PSM /SUPPRESSMSGBOXES"},
        {VALUE_URL_INFO_ABOUT, "https://guide.invalid/"},
    };
    for (const auto& text : texts)
        EXPECT_EQ(text.text, ReadText(keyPath, text.name)) << text.name;
    EXPECT_EQ(5, ReadDword(keyPath, VALUE_ESTIMATED_SIZE)); // 5000 bytes, 4.88 KiB
    EXPECT_EQ(1, ReadDword(keyPath, VALUE_NO_MODIFY));
    EXPECT_EQ(1, ReadDword(keyPath, VALUE_NO_REPAIR));
}

TEST_F(UninstallEntryTest, OptionalKeysLeftOutGiveNoValueAndThePublisherFallsBackToTheCompany)
{
    ChangeRecord record;
    ASSERT_EQ(ERROR_SUCCESS, WriteEntry(record, UninstallEntry::Values()));
    record.Commit();
    EXPECT_EQ("Zerdane", ReadText(keyPath, VALUE_PUBLISHER));
    EXPECT_EQ("<absent>", ReadText(keyPath, VALUE_DISPLAY_VERSION));
    EXPECT_EQ("<absent>", ReadText(keyPath, VALUE_URL_INFO_ABOUT));

    // PUBLISHER wins over the company; with neither there is no publisher.
    Add(SEC_INSTALL, KEY_PUBLISHER, "Zerdane Publishing");
    EXPECT_EQ("Zerdane Publishing", UninstallEntry::TextOf(UninstallEntry::Values(), VALUE_PUBLISHER, facts));
    script.erase(script.begin() + 2);
    script.back().Value = "";
    Refresh();
    EXPECT_EQ("", UninstallEntry::TextOf(UninstallEntry::Values(), VALUE_PUBLISHER, facts));
    // The first values are written even when empty, as they always were.
    script[0].Value = "";
    EXPECT_EQ("", UninstallEntry::TextOf(UninstallEntry::Values(), VALUE_DISPLAY_NAME, facts));
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    EXPECT_TRUE(UninstallEntry::MakeData(UninstallEntry::Values()[0], facts, type, data));
    EXPECT_EQ(std::vector<BYTE>{0}, data);
}

TEST_F(UninstallEntryTest, AValueAddedToTheListIsTakenBackByTheUndoAndByTheUninstaller)
{
    const std::vector<UninstallEntry::Value> values = ListWithExtra();

    // A failed install: the undo replays the record, the key it made goes.
    {
        ChangeRecord record;
        ASSERT_EQ(ERROR_SUCCESS, WriteEntry(record, values));
        ASSERT_EQ(7, ReadDword(keyPath, EXTRA_VALUE));
        record.UndoAll();
        EXPECT_FALSE(KeyExists(keyPath));
    }

    // An installed package: the uninstaller removes by the list. The list
    // without the value leaves it, and so the key; the list with it leaves
    // nothing.
    UninstallPlan plan;
    plan.InstallFolder = facts.InstallFolder;
    plan.UninstallKey = keyPath.c_str();
    for (const bool listed : {false, true}) {
        ChangeRecord record;
        ASSERT_EQ(ERROR_SUCCESS, WriteEntry(record, values));
        record.Commit();
        RemoveUninstallEntry(plan, listed ? values : UninstallEntry::Values());
        EXPECT_EQ(listed ? -1 : 7, ReadDword(keyPath, EXTRA_VALUE)) << listed;
        EXPECT_EQ(!listed, KeyExists(keyPath)) << listed;
    }
}

TEST_F(UninstallEntryTest, AFailedReinstallPutsBackEachEarlierValueWithItsType)
{
    // An earlier entry: a size written as text by some other tool, NoModify
    // of 0, no NoRepair.
    shared_test::CreateKey(keyPath);
    {
        ScopedRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_SET_VALUE, key.Receive()));
        RegSetValueExA(key.Get(), VALUE_ESTIMATED_SIZE, 0, REG_SZ, reinterpret_cast<const BYTE*>("12"), 3);
    }
    shared_test::WriteDword(keyPath, VALUE_NO_MODIFY, 0);

    ChangeRecord record;
    ASSERT_EQ(ERROR_SUCCESS, WriteEntry(record, UninstallEntry::Values()));
    EXPECT_EQ(5, ReadDword(keyPath, VALUE_ESTIMATED_SIZE));
    record.UndoAll();

    EXPECT_EQ("12", ReadText(keyPath, VALUE_ESTIMATED_SIZE));
    EXPECT_EQ(0, ReadDword(keyPath, VALUE_NO_MODIFY));
    EXPECT_EQ(-1, ReadDword(keyPath, VALUE_NO_REPAIR));
    EXPECT_EQ("<absent>", ReadText(keyPath, VALUE_DISPLAY_NAME));
}

// The root is the run's choice: with the current user's root the record, its
// undo, the log and the uninstaller all follow it with no other edit, and a
// key of the same name under the machine's root is never touched.
TEST_F(UninstallEntryTest, TheEntryFollowsTheRunsRootThroughTheRecordTheUndoAndTheUninstaller)
{
    shared_test::CreateKey(keyPath);
    shared_test::WriteDword(keyPath, EXTRA_VALUE, 9);
    root = HKEY_CURRENT_USER;
    const auto machineUntouched = [&] {
        EXPECT_EQ(9, ReadDword(keyPath, EXTRA_VALUE));
        EXPECT_EQ("<absent>", ReadText(keyPath, VALUE_UNINSTALL_FOLDER));
    };

    // A failed install, logged: every recorded key and value names the
    // user's root, the log shows it, and the undo takes it all back there.
    FileTree::TempTree tree;
    const std::string logPath = tree / "run.log";
    {
        ASSERT_TRUE(RunLog::Open(logPath.c_str()));
        ChangeRecord record;
        record.Observer = ChangeLines::Write;
        ASSERT_EQ(ERROR_SUCCESS, WriteEntry(record, UninstallEntry::Values()));
        EXPECT_EQ("C:\\Program Files\\Zerdane\\Guide", ReadText(keyPath, VALUE_UNINSTALL_FOLDER, HKEY_CURRENT_USER));
        ASSERT_FALSE(record.Changes().empty());
        for (const Change& change : record.Changes()) {
            const bool key = change.Type == Change::Kind::KeyCreated;
            EXPECT_EQ(HKEY_CURRENT_USER, key ? change.Root : change.Written.Root) << change.Path;
            if (!key)
                EXPECT_EQ(HKEY_CURRENT_USER, change.Prior.Root) << change.Path;
        }
        machineUntouched();
        record.UndoAll();
        RunLog::Close();
        EXPECT_FALSE(KeyExists(keyPath, HKEY_CURRENT_USER));
        machineUntouched();
    }
    const std::string log = FileTree::ReadBytes(logPath);
    const std::string entry = "HKCU\\" + keyPath;
    EXPECT_NE(std::string::npos, log.find("key created: " + entry)) << log;
    EXPECT_NE(std::string::npos, log.find(entry + "\\" + VALUE_DISPLAY_NAME + " = ")) << log;
    EXPECT_NE(std::string::npos, log.find("key removed when empty: " + entry)) << log;
    EXPECT_EQ(std::string::npos, log.find("HKLM")) << log;

    // An installed package: the plan with the user's root removes the entry
    // from there, and only from there.
    {
        ChangeRecord record;
        ASSERT_EQ(ERROR_SUCCESS, WriteEntry(record, UninstallEntry::Values()));
        record.Commit();
    }
    UninstallPlan plan;
    plan.Root = HKEY_CURRENT_USER;
    plan.InstallFolder = facts.InstallFolder;
    plan.UninstallKey = keyPath.c_str();
    RemoveUninstallEntry(plan, UninstallEntry::Values());
    EXPECT_FALSE(KeyExists(keyPath, HKEY_CURRENT_USER));
    machineUntouched();
}

LONG WINAPI RefusedDelete(HKEY, LPCSTR) { return ERROR_ACCESS_DENIED; }

// Version 2 of a package drops DISPLAY_VERSION and URL_INFO_ABOUT: its entry
// must not go on showing version 1's number, and a failed re-install brings
// version 1's values back. A delete that fails ends the write like any value.
TEST_F(UninstallEntryTest, AReinstallWithoutTheOptionalKeysDeletesTheEarlierValues)
{
    Add(SEC_INSTALL, KEY_DISPLAY_VERSION, "1.0");
    Add(SEC_INSTALL, KEY_URL_INFO_ABOUT, "https://guide.invalid/");
    {
        ChangeRecord first;
        ASSERT_EQ(ERROR_SUCCESS, WriteEntry(first, UninstallEntry::Values()));
        first.Commit();
    }
    script.resize(script.size() - 2);
    Refresh();

    {
        ChangeRecord failed;
        ASSERT_EQ(ERROR_SUCCESS, WriteEntry(failed, UninstallEntry::Values()));
        EXPECT_EQ("<absent>", ReadText(keyPath, VALUE_DISPLAY_VERSION));
        failed.UndoAll();
        EXPECT_EQ("1.0", ReadText(keyPath, VALUE_DISPLAY_VERSION));
        EXPECT_EQ("https://guide.invalid/", ReadText(keyPath, VALUE_URL_INFO_ABOUT));
    }
    {
        Sys().RegDeleteValueA = RefusedDelete;
        ChangeRecord refused;
        ScopedRegKey key;
        ASSERT_EQ(ERROR_SUCCESS,
                  RecordedRegistry::CreateKey(refused, Change::Area::Shortcuts, root, keyPath.c_str(), key));
        CString failedName;
        EXPECT_EQ(ERROR_ACCESS_DENIED, UninstallEntry::Write(refused, Change::Area::Shortcuts, root, key.Get(),
                                                             keyPath.c_str(), facts, UninstallEntry::Values(),
                                                             failedName));
        EXPECT_EQ(CString(VALUE_DISPLAY_VERSION), failedName);
        ResetSystemCalls();
        refused.UndoAll();
        EXPECT_EQ("1.0", ReadText(keyPath, VALUE_DISPLAY_VERSION));
    }
    ChangeRecord second;
    ASSERT_EQ(ERROR_SUCCESS, WriteEntry(second, UninstallEntry::Values()));
    second.Commit();
    EXPECT_EQ("<absent>", ReadText(keyPath, VALUE_DISPLAY_VERSION));
    EXPECT_EQ("<absent>", ReadText(keyPath, VALUE_URL_INFO_ABOUT));
}

TEST(UninstallEntrySize, KilobytesAreRoundedUpAndCappedAtADword)
{
    const struct {
        ULONGLONG bytes;
        DWORD kilobytes;
    } cases[] = {
        {0, 0}, {1, 1}, {1023, 1}, {1024, 1}, {1025, 2}, {4096ull * 1024, 4096},
        {0xFFFFFFFFull * 1024, 0xFFFFFFFFul}, {0xFFFFFFFFull * 1024 + 1, 0xFFFFFFFFul}, {~0ull, 0xFFFFFFFFul},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.kilobytes, UninstallEntry::KilobytesRoundedUp(c.bytes)) << c.bytes;
}

// The bytes the run put under the destination: copies by their recorded
// size, the logs and the files left in place by their size on the disk;
// nothing outside, nothing of the shared area, nothing kept aside.
TEST(UninstallEntrySize, InstalledBytesCountWhatTheRunPutUnderTheDestination)
{
    FileTree::TempTree tree;
    const std::string dest = tree / "dest";
    FileTree::MakeFolder(dest);
    FileTree::WriteBytes(dest + "\\setupf.cfn", std::string(100, 'l'));
    FileTree::WriteBytes(dest + "\\same.htm", std::string(30, 's'));
    FileTree::WriteBytes(tree / "outside.htm", std::string(1000, 'o'));

    ChangeRecord record;
    record.FolderCreated(Change::Area::Package, dest.c_str());
    record.FileCopied(Change::Area::Package, (dest + "\\index.htm").c_str(), "..\\GUIDE\\index.htm", 2000);
    record.FileCopied(Change::Area::Package, (dest + "\\img\\a.gif").c_str(), "..\\GUIDE\\img\\a.gif", 7);
    record.FileLeft(Change::Area::Package, (dest + "\\same.htm").c_str());
    record.FileWritten(Change::Area::Package, (dest + "\\setupf.cfn").c_str());
    record.FileCopied(Change::Area::Package, (tree / "outside.htm").c_str(), "x", 1000);
    record.FileCopied(Change::Area::Shared, (dest + "\\shared.dll").c_str(), "y", 5000);
    Change kept;
    kept.Type = Change::Kind::FileKeptAside;
    kept.Path = (dest + "\\index.htm").c_str();
    kept.Aside = (dest + "\\~kept\\index.htm").c_str();
    record.Add(kept);

    EXPECT_EQ(2000u + 7 + 30 + 100, UninstallEntry::InstalledBytes(record, (dest + "\\").c_str()));
    EXPECT_EQ(2000u + 7 + 30 + 100, UninstallEntry::InstalledBytes(record, dest.c_str()));
    record.Commit();
}

} // namespace
