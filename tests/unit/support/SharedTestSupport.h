// Pieces shared by the shared-component tests: a throw-away package tree
// with the installer's folder "setup" made current, a document with a script
// written in place, the maker's registry keys cleaned away afterwards, and the
// self-registering test libraries.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "FileTree.h"
#include "TestSupport.h"
#include "app/TarvelApp.h"
#include "app/TarvelDoc.h"
#include "script/ScriptKeys.h"

#include <algorithm>
#include <string>
#include <vector>

#if __has_include("SharedTestLibs.h")
#include "SharedTestLibs.h"
#define HAVE_SHARED_TEST_LIBS 1
#else
// Built by tests/shared_libs; without them the tests that load libraries fail.
#define HAVE_SHARED_TEST_LIBS 0
#define TESTLIB_MARK_ROOT "Software\\TarvelTest\\Registered"
#define TESTLIB_V1001 ""
#define TESTLIB_V1200 ""
#define TESTLIB_V2000 ""
#define TESTLIB_NOVERSION ""
#define TESTLIB_DOTTED ""
#define TESTLIB_FAILREG ""
#endif

namespace shared_test {

const char CAPTION[] = "Shared caption";
const char TEXT_NOT_EXIST[] = "not-exist text";
const char TEXT_OCCURRED[] = "occurred text";
const char TEXT_WRITE[] = "write text";
const char TEXT_COPY[] = "copy text";
const char TEXT_NOSPACE[] = "nospace text";
const char TEXT_CANCEL[] = "cancel text";

using FileTree::Exists;
using FileTree::ReadBytes;
using FileTree::WriteBytes;

// The names of a key's sub-keys, as stored; none when the key is missing.
inline std::vector<std::string> SubKeys(const std::string& path, HKEY root = HKEY_LOCAL_MACHINE)
{
    std::vector<std::string> out;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return out;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        out.push_back(name);
    }
    RegCloseKey(key);
    return out;
}

// Deletes a key with everything below it.
inline void DeleteKeyTree(const std::string& path, HKEY root = HKEY_LOCAL_MACHINE)
{
    for (const std::string& child : SubKeys(path, root))
        DeleteKeyTree(path + "\\" + child, root);
    RegDeleteKeyA(root, path.c_str());
}

inline bool KeyExists(const std::string& path, HKEY root = HKEY_LOCAL_MACHINE)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The text of a REG_SZ value, or "<absent>" when the key or the value is
// missing or of another type.
inline std::string ReadText(const std::string& path, const char* name, HKEY root = HKEY_LOCAL_MACHINE)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<absent>";
    DWORD type = 0;
    DWORD size = 0;
    std::string text = "<absent>";
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        std::string data(size, '\0');
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size)
            == ERROR_SUCCESS) {
            // The stored length counts the terminator.
            EXPECT_TRUE(size > 0 && data[size - 1] == '\0') << name;
            text = data.substr(0, size ? size - 1 : 0);
        }
    }
    RegCloseKey(key);
    return text;
}

// ProgramFilesDir as a test finds it, to put back after pointing it at the
// test's own tree. A run killed inside such a test (a ctest timeout) leaves
// the value pointing at its tree: the folder above "Common Files" is then
// the real one.
inline std::string RealProgramFiles()
{
    const char versionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
    const std::string programFiles = ReadText(versionKey, "ProgramFilesDir");
    if (programFiles.find("\\tarvel-tree-") == std::string::npos)
        return programFiles;
    const std::string common = ReadText(versionKey, "CommonFilesDir");
    return common.substr(0, common.rfind('\\'));
}

inline void CreateKey(const std::string& path)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr))
        << path;
    RegCloseKey(key);
}

// The DWORD value, or -1 when the key or the value is missing.
inline long long ReadDword(const std::string& path, const char* value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    DWORD data = 0, size = sizeof(data), type = 0;
    LONG rc = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_DWORD ? static_cast<long long>(data) : -1;
}

inline void WriteDword(const std::string& path, const char* value, DWORD data)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    RegSetValueExA(key, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
    RegCloseKey(key);
}

