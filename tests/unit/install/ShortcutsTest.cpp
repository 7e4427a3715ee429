// The Start-menu folder and links, the uninstall entry and the product key
// files, written for real into the test prefix's shell folders and registry,
// and taken back exactly when a step fails.
#include <gtest/gtest.h>
#include "TestCommon.h"

#include "FileTree.h"
#include "SharedTestSupport.h"
#include "TestSupport.h"
#include "app/TarvelApp.h"
#include "app/TarvelDoc.h"
#include "script/ScriptKeys.h"

#include <objbase.h>
#include <shlguid.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using test_common::kUninstallRoot;

const char GENERAL_TEXT[] = "An error occurred.";

std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::string();
    return path;
}

using FileTree::Exists;
using FileTree::ReadBytes;
using FileTree::WriteBytes;
using shared_test::KeyExists;
using shared_test::ReadText;

// A shell link as the shell reads it back.
struct LinkContents
{
    bool Loaded = false;
    std::string Target;
    std::string Icon;
    int IconIndex = -1;
};

LinkContents ReadLink(const std::string& path)
{
    LinkContents contents;
    HRESULT init = CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)
        && SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                      reinterpret_cast<void**>(&link)))
        && SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))
        && SUCCEEDED(file->Load(wide, STGM_READ))) {
        char target[MAX_PATH] = {};
        char icon[MAX_PATH] = {};
        int index = -1;
        link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
        link->GetIconLocation(icon, MAX_PATH, &index);
        contents.Loaded = true;
        contents.Target = target;
        contents.Icon = icon;
        contents.IconIndex = index;
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    if (SUCCEEDED(init))
        CoUninitialize();
    return contents;
}

void DeleteKeyLevels(std::string path, int levels)
{
    for (int i = 0; i < levels && !path.empty(); ++i) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
        size_t cut = path.rfind('\\');
        path = cut == std::string::npos ? std::string() : path.substr(0, cut);
    }
}

// Fakes for the system calls: each fails for one name and passes every other
// call on to the system.
std::string g_failingKey;
std::string g_failingValue;
int g_createDirectoryCalls = 0;

LONG WINAPI CreateKeyFailingOne(HKEY root, LPCSTR path, DWORD reserved, LPSTR cls, DWORD options,
                                REGSAM sam, LPSECURITY_ATTRIBUTES sa, PHKEY key, LPDWORD disposition)
{
    if (std::string(path).find(g_failingKey) == 0)
        return ERROR_ACCESS_DENIED;
    return RegCreateKeyExA(root, path, reserved, cls, options, sam, sa, key, disposition);
}

LONG WINAPI SetValueFailingOne(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                               DWORD size)
{
    if (g_failingValue == name)
        return ERROR_ACCESS_DENIED;
    return RegSetValueExA(key, name, reserved, type, data, size);
}

BOOL WINAPI CreateDirectoryFails(LPCSTR, LPSECURITY_ATTRIBUTES)
{
    ++g_createDirectoryCalls;
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

} // namespace

class ShortcutsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(IsDBCSLeadByte(0x95)) << "these tests need the ANSI code page 932";
        savedNtFamily = TestApp().IsNtFamily;
        TestApp().IsNtFamily = 1;

        // Names of this test program only, so that a left-over of an earlier
        // run or another package in the prefix is never mistaken for ours.
        const std::string id = std::to_string(GetCurrentProcessId());
        folderName = "TarvelUnit " + id;
        shortcutName = "Guide " + id;
        uninstallName = "TarvelUnit" + id;
        company = "TarvelUnitCo" + id;

        installFolder = package.Path() + "\\Guide\\";
        ASSERT_TRUE(CreateDirectoryA(installFolder.c_str(), nullptr));
        WriteBytes(installFolder + "index.htm", "<html></html>");
        WriteBytes(installFolder + "guide.ico", "icon");
        doc.InstallFolder = installFolder.c_str();

        Set(SEC_INSTALL, KEY_PRODUCT_KEY_FILE1, "index.htm");
        Set(SEC_INSTALL, KEY_PROGRAM_FOLDER_NAME, folderName);
        Set(SEC_INSTALL, KEY_SHORTCUT_NAME, shortcutName);
        Set(SEC_INSTALL, KEY_ICON_NAME, "guide.ico");
        Set(SEC_INSTALL, KEY_UNINSTALL_NAME, "Tarvel Guide");
        Set(SEC_INSTALL, KEY_COMPANY_NAME, company);
        Set(SEC_INSTALL, "PRODUCT_NAME1", "Guide");
        Set(SEC_INSTALL, "PRODUCT_LANGUAGE1", "ja");
        Set(SEC_INSTALL, "PRODUCT_NAME2", "Extra");
        Set(SEC_INSTALL, "PRODUCT_LANGUAGE2", "en");
        Set(SEC_INSTALL, "PRODUCT_KEY_FILE2", "extra\\top.htm");
        Set(SEC_UNINSTALL, KEY_UNINSTALL_KEY, uninstallName);
        Set(SEC_UNINSTALL, KEY_UNINSTALL_FILE, "uninst.exe");
        Set(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED, GENERAL_TEXT);
    }

    void TearDown() override
    {
        ResetSystemCalls();
        doc.Record().Commit();
        ResetJournal();
        for (int nt = 0; nt <= 1; ++nt) {
            std::string programs = ShellFolder(nt ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS);
            std::string desktop = ShellFolder(nt ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY);
            DeleteFileA((programs + "\\" + folderName + "\\" + shortcutName + ".lnk").c_str());
            DeleteFileA((programs + "\\" + folderName + "\\other.lnk").c_str());
            RemoveDirectoryA((desktop + "\\" + shortcutName + ".lnk").c_str());
            DeleteFileA((desktop + "\\" + shortcutName + ".lnk").c_str());
            RemoveDirectoryA((programs + "\\" + folderName).c_str());
        }
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKey().c_str());
        for (const char* product : {"Guide\\ja", "Extra\\en", "Third\\de"})
            DeleteKeyLevels("Software\\" + company + "\\" + product, 2);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, ("Software\\" + company).c_str());
        TestApp().IsNtFamily = savedNtFamily;
    }

    void Set(const char* section, const std::string& key, const std::string& value)
    {
        SetScriptValue(doc, section, key, value);
    }

    std::string Programs() const { return ShellFolder(CSIDL_COMMON_PROGRAMS); }
    std::string Desktop() const { return ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY); }
    std::string ProgramFolder() const { return Programs() + "\\" + folderName; }
    std::string MenuLink() const { return ProgramFolder() + "\\" + shortcutName + ".lnk"; }
    std::string DesktopLink() const { return Desktop() + "\\" + shortcutName + ".lnk"; }
    std::string UninstallKey() const { return kUninstallRoot + uninstallName; }
    std::string ProductKey(const char* product) const { return "Software\\" + company + "\\" + product; }

    // The registration steps as a run ends them: a success is final.
    BOOL Register()
    {
        const BOOL registered = doc.RegisterInstall();
        if (registered)
            doc.Record().Commit();
        return registered;
    }

    // A file of the install, in the run's record as the copy leaves it.
    void LogOneInstalledFile()
    {
        doc.Record().FileWritten(Change::Area::Package, (installFolder + "index.htm").c_str());
    }

    // Nothing of this install is left, and exactly one box was shown.
    void ExpectNothingLeft()
    {
        EXPECT_FALSE(Exists(DesktopLink()));
        EXPECT_FALSE(KeyExists(UninstallKey()));
        EXPECT_FALSE(KeyExists("Software\\" + company));
        EXPECT_FALSE(Exists(MenuLink()));
        EXPECT_FALSE(Exists(ProgramFolder()));
        EXPECT_FALSE(Exists(installFolder + "index.htm")) << "the undo did not run";
        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ(GENERAL_TEXT, boxes.Last().Text);
    }

    ScriptFolder package;
    BoxRecorder boxes;
    CTarvelDoc doc;
    std::string installFolder;
    std::string folderName;
    std::string shortcutName;
    std::string uninstallName;
    std::string company;
    int savedNtFamily = 0;
};

