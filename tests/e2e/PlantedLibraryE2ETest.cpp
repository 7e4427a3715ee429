// Libraries planted where a program might look for a system library of that
// name. Wine loads its own built-in libraries whatever lies beside a program;
// told to prefer a native one (a DllOverrides entry "native,builtin", as
// "name=n,b" in WINEDLLOVERRIDES), it looks for it the way Windows does, the
// program's folder first. Under that, the installer's status window loads no
// comctl32.dll from the installer's folder, and the uninstaller's clean-up
// copy no version.dll from the temporary folder.
//
// A version.dll beside a program cannot be tried this way: Wine's own user32
// imports it, so every window program under Wine loads one lying beside it,
// whatever the program does. The programs' import tables cover that case.
#include "InstallSupport.h"
#include "UninstallSupport.h"

#include "SharedTestLibs.h"
#include "Text.h"

#include <string>

namespace {

// A library preferred native for the programs this test starts, and as it
// was again afterwards. Through the prefix's registry, not WINEDLLOVERRIDES:
// Wine 8 takes that from the Unix environment every Wine process inherits,
// which SetEnvironmentVariable does not change; set here, it reached none of
// the programs started. The prefix is this lane's own, and one test runs in
// it at a time.
class NativeFirst {
public:
    explicit NativeFirst(const std::string& library)
        : name_(dlg::WideFromUtf8(library))
    {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                &key_, nullptr)
            != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        wchar_t value[64] = L"";
        DWORD size = sizeof(value) - sizeof(wchar_t);
        DWORD type = 0;
        had_ = RegQueryValueExW(key_, name_.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size)
                == ERROR_SUCCESS
            && type == REG_SZ;
        if (had_)
            saved_ = value;
        Set(L"native,builtin");
    }
    ~NativeFirst()
    {
        if (!key_)
            return;
        if (had_)
            Set(saved_);
        else
            RegDeleteValueW(key_, name_.c_str());
        RegCloseKey(key_);
    }
    NativeFirst(const NativeFirst&) = delete;
    NativeFirst& operator=(const NativeFirst&) = delete;

    bool Ok() const { return key_ != nullptr; }

private:
    static constexpr const wchar_t* kKey = L"Software\\Wine\\DllOverrides";

    void Set(const std::wstring& order)
    {
        RegSetValueExW(key_, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(order.c_str()),
            static_cast<DWORD>((order.size() + 1) * sizeof(wchar_t)));
    }

    std::wstring name_;
    HKEY key_ = nullptr;
    bool had_ = false;
    std::wstring saved_;
};

// The planted library at a path, and its marker: gone again at the end.
class Planted {
public:
    explicit Planted(const std::string& path)
        : path_(path)
    {
        ok_ = e2e::WriteFileBytes(path_, e2e::ReadFileBytes(PLANTED_LIB));
    }
    ~Planted()
    {
        DeleteFileA(Marker().c_str());
        DeleteFileA(path_.c_str());
    }
    Planted(const Planted&) = delete;
    Planted& operator=(const Planted&) = delete;

    bool Ok() const { return ok_; }
    // The programs that loaded it, one a line; empty when none did.
    std::string LoadedBy() const { return e2e::Exists(Marker()) ? e2e::ReadFileBytes(Marker()) : ""; }

private:
    std::string Marker() const { return path_ + ".ran"; }
    std::string path_;
    bool ok_ = false;
};

std::string TempFolder()
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    return temp;
}

class PlantedLibrary : public e2e::GuideFixture {
protected:
    PlantedLibrary()
        : GuideFixture("Planted")
    {
    }
};

// The status window of a half-silent run is the first dialog: the common
// controls are loaded for it.
TEST_F(PlantedLibrary, CommonControlsBesideTheInstallerStayUnloaded)
{
    WriteGuide();
    Planted planted(package.SetupFolder() + "\\comctl32.dll");
    ASSERT_TRUE(planted.Ok());
    dlg::RunResult run;
    {
        NativeFirst comctl32("comctl32");
        ASSERT_TRUE(comctl32.Ok());
        run = package.Run("/WD");
    }
    EXPECT_EQ(planted.LoadedBy(), "") << "the planted comctl32.dll ran in these programs";
    EXPECT_EQ(run.exitCode, e2e::kInstalled) << e2e::Describe(run);
    EXPECT_TRUE(e2e::Exists(Installed() + "\\index.htm"));
}

TEST_F(PlantedLibrary, VersionLibraryInTheTemporaryFolderStaysOutOfTheCleanupCopy)
{
    WriteGuide();
    ASSERT_EQ(package.Run("/PSM").exitCode, e2e::kInstalled);
    Planted planted(TempFolder() + "version.dll");
    ASSERT_TRUE(planted.Ok());
    dlg::RunResult run;
    {
        NativeFirst version("version");
        ASSERT_TRUE(version.Ok());
        run = e2e::RunUninstaller(Installed(), "/PSM");
    }
    EXPECT_EQ(planted.LoadedBy(), "") << "the planted version.dll ran in these programs";
    EXPECT_EQ(run.exitCode, e2e::kRemoved) << e2e::Describe(run);
    EXPECT_FALSE(e2e::Exists(Installed()));
}

} // namespace
