// One script text, read by the installer and by the uninstaller: what the
// install really makes (its record of links, folders, keys and values) and
// what the uninstall plan then names and removes must be the same places,
// for every shape of package, under either registry root.
#include <gtest/gtest.h>
#include "TestCommon.h"

#include "FileTree.h"
#include "SharedTestSupport.h"
#include "TestSupport.h"
#include "app/TarvelApp.h"
#include "app/TarvelDoc.h"
#include "base/RegistryRoot.h"
#include "install/InstallLayout.h"
#include "install/UninstallEntry.h"
#include "install/UninstallLog.h"
#include "script/ScriptFile.h"
#include "shared/SharedRegistry.h"
#include "uninst/RemovePackage.h"
#include "uninst/UninstallPlan.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using FileTree::Exists;
using FileTree::WriteBytes;

std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::string();
    return path;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

bool ValueExistsUnder(HKEY root, const std::string& path, const std::string& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    const bool found = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

// One package shape: the [INSTALL] lines beyond the ones every case has,
// and where its links and keys must then be.
struct LayoutCase
{
    const char* why;
    std::vector<std::string> installLines;
    HKEY root;
    bool ownProgramFolder;             // else the link lies in the programs folder
    bool desktopLink;
    // "<product>\<language>" below the maker's key, and its key file.
    std::vector<std::pair<std::string, std::string>> products;
};

class InstallLayoutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        savedNtFamily = TestApp().IsNtFamily;
        TestApp().IsNtFamily = 1;
        const std::string id = std::to_string(GetCurrentProcessId());
        folderName = "TarvelLayout " + id;
        shortcutName = "Layout guide " + id;
        entryName = "TarvelLayout" + id;
        company = "TarvelLayoutCo" + id;
        installFolder = package.Path() + "\\Guide\\";
        FileTree::MakeFolder(installFolder);
    }

    void TearDown() override
    {
        doc.Record().Commit();
        ResetJournal();
        const std::string programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
        DeleteFileA((programs + "\\" + folderName + "\\" + shortcutName + ".lnk").c_str());
        DeleteFileA((programs + "\\" + shortcutName + ".lnk").c_str());
        RemoveDirectoryA((programs + "\\" + folderName).c_str());
        DeleteFileA((ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\" + shortcutName + ".lnk").c_str());
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            RegDeleteKeyA(root, (kUninstallRoot() + entryName).c_str());
            shared_test::DeleteKeyTree("Software\\" + company, root);
        }
        TestApp().IsNtFamily = savedNtFamily;
    }

    static std::string kUninstallRoot() { return test_common::kUninstallRoot; }

    // The script both sides read, as the package ships it.
    std::string ScriptText(const LayoutCase& c) const
    {
        std::string text = "[INSTALL]\r\n";
        const std::vector<std::string> common = {
            "PRODUCT_KEY_FILE1=index.htm", "SHORTCUT_NAME=" + shortcutName, "ICON_NAME=guide.ico",
            "UNINSTALL_NAME=Layout Guide", "COMPANY_NAME=" + company, "PRODUCT_NAME1=Guide",
            "PRODUCT_LANGUAGE1=ja"};
        for (const std::string& line : common)
            text += line + "\r\n";
        for (std::string line : c.installLines) {
            const size_t mark = line.find("<folder>");
            if (mark != std::string::npos)
                line.replace(mark, 8, folderName);
            text += line + "\r\n";
        }
        return text + "[UNINSTALL]\r\nUNINSTALL_FILE=uninst.exe\r\nUNINSTALL_KEY=" + entryName + "\r\n";
    }

    // Installs the links and the registration as a run ends, and returns
    // what the run recorded having made.
    std::vector<Change> Install(const LayoutCase& c)
    {
        const std::string script = ScriptText(c);
        package.WriteFile(SETUP_SCRIPT_FILE, script);
        EXPECT_TRUE(doc.ReadScript());
        doc.InstallFolder = installFolder.c_str();
        doc.KeysRoot = c.root;
        for (const char* file : {"index.htm", "guide.ico", "uninst.exe"})
            WriteBytes(installFolder + file, file);
        // What the copy would have left: the script and the uninstall log.
        WriteBytes(installFolder + SETUP_SCRIPT_FILE, script);
        const CString log = CString("index.htm? guide.ico? ") + SETUP_SCRIPT_FILE + "? uninst.exe? ";
        WriteBytes(installFolder + UNINSTALL_LOG_NAME, static_cast<const char*>(EncodeLogText(log)));

        EXPECT_TRUE(doc.RegisterInstall());
        std::vector<Change> made;
        for (const Change& change : doc.Record().Changes())
            if (change.Where == Change::Area::Shortcuts)
                made.push_back(change);
        doc.Record().Commit();
        return made;
    }

    ScriptFolder package;
    BoxRecorder boxes;
    CTarvelDoc doc;
    std::string installFolder, folderName, shortcutName, entryName, company;
    int savedNtFamily = 0;
};