TEST_F(ShortcutsTest, InstallMakesTheMenuLinkTheUninstallEntryAndTheProductKeys)
{
    ASSERT_TRUE(Register());

    EXPECT_EQ(0u, boxes.Count());
    LinkContents link = ReadLink(MenuLink());
    ASSERT_TRUE(link.Loaded) << MenuLink();
    EXPECT_EQ(0, lstrcmpiA((installFolder + "index.htm").c_str(), link.Target.c_str())) << link.Target;
    EXPECT_EQ(0, lstrcmpiA((installFolder + "guide.ico").c_str(), link.Icon.c_str())) << link.Icon;
    EXPECT_EQ(0, link.IconIndex);
    EXPECT_FALSE(Exists(DesktopLink())) << "no desktop link without the flag";

    const std::string folder = installFolder.substr(0, installFolder.size() - 1);
    EXPECT_EQ("Tarvel Guide", ReadText(UninstallKey(), "DisplayName"));
    EXPECT_EQ(installFolder + "uninst.exe", ReadText(UninstallKey(), "UninstallString"));
    EXPECT_EQ(folder, ReadText(UninstallKey(), "UninstallFolder"));
    EXPECT_EQ(folder, ReadText(UninstallKey(), "InstallLocation"));

    EXPECT_EQ(installFolder + "index.htm", ReadText(ProductKey("Guide\\ja"), "KeyFile"));
    EXPECT_EQ(installFolder + "extra\\top.htm", ReadText(ProductKey("Extra\\en"), "KeyFile"));
}

// The document's root decides where the entry and the product keys go: a run
// for the current user alone leaves the machine's keys as they were, and its
// undo takes everything back from the user's.
TEST_F(ShortcutsTest, TheEntryAndTheProductKeysGoUnderTheRunsRootAndAreUndoneThere)
{
    const auto userText = [](const std::string& path, const char* name) {
        char text[MAX_PATH] = {};
        DWORD size = sizeof(text) - 1;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return std::string("<no key>");
        const LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS ? std::string(text) : std::string("<absent>");
    };
    doc.KeysRoot = HKEY_CURRENT_USER;
    ASSERT_TRUE(doc.RegisterInstall());
    EXPECT_EQ("Tarvel Guide", userText(UninstallKey(), "DisplayName"));
    EXPECT_EQ(installFolder + "index.htm", userText(ProductKey("Guide\\ja"), "KeyFile"));
    EXPECT_EQ(installFolder + "extra\\top.htm", userText(ProductKey("Extra\\en"), "KeyFile"));
    EXPECT_FALSE(KeyExists(UninstallKey()));
    EXPECT_FALSE(KeyExists("Software\\" + company));

    doc.Record().UndoAll();
    EXPECT_EQ("<no key>", userText(UninstallKey(), "DisplayName"));
    EXPECT_EQ("<no key>", userText("Software\\" + company, "KeyFile"));
    EXPECT_FALSE(Exists(MenuLink()));
}

