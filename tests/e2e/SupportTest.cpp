// The end-to-end helpers against the prefix itself: what later install tests
// rely on when they read back files, registry values and shortcuts.
#include "E2eSupport.h"
#include "InstallSupport.h"
#include "Text.h"

#include <objbase.h>
#include <shlobj.h>

namespace {

TEST(ScriptBytes, AreShiftJisWithCrLf)
{
    // The trail byte of this character is a backslash: the installer must cope with it.
    EXPECT_EQ(e2e::ScriptBytes("表\n"), std::string("\x95\x5c\r\n"));
    EXPECT_EQ(e2e::ScriptBytes("[INSTALL]\nA=b"), "[INSTALL]\r\nA=b");
}

TEST(PackageFolder, LivesOnDriveCAndIsRemovedWithReadOnlyContents)
{
    std::string root;
    {
        e2e::PackageFolder package("SupportTest.Package");
        root = package.Root();
        EXPECT_EQ(root.rfind("C:\\tarvel-e2e\\SupportTest.Package-", 0), 0u) << root;
        ASSERT_TRUE(package.Write("GUIDE\\img\\a.gif", "GIF89a"));
        ASSERT_TRUE(package.Write("setup\\setupf.cfn", "x"));
        SetFileAttributesA(package.Path("setup\\setupf.cfn").c_str(), FILE_ATTRIBUTE_READONLY);
        EXPECT_EQ(e2e::ListTree(root), (std::vector<std::string>{"GUIDE\\", "GUIDE\\img\\", "GUIDE\\img\\a.gif",
                                                                 "setup\\", "setup\\setupf.cfn"}));
        EXPECT_EQ(e2e::ReadFileBytes(package.Path("GUIDE\\img\\a.gif")), "GIF89a");
    }
    EXPECT_FALSE(e2e::Exists(root));
}

// The tests that tamper with a stored log must really write what they mean:
// a log the uninstaller cannot decode is refused too, and would pass them.
TEST(StoredLog, IsRewrittenEveryByteMinusOne)
{
    e2e::PackageFolder package("SupportTest.StoredLog");
    const std::string log = package.Path("setupf.cfn");
    ASSERT_TRUE(package.Write("setupf.cfn", "a longer earlier log"));
    const std::string text = std::string("<f>:C:\\\x95\x5C? a\0b? ", 16);
    ASSERT_TRUE(e2e::RewriteLog(log, text));
    EXPECT_EQ(e2e::ReadFileBytes(log), std::string(";e=9B9[\x94[>\x1F`\xFF" "a>\x1F", 16));
    EXPECT_EQ(e2e::DecodeLog(e2e::ReadFileBytes(log)), text);
}

TEST(Registry, ThirtyTwoBitViewShowsTheX86ProgramFiles)
{
    // The default destination is built from this value.
    std::string folder;
    ASSERT_TRUE(e2e::ReadRegString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                                   "ProgramFilesDir", &folder));
    EXPECT_EQ(folder, "C:\\Program Files (x86)");
    EXPECT_FALSE(e2e::ReadRegString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                                    "NoSuchValue", &folder));
}

TEST(Registry, TreeIsDeletedWithItsSubKeys)
{
    const std::string key = "Software\\TarvelE2eSupportTest";
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\Inner\\Deeper").c_str(), 0, nullptr, 0,
                              KEY_WRITE | KEY_WOW64_32KEY, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    DWORD one = 1;
    RegSetValueExA(created, "N", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegCloseKey(created);

    DWORD n = 0;
    EXPECT_TRUE(e2e::ReadRegDword(HKEY_CURRENT_USER, key + "\\Inner\\Deeper", "N", &n));
    EXPECT_EQ(n, 1u);
    e2e::DeleteRegTree(HKEY_CURRENT_USER, key);
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_CURRENT_USER, key));
}

TEST(Shortcut, WrittenByTheShellReadsBack)
{
    e2e::PackageFolder package("SupportTest.Shortcut");
    const std::string lnk = package.Path("guide.lnk");
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    IShellLinkA* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           reinterpret_cast<void**>(&link))));
    link->SetPath("C:\\Program Files (x86)\\Guide\\index.htm");
    link->SetIconLocation("C:\\Program Files (x86)\\Guide\\guide.ico", 0);
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    EXPECT_TRUE(SUCCEEDED(file->Save(dlg::WideFromUtf8(lnk).c_str(), TRUE)));
    file->Release();
    link->Release();
    CoUninitialize();

    e2e::Shortcut read;
    ASSERT_TRUE(e2e::ReadShortcut(lnk, &read));
    EXPECT_EQ(read.target, "C:\\Program Files (x86)\\Guide\\index.htm");
    EXPECT_EQ(read.iconPath, "C:\\Program Files (x86)\\Guide\\guide.ico");
    EXPECT_EQ(read.iconIndex, 0);
    EXPECT_FALSE(e2e::ReadShortcut(package.Path("missing.lnk"), &read));
}

} // namespace