TEST_F(InstallLayoutTest, TheUninstallerRemovesExactlyWhatTheInstallerMadeForEveryShapeOfPackage)
{
    const LayoutCase cases[] = {
        {"a program folder, no desktop link", {"PROGRAM_FOLDER_NAME=<folder>"}, HKEY_LOCAL_MACHINE, true, false,
         {{"Guide\\ja", "index.htm"}}},
        {"no program folder name: the link lies in the programs folder", {}, HKEY_LOCAL_MACHINE, false, false,
         {{"Guide\\ja", "index.htm"}}},
        {"a desktop link too", {"PROGRAM_FOLDER_NAME=<folder>", "FLAG_DESKTOP_ICON=true"}, HKEY_LOCAL_MACHINE,
         true, true, {{"Guide\\ja", "index.htm"}}},
        {"three products, the second incomplete",
         {"PROGRAM_FOLDER_NAME=<folder>", "PRODUCT_NUM=3", "PRODUCT_NAME2=Extra", "PRODUCT_KEY_FILE2=extra.htm",
          "PRODUCT_NAME3=Third", "PRODUCT_LANGUAGE3=de", "PRODUCT_KEY_FILE3=third\\top.htm"},
         HKEY_LOCAL_MACHINE, true, false, {{"Guide\\ja", "index.htm"}, {"Third\\de", "third\\top.htm"}}},
        {"no product counted", {"PROGRAM_FOLDER_NAME=<folder>", "PRODUCT_NUM=0"}, HKEY_LOCAL_MACHINE, true, false,
         {}},
        {"the current user's root", {"PROGRAM_FOLDER_NAME=<folder>", "FLAG_DESKTOP_ICON=TRUE"}, HKEY_CURRENT_USER,
         true, true, {{"Guide\\ja", "index.htm"}}},
    };
    const std::string programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
    const std::string desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    ASSERT_FALSE(programs.empty());
    ASSERT_FALSE(desktop.empty());
    const std::string uninstaller = installFolder + "uninst.exe";

    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.why);
        // An empty list of the user's is as if there were none (a key with
        // entries is never deleted this way).
        if (c.root == HKEY_CURRENT_USER)
            RegDeleteKeyA(HKEY_CURRENT_USER, kUninstallRoot().substr(0, kUninstallRoot().size() - 1).c_str());
        const std::vector<Change> made = Install(c);
        ASSERT_EQ(0u, boxes.Count());

        // The installer's side, in the places the package shape asks for.
        const std::string linkFolder = c.ownProgramFolder ? programs + "\\" + folderName : programs;
        const std::string menuLink = linkFolder + "\\" + shortcutName + ".lnk";
        const std::string desktopLink = desktop + "\\" + shortcutName + ".lnk";
        EXPECT_TRUE(Exists(menuLink)) << menuLink;
        EXPECT_EQ(c.desktopLink, Exists(desktopLink));
        std::set<std::string> madeFiles, madeFolders, madeKeys;
        std::set<std::pair<std::string, std::string>> madeValues;
        for (const Change& change : made) {
            const std::string path = static_cast<const char*>(change.Path);
            switch (change.Type) {
            case Change::Kind::FileWritten: madeFiles.insert(Lower(path)); break;
            case Change::Kind::FolderCreated: madeFolders.insert(Lower(path)); break;
            case Change::Kind::KeyCreated:
                EXPECT_EQ(c.root, change.Root) << path;
                madeKeys.insert(path);
                break;
            case Change::Kind::ValueSet:
                EXPECT_EQ(c.root, change.Written.Root) << path;
                madeValues.insert({static_cast<const char*>(change.Written.KeyPath),
                                   static_cast<const char*>(change.Written.Name)});
                break;
            default: ADD_FAILURE() << "unexpected change " << static_cast<int>(change.Type) << " " << path;
            }
        }

        // The uninstaller's side: the plan read back from the installation.
        UninstallPlan plan;
        plan.Root = c.root;
        ASSERT_EQ(PlanResult::Ready, ReadUninstallPlan(installFolder.c_str(), uninstaller.c_str(), plan));
        std::set<std::string> planned = {Lower(static_cast<const char*>(plan.MenuLink))};
        if (c.desktopLink)
            planned.insert(Lower(static_cast<const char*>(plan.DesktopLink)));
        EXPECT_EQ(madeFiles, planned) << "the links the plan removes are the ones the install made";
        EXPECT_EQ(c.desktopLink, !plan.DesktopLink.IsEmpty());
        if (c.ownProgramFolder)
            EXPECT_EQ(madeFolders, std::set<std::string>{Lower(static_cast<const char*>(plan.ProgramFolder))});
        else
            EXPECT_TRUE(madeFolders.empty() && plan.ProgramFolder.IsEmpty()) << "the programs folder is not ours";

        // Every value the install wrote is one the plan removes by name.
        const std::string entry = kUninstallRoot() + entryName;
        ASSERT_EQ(entry, static_cast<const char*>(plan.UninstallKey));
        const std::string maker = "Software\\" + company;
        std::set<std::string> productKeys;
        // The keys a product's key is made with: the maker's and the product's levels.
        std::set<std::string> levels = {entry};
        ASSERT_EQ(c.products.size(), plan.Products.size());
        for (size_t i = 0; i < c.products.size(); ++i) {
            const std::string key = maker + "\\" + c.products[i].first;
            EXPECT_EQ(key, static_cast<const char*>(plan.Products[i].KeyPath));
            EXPECT_EQ(installFolder + c.products[i].second, static_cast<const char*>(plan.Products[i].KeyFile));
            EXPECT_EQ(installFolder + c.products[i].second, shared_test::ReadText(key, "KeyFile", c.root));
            productKeys.insert(key);
            levels.insert(key);
            levels.insert(key.substr(0, key.rfind('\\')));
            levels.insert(maker);
            EXPECT_TRUE(madeValues.count({key, "KeyFile"})) << key;
        }
        for (const auto& value : madeValues) {
            if (value.first == entry) {
                const auto& list = UninstallEntry::Values();
                EXPECT_TRUE(std::any_of(list.begin(), list.end(),
                                        [&](const UninstallEntry::Value& v) { return value.second == v.Name; }))
                    << value.second;
            } else {
                EXPECT_TRUE(productKeys.count(value.first) && value.second == "KeyFile")
                    << value.first << "\\" << value.second;
            }
        }
        // A user who never had an entry has no list of installed software
        // either: the install makes its levels, which are the system's, and
        // the uninstall leaves them.
        const auto isListLevel = [&](const std::string& key) { return entry.rfind(key + "\\", 0) == 0; };
        std::set<std::string> packageKeys;
        for (const std::string& key : madeKeys) {
            EXPECT_TRUE(levels.count(key) || isListLevel(key)) << key << ": a key the uninstaller does not know";
            if (!isListLevel(key))
                packageKeys.insert(key);
        }

        // The uninstall leaves nothing the install made, under the run's root only.
        const RemovalOutcome outcome = RemovePackage(plan, uninstaller.c_str(), nullptr);
        EXPECT_TRUE(outcome.IsComplete());
        for (const std::string& file : madeFiles)
            EXPECT_FALSE(Exists(file)) << file;
        for (const std::string& folder : madeFolders)
            EXPECT_FALSE(Exists(folder)) << folder;
        for (const auto& value : madeValues)
            EXPECT_FALSE(ValueExistsUnder(c.root, value.first, value.second)) << value.first << "\\" << value.second;
        for (const std::string& key : packageKeys)
            EXPECT_FALSE(shared_test::KeyExists(key, c.root)) << RegistryRoot::Name(c.root) << "\\" << key;
        EXPECT_FALSE(shared_test::KeyExists(maker, c.root)) << "the maker's key, emptied";
        EXPECT_TRUE(Exists(programs)) << "the programs folder stays";
    }
}

// A library's counter is named by its file name alone, found as whole
// characters: "表" is 0x95 0x5C, its trail byte the code of a backslash.
TEST(InstallLayoutCounters, ACounterIsNamedByTheWholeLastNameOfItsLibrary)
{
    EXPECT_EQ(CString("Software\\Maker\\COUNTER\\\x95\x5C.dll"),
              SharedRegistry::CounterKeyPath("Maker", "COMMON\\sub\\\x95\x5C.DLL"));
}

} // namespace