// The mark that a test library's DllRegisterServer leaves.
inline std::string MarkKey(const std::string& dllName)
{
    return std::string(TESTLIB_MARK_ROOT) + "\\" + dllName;
}

// A package tree below the temp folder:
//   <root>\setup    the installer's folder, current while the object lives
//   <root>\common   the package's shared files (COMMON_PATH "common")
//   <root>\shared   the shared folder, made by the tests that need it
// and a document whose script names the maker's key by a name of its own,
// whose registry keys, and the test libraries' marks, go afterwards.
class SharedPackage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(IsDBCSLeadByte(0x95)) << "these tests need the ANSI code page 932";
        ResetJournal();
        MakeFolder(Root("setup"));
        MakeFolder(Root("common"));
        ASSERT_TRUE(SetCurrentDirectoryA(Root("setup").c_str()));

        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        company = std::string("TarvelTest_") + info->test_suite_name() + "_" + info->name() + "_"
            + std::to_string(GetCurrentProcessId());
        Set(SEC_INSTALL, KEY_COMPANY_NAME, company);
        Set(SEC_ERROR, KEY_ERR_MES_FILE_NOT_EXIST, TEXT_NOT_EXIST);
        Set(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED, TEXT_OCCURRED);
        Set(SEC_ERROR, KEY_ERR_MES_WRITE_ERROR, TEXT_WRITE);
        Set(SEC_ERROR, KEY_ERR_MES_COPY_ERROR, TEXT_COPY);
        Set(SEC_ERROR, KEY_ERR_MES_NOSPACE, TEXT_NOSPACE);
        Set(SEC_ERROR, KEY_ERR_MES_USER_CANCEL, TEXT_CANCEL);
        doc.Caption = CAPTION;
        doc.SharedSourceFolder = "common";
        doc.SharedFolder = Root("shared\\").c_str();
    }

    void TearDown() override
    {
        ResetSystemCalls();
        doc.Record().Commit();
        ResetJournal();
        DeleteKeyTree("Software\\" + company);
        // The libraries' marks, and the key above them that the first mark made.
        DeleteKeyTree(TESTLIB_MARK_ROOT);
        DeleteKeyTree("Software\\TarvelTest");
    }

    void Set(const char* section, const char* key, const std::string& value)
    {
        SetScriptValue(doc, section, key, value);
    }

    // Names a shared library of the package ("..\common\<name>"), as the
    // settings loader lists it, with its counter record.
    void AddLibrary(const std::string& name, LONG counter = 0)
    {
        CString path = ("..\\common\\" + name).c_str();
        int j = doc.LibraryList.Add(path);
        doc.CounterRecords[j].LibraryPath = path;
        doc.CounterRecords[j].CounterBefore = doc.CounterRecords[j].CounterNow = counter;
        doc.IsSharedComponents = 1;
    }

    std::string Root(const std::string& below) const { return tree.Path() + "\\" + below; }
    std::string CounterKey(const std::string& name) const { return "Software\\" + company + "\\COUNTER\\" + name; }
    std::string CounterParent() const { return "Software\\" + company + "\\COUNTER"; }

    static void MakeFolder(const std::string& path) { FileTree::MakeNewFolder(path); }
    static void CopyIn(const char* from, const std::string& to)
    {
        ASSERT_TRUE(HAVE_SHARED_TEST_LIBS) << "the test libraries are not built: tests/shared_libs is missing";
        ASSERT_TRUE(CopyFileA(from, to.c_str(), FALSE)) << from << " -> " << to;
    }

    // A step as a driver runs it: a failure undoes the run and shows its box.
    int Driven(int result)
    {
        if (!result)
            doc.EndFailedRun();
        return result;
    }
    int Prepare() { return Driven(doc.PrepareSharedFolder()); }
    int CopyShared() { return Driven(doc.CopySharedFiles()); }

    void ExpectOneBox(const char* text)
    {
        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ(text, boxes.Last().Text);
        EXPECT_EQ(CAPTION, boxes.Last().Caption);
    }

    BoxRecorder boxes;
    ScriptFolder tree;
    CTarvelDoc doc;
    std::string company;
};

} // namespace shared_test