// The values made from the run itself: the size of what it put under the
// destination, and the day it ran.
TEST_F(ShortcutsTest, TheEntryTellsTheSizeOfTheInstallAndItsDay)
{
    doc.Record().FileCopied(Change::Area::Package, (installFolder + "index.htm").c_str(), "..\\GUIDE\\index.htm",
                            3000);
    doc.Record().FileLeft(Change::Area::Package, (installFolder + "guide.ico").c_str()); // 4 bytes on the disk
    SYSTEMTIME before = {}, after = {};
    GetLocalTime(&before);
    ASSERT_TRUE(Register());
    GetLocalTime(&after);

    EXPECT_EQ(3, shared_test::ReadDword(UninstallKey(), "EstimatedSize")); // 3004 bytes
    const std::string date = ReadText(UninstallKey(), "InstallDate");
    char first[9] = {}, last[9] = {};
    std::snprintf(first, sizeof(first), "%04u%02u%02u", before.wYear, before.wMonth, before.wDay);
    std::snprintf(last, sizeof(last), "%04u%02u%02u", after.wYear, after.wMonth, after.wDay);
    EXPECT_TRUE(date == first || date == last) << date;
    EXPECT_EQ(installFolder + "guide.ico", ReadText(UninstallKey(), "DisplayIcon"));
    EXPECT_EQ("\"" + installFolder + "uninst.exe\" /PSM /SUPPRESSMSGBOXES",
              ReadText(UninstallKey(), "QuietUninstallString"));
    EXPECT_EQ(company, ReadText(UninstallKey(), "Publisher"));
}

TEST_F(ShortcutsTest, DesktopLinkOnlyWhenTheFlagSaysTrueInAnyCase)
{
    const struct { const char* flag; bool wanted; } cases[] = {
        {"true", true}, {"True", true}, {"TRUE", true},
        {"FALSE", false}, {"yes", false}, {"1", false}, {"TRUE ", false}, {"", false},
    };
    for (const auto& c : cases) {
        Set(SEC_INSTALL, KEY_FLAG_DESKTOP_ICON, c.flag);
        ASSERT_TRUE(Register()) << c.flag;
        LinkContents link = ReadLink(DesktopLink());
        EXPECT_EQ(c.wanted, link.Loaded) << "flag \"" << c.flag << "\"";
        if (link.Loaded) {
            EXPECT_EQ(0, lstrcmpiA((installFolder + "index.htm").c_str(), link.Target.c_str()));
            EXPECT_EQ(0, link.IconIndex);
        }
        DeleteFileA(DesktopLink().c_str());
    }
    EXPECT_EQ(0u, boxes.Count());
}

// Points the current user's desktop somewhere else for a while: in a Wine
// prefix it is often the Unix home folder, where no test should write.
class UserDesktopRedirect
{
public:
    explicit UserDesktopRedirect(const std::string& folder)
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
        DWORD size = sizeof(m_saved);
        m_hadValue = RegQueryValueExA(m_key, "Desktop", nullptr, &m_type, m_saved, &size) == ERROR_SUCCESS;
        m_size = size;
        RegSetValueExA(m_key, "Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>(folder.size() + 1));
    }
    ~UserDesktopRedirect()
    {
        if (m_hadValue)
            RegSetValueExA(m_key, "Desktop", 0, m_type, m_saved, m_size);
        else
            RegDeleteValueA(m_key, "Desktop");
        RegCloseKey(m_key);
    }

private:
    static constexpr const char* KEY =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY m_key = nullptr;
    bool m_hadValue = false;
    DWORD m_type = REG_NONE;
    DWORD m_size = 0;
    BYTE m_saved[1024] = {};
};

TEST_F(ShortcutsTest, OutsideTheNtFamilyTheLinksGoToTheCurrentUsersFolders)
{
    const std::string userDesktop = package.Path() + "\\UserDesktop";
    ASSERT_TRUE(CreateDirectoryA(userDesktop.c_str(), nullptr));
    UserDesktopRedirect redirect(userDesktop);
    ASSERT_EQ(0, lstrcmpiA(userDesktop.c_str(), ShellFolder(CSIDL_DESKTOPDIRECTORY).c_str()));
    TestApp().IsNtFamily = 0;
    Set(SEC_INSTALL, KEY_FLAG_DESKTOP_ICON, "TRUE");

    ASSERT_TRUE(Register());

    const std::string userMenuLink =
        ShellFolder(CSIDL_PROGRAMS) + "\\" + folderName + "\\" + shortcutName + ".lnk";
    EXPECT_TRUE(ReadLink(userMenuLink).Loaded) << userMenuLink;
    EXPECT_TRUE(ReadLink(userDesktop + "\\" + shortcutName + ".lnk").Loaded);
    EXPECT_FALSE(Exists(MenuLink()));
    EXPECT_FALSE(Exists(DesktopLink()));
}

TEST_F(ShortcutsTest, EmptyKeyFileAndShortcutNameStillMakeALink)
{
    // No main document: the link opens the destination folder itself.
    Set(SEC_INSTALL, KEY_PRODUCT_KEY_FILE1, "");
    shortcutName = "";
    Set(SEC_INSTALL, KEY_SHORTCUT_NAME, "");

    ASSERT_TRUE(Register());

    ASSERT_EQ(ProgramFolder() + "\\.lnk", MenuLink());
    LinkContents link = ReadLink(MenuLink());
    ASSERT_TRUE(link.Loaded);
    std::string target = link.Target;
    if (!target.empty() && target.back() == '\\')
        target.pop_back();
    EXPECT_EQ(0, lstrcmpiA(installFolder.substr(0, installFolder.size() - 1).c_str(), target.c_str()))
        << link.Target;
    // Product 1 lacks its key file, so only product 2 is recorded.
    EXPECT_FALSE(KeyExists(ProductKey("Guide\\ja")));
    EXPECT_TRUE(KeyExists(ProductKey("Extra\\en")));
}

TEST_F(ShortcutsTest, ProductCountIsReadLikeADecimalNumber)
{
    Set(SEC_INSTALL, "PRODUCT_NAME3", "Third");
    Set(SEC_INSTALL, "PRODUCT_LANGUAGE3", "de");
    Set(SEC_INSTALL, "PRODUCT_KEY_FILE3", "third.htm");
    const struct { const char* num; bool one, two, three; } cases[] = {
        {nullptr, true, true, false},   // absent: two products
        {"", true, true, false},
        {"0", false, false, false},
        {"3", true, true, true},
        {"1", true, false, false},
        {" +3rd", true, true, true},    // leading blanks, a sign, stops at the first non-digit
        {"abc", false, false, false},   // no number at all
        {"-2", false, false, false},
        {"99999999999", true, true, true}, // beyond any product the script names
    };
    for (const auto& c : cases) {
        if (c.num)
            Set(SEC_INSTALL, KEY_PRODUCT_NUM, c.num);
        ASSERT_TRUE(Register());
        const std::string label = c.num ? c.num : "<absent>";
        EXPECT_EQ(c.one, KeyExists(ProductKey("Guide\\ja"))) << label;
        EXPECT_EQ(c.two, KeyExists(ProductKey("Extra\\en"))) << label;
        EXPECT_EQ(c.three, KeyExists(ProductKey("Third\\de"))) << label;
        if (c.three) {
            EXPECT_EQ(installFolder + "third.htm", ReadText(ProductKey("Third\\de"), "KeyFile"));
        }
        for (const char* product : {"Guide\\ja", "Extra\\en", "Third\\de"})
            DeleteKeyLevels(ProductKey(product), 2);
    }
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(ShortcutsTest, ProductNumberAtTheTopOfIntIsRegisteredAndTheLoopEnds)
{
    // Counting up to the script's number overflowed at the top of int and
    // never ended; only the numbers the script names are visited now.
    Set(SEC_INSTALL, KEY_PRODUCT_NUM, "2147483647");
    Set(SEC_INSTALL, "PRODUCT_NAME2147483647", "Top");
    Set(SEC_INSTALL, "PRODUCT_LANGUAGE2147483647", "ja");
    Set(SEC_INSTALL, "PRODUCT_KEY_FILE2147483647", "top.htm");

    ASSERT_TRUE(Register());

    EXPECT_EQ(installFolder + "top.htm", ReadText(ProductKey("Top\\ja"), "KeyFile"));
    EXPECT_TRUE(KeyExists(ProductKey("Guide\\ja")));
    for (const char* product : {"Guide\\ja", "Extra\\en", "Top\\ja"})
        DeleteKeyLevels(ProductKey(product), 2);
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(ShortcutsTest, ProgramFolderThatCannotBeCreatedUndoesTheInstall)
{
    LogOneInstalledFile();
    Sys().CreateDirectoryA = CreateDirectoryFails;
    g_createDirectoryCalls = 0;

    EXPECT_FALSE(doc.RegisterInstall());

    EXPECT_EQ(1, g_createDirectoryCalls);
    ExpectNothingLeft();
    EXPECT_FALSE(Exists(ProgramFolder()));
}

TEST_F(ShortcutsTest, ExistingProgramFolderIsUsedWithoutCreatingIt)
{
    ASSERT_TRUE(CreateDirectoryA(ProgramFolder().c_str(), nullptr));
    Sys().CreateDirectoryA = CreateDirectoryFails;
    g_createDirectoryCalls = 0;

    EXPECT_TRUE(Register());
    EXPECT_EQ(0, g_createDirectoryCalls);
    EXPECT_TRUE(ReadLink(MenuLink()).Loaded);
}

TEST_F(ShortcutsTest, MenuLinkThatCannotBeSavedUndoesTheInstall)
{
    // Each name makes a link path no file system can hold: too long for
    // MAX_PATH, or a lead byte without its trail byte.
    for (const std::string& name : {std::string(300, 'g'), std::string("Guide\x95")}) {
        SCOPED_TRACE(name.size());
        WriteBytes(installFolder + "index.htm", "<html></html>");
        LogOneInstalledFile();
        boxes.Clear();
        Set(SEC_INSTALL, KEY_SHORTCUT_NAME, name);
        Set(SEC_INSTALL, KEY_FLAG_DESKTOP_ICON, "TRUE");

        EXPECT_FALSE(doc.RegisterInstall());

        ExpectNothingLeft();
    }
}

TEST_F(ShortcutsTest, AFailedInstallKeepsAProgramFolderThatHoldsAnotherPackagesLink)
{
    ASSERT_TRUE(CreateDirectoryA(ProgramFolder().c_str(), nullptr));
    WriteBytes(ProgramFolder() + "\\other.lnk", "another package's link");
    Sys().RegCreateKeyExA = CreateKeyFailingOne;
    g_failingKey = UninstallKey();

    EXPECT_FALSE(doc.RegisterInstall());

    EXPECT_FALSE(Exists(MenuLink()));
    EXPECT_EQ("another package's link", ReadBytes(ProgramFolder() + "\\other.lnk"));
    EXPECT_EQ(1u, boxes.Count());
}

TEST_F(ShortcutsTest, DesktopLinkThatCannotBeSavedTakesTheMenuLinkBack)
{
    // A folder where the desktop link should go: the link cannot be saved.
    ASSERT_TRUE(CreateDirectoryA(DesktopLink().c_str(), nullptr));
    Set(SEC_INSTALL, KEY_FLAG_DESKTOP_ICON, "true");
    LogOneInstalledFile();

    EXPECT_FALSE(doc.RegisterInstall());

    EXPECT_FALSE(KeyExists(UninstallKey())) << "the entry is never begun";
    EXPECT_TRUE(GetFileAttributesA(DesktopLink().c_str()) & FILE_ATTRIBUTE_DIRECTORY)
        << "what was there before stays";
    EXPECT_FALSE(Exists(installFolder + "index.htm"));
    EXPECT_FALSE(Exists(MenuLink()));
    EXPECT_FALSE(Exists(ProgramFolder()));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(GENERAL_TEXT, boxes.Last().Text);
}

TEST_F(ShortcutsTest, UninstallKeyThatCannotBeCreatedTakesBothLinksBack)
{
    Set(SEC_INSTALL, KEY_FLAG_DESKTOP_ICON, "TRUE");
    LogOneInstalledFile();
    Sys().RegCreateKeyExA = CreateKeyFailingOne;
    g_failingKey = UninstallKey();

    EXPECT_FALSE(doc.RegisterInstall());

    ExpectNothingLeft();
}

// Undo comes before the report: when the box shows, nothing of the install is
// left on the disk or in the registry.
struct StateAtBox
{
    bool Seen = false;
    bool MenuLink = false;
    bool DesktopLink = false;
    bool UninstallKey = false;
};
StateAtBox g_stateAtBox;
std::string g_menuLinkPath, g_desktopLinkPath, g_uninstallKeyPath;

int WINAPI SnapshotBox(HWND, LPCSTR, LPCSTR, UINT)
{
    g_stateAtBox.Seen = true;
    g_stateAtBox.MenuLink = Exists(g_menuLinkPath);
    g_stateAtBox.DesktopLink = Exists(g_desktopLinkPath);
    g_stateAtBox.UninstallKey = KeyExists(g_uninstallKeyPath);
    return IDOK;
}

TEST_F(ShortcutsTest, EachUninstallValueThatCannotBeSetUndoesEverythingBeforeTheBox)
{
    Set(SEC_INSTALL, KEY_FLAG_DESKTOP_ICON, "TRUE");
    Set(SEC_INSTALL, KEY_DISPLAY_VERSION, "2.10");
    Set(SEC_INSTALL, KEY_URL_INFO_ABOUT, "https://guide.invalid/");
    Sys().RegSetValueExA = SetValueFailingOne;
    g_menuLinkPath = MenuLink();
    g_desktopLinkPath = DesktopLink();
    g_uninstallKeyPath = UninstallKey();
    for (const char* value : {"DisplayName", "UninstallString", "UninstallFolder", "DisplayIcon", "Publisher",
                              "DisplayVersion", "EstimatedSize", "InstallDate", "NoModify", "NoRepair",
                              "QuietUninstallString", "URLInfoAbout"}) {
        SCOPED_TRACE(value);
        LogOneInstalledFile();
        WriteBytes(installFolder + "index.htm", "<html></html>");
        g_failingValue = value;
        boxes.Clear();

        EXPECT_FALSE(doc.RegisterInstall());
        ExpectNothingLeft();

        // Once more with a box that looks around as it opens.
        g_stateAtBox = StateAtBox();
        auto saved = Sys().MessageBoxA;
        Sys().MessageBoxA = SnapshotBox;
        EXPECT_FALSE(doc.RegisterInstall());
        Sys().MessageBoxA = saved;
        ASSERT_TRUE(g_stateAtBox.Seen);
        EXPECT_FALSE(g_stateAtBox.UninstallKey);
        EXPECT_FALSE(g_stateAtBox.MenuLink);
        EXPECT_FALSE(g_stateAtBox.DesktopLink);
    }
}

TEST_F(ShortcutsTest, InstallLocationAndProductKeyFailuresChangeNothing)
{
    Sys().RegSetValueExA = SetValueFailingOne;
    g_failingValue = "InstallLocation";
    ASSERT_TRUE(Register());
    EXPECT_EQ("<absent>", ReadText(UninstallKey(), "InstallLocation"));
    EXPECT_EQ("Tarvel Guide", ReadText(UninstallKey(), "DisplayName"));
    EXPECT_TRUE(KeyExists(ProductKey("Extra\\en")));

    // A product whose key cannot be created, and one whose value cannot be set.
    g_failingValue = "KeyFile";
    Sys().RegCreateKeyExA = CreateKeyFailingOne;
    g_failingKey = ProductKey("Guide");
    DeleteKeyLevels(ProductKey("Extra\\en"), 2);
    DeleteKeyLevels(ProductKey("Guide\\ja"), 2);

    ASSERT_TRUE(Register());
    EXPECT_FALSE(KeyExists(ProductKey("Guide\\ja")));
    EXPECT_EQ("<absent>", ReadText(ProductKey("Extra\\en"), "KeyFile"));
    EXPECT_TRUE(ReadLink(MenuLink()).Loaded);
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(ShortcutsTest, FailedReinstallPutsTheEarlierEntryAndLinksBack)
{
    // An earlier installation of the package: its entry and both its links.
    Set(SEC_INSTALL, KEY_FLAG_DESKTOP_ICON, "TRUE");
    ASSERT_TRUE(Register());
    const std::string earlierMenuLink = ReadBytes(MenuLink());
    const std::string earlierDesktopLink = ReadBytes(DesktopLink());
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKey().c_str(), 0, KEY_SET_VALUE, &key));
    RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("Earlier"), 8);
    RegDeleteValueA(key, "UninstallFolder");
    RegCloseKey(key);

    doc.InstallFolder = "C:\\Elsewhere\\";
    Sys().RegSetValueExA = SetValueFailingOne;
    g_failingValue = "UninstallFolder";
    EXPECT_FALSE(doc.RegisterInstall());

    EXPECT_EQ("Earlier", ReadText(UninstallKey(), "DisplayName"));
    EXPECT_EQ(installFolder + "uninst.exe", ReadText(UninstallKey(), "UninstallString"));
    EXPECT_EQ("<absent>", ReadText(UninstallKey(), "UninstallFolder"));
    EXPECT_EQ(earlierMenuLink, ReadBytes(MenuLink()));
    EXPECT_EQ(earlierDesktopLink, ReadBytes(DesktopLink()));
    EXPECT_EQ(1u, boxes.Count());
}

TEST_F(ShortcutsTest, LongTextsAreWrittenWholeAndTooLongPathsMakeNoLink)
{
    // A display name far beyond any fixed buffer is stored in full.
    const std::string longName(3000, 'N');
    Set(SEC_INSTALL, KEY_UNINSTALL_NAME, longName);
    ASSERT_TRUE(Register());
    EXPECT_EQ(longName, ReadText(UninstallKey(), "DisplayName"));
    DeleteFileA(MenuLink().c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKey().c_str());

    // A target the shell would cut short: no link at all, and the undo.
    for (const char* key : {KEY_PRODUCT_KEY_FILE1, KEY_ICON_NAME}) {
        SCOPED_TRACE(key);
        boxes.Clear();
        Set(SEC_INSTALL, KEY_PRODUCT_KEY_FILE1, "index.htm");
        Set(SEC_INSTALL, KEY_ICON_NAME, "guide.ico");
        Set(SEC_INSTALL, key, std::string(260, 'x') + ".htm");
        EXPECT_FALSE(doc.RegisterInstall());
        EXPECT_FALSE(Exists(MenuLink()));
        EXPECT_FALSE(KeyExists(UninstallKey()));
        EXPECT_EQ(1u, boxes.Count());
    }
}

TEST_F(ShortcutsTest, ProgramFolderPathTooLongFailsTheFirstStep)
{
    Set(SEC_INSTALL, KEY_PROGRAM_FOLDER_NAME, std::string(300, 'f'));
    LogOneInstalledFile();

    EXPECT_FALSE(doc.RegisterInstall());

    ExpectNothingLeft();
}

TEST_F(ShortcutsTest, WithoutAProgramFolderNameTheLinkLiesInTheProgramsFolder)
{
    Set(SEC_INSTALL, KEY_PROGRAM_FOLDER_NAME, "");
    const std::string link = Programs() + "\\" + shortcutName + ".lnk";

    ASSERT_TRUE(Register());
    EXPECT_TRUE(ReadLink(link).Loaded) << link;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKey().c_str());

    // A failure takes the link back and never touches the programs folder.
    Sys().RegCreateKeyExA = CreateKeyFailingOne;
    g_failingKey = UninstallKey();
    DeleteFileA(link.c_str());
    EXPECT_FALSE(doc.RegisterInstall());
    EXPECT_FALSE(Exists(link));
    EXPECT_TRUE(Exists(Programs()));
}
