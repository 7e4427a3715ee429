// Shared libraries end to end: the real installer puts the maker's library
// into the shared folder, registers it and counts the product as one of its
// users; a re-install does not count twice; an installed library is never
// replaced by an older or equal one; and every failure or cancel after the
// shared copy takes back what the run did to counters, registrations and
// shared files, as far as no other product still counts on them.
#include "InstallSupport.h"
#include "TestCommon.h"
#include "MachineState.h"
#include "Text.h"
#include "UninstallSupport.h"

// Generated beside the test libraries; the e2e include folder is its sibling.
#include "SharedTestLibs.h"

#include <shlobj.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using e2e::InstallerTest;

constexpr DWORD kTimeoutMs = 60000;
const char kLibrary[] = "tvshared.dll";
const char kFailingLibrary[] = "tvfailreg.dll";
const char kDependentLibrary[] = "tvneedsdep.dll";
const char kProduct[] = "Guide";
const char kLanguage[] = "JPN";
// Appended to a library that "another product" installed, so that its bytes
// tell whether the install kept or replaced it; the loader ignores the tail.
const char kInstalledBefore[] = "\r\ninstalled by another product\r\n";

std::wstring W(const std::string& utf8) { return dlg::WideFromUtf8(utf8); }

// Registry writes in the 32-bit view, where the installer reads.
bool WriteDword(const std::string& subKey, const char* name, DWORD value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(subKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    LONG rc = name ? RegSetValueExW(key, W(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                    sizeof value)
                   : ERROR_SUCCESS;
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool CreateKey(const std::string& subKey) { return WriteDword(subKey, nullptr, 0); }

std::string MarkKey(const std::string& library) { return std::string(TESTLIB_MARK_ROOT) + "\\" + library; }

// The path DllRegisterServer recorded, empty when the library is not registered.
std::string RegisteredPath(const std::string& library)
{
    std::string path;
    e2e::ReadRegString(HKEY_LOCAL_MACHINE, MarkKey(library), "Path", &path);
    return path;
}

bool SamePath(const std::string& a, const std::string& b)
{
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, W(a).c_str(), -1, W(b).c_str(), -1) == CSTR_EQUAL;
}

// --- the package ----------------------------------------------------------------------

// A guide package that carries the maker's library in Common\ beside a text file
// and a sub-folder; the guide goes to <program files>\<unique>\Guide and the
// shared files to <program files>\<unique>\Lib, two levels this run creates.
class SharedPackage : public InstallerTest {
protected:
    SharedPackage()
        : tag_(std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial_))
    {
    }

    void SetUp() override
    {
        InstallerTest::SetUp();
        programFiles = e2e::ProgramFilesDir();
        ASSERT_FALSE(programFiles.empty());
        programs = e2e::CommonProgramsFolder();
        ASSERT_FALSE(programs.empty());
        company = "TarvelE2E Maker " + tag_;
        menuName = "TarvelE2E Shared " + tag_;
        uninstallKey = std::string(test_common::kUninstallRoot) + "TarvelE2E Shared " + tag_;
        guideTop = programFiles + "\\TarvelE2E-SharedGuide-" + tag_;
        sharedTop = programFiles + "\\TarvelE2E-SharedLib-" + tag_;
        sharedFolder = sharedTop + "\\Lib";
        CleanUp();

        for (const char* built : {TESTLIB_V1001, TESTLIB_V1200, TESTLIB_V2000, TESTLIB_NOVERSION, TESTLIB_FAILREG})
            ASSERT_TRUE(e2e::Exists(built)) << "test library not built: " << built;
        ASSERT_TRUE(package.CopyInstaller());
        ASSERT_TRUE(package.CopyUninstaller("setup\\uninst.exe"));
        ASSERT_TRUE(package.Write("setup\\guide.ico", "icon"));
        ASSERT_TRUE(package.Write("GUIDE\\index.htm", "<html>guide</html>"));
        ASSERT_TRUE(package.Write("Common\\readme.txt", "shared readme"));
        ASSERT_TRUE(package.Write("Common\\data\\words.txt", "shared words"));
        PackLibrary(TESTLIB_V1200);
    }

    void TearDown() override
    {
        CleanUp();
        InstallerTest::TearDown();
    }

    // Everything a run may leave outside the package folder.
    void CleanUp()
    {
        e2e::RemoveTree(guideTop);
        e2e::RemoveTree(sharedTop);
        DeleteFileW(W(MenuFolder()).c_str()); // the blocking file of the rollback tests
        e2e::RemoveTree(MenuFolder());
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, "Software\\" + company);
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, uninstallKey);
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, MarkKey(kLibrary));
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, MarkKey(kFailingLibrary));
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, MarkKey(kDependentLibrary));
    }

    void PackLibrary(const char* built, const char* name = kLibrary)
    {
        ASSERT_TRUE(package.Write(std::string("Common\\") + name, e2e::ReadFileBytes(built)));
    }

    // REG_LIBFILE1.. from `libraries`, each below Common\; `more` goes into [INSTALL].
    void WriteScript(const std::vector<std::string>& libraries = {kLibrary}, const std::string& more = "")
    {
        std::string libraryKeys;
        for (size_t i = 0; i < libraries.size(); ++i)
            libraryKeys += "REG_LIBFILE" + std::to_string(i + 1) + "=Common\\" + libraries[i] + "\n";
        ASSERT_TRUE(package.WriteScript(
            "[INSTALL]\n"
            "CAPTION=" + std::string(e2e::texts::kCaption) + "\n"
            "APPPATH_BASE=" + guideTop.substr(programFiles.size() + 1) + "\\Guide\n"
            "DATA_PATH=GUIDE\n"
            "ICON_NAME=guide.ico\n"
            "MSG_COPY_FILE=ファイルをコピーしています。\n"
            "PROGRAM_FOLDER_NAME=" + menuName + "\n"
            "SHORTCUT_NAME=Guide\n"
            "PRODUCT_KEY_FILE1=index.htm\n"
            "PRODUCT_NUM=1\n"
            "PRODUCT_NAME1=" + kProduct + "\n"
            "PRODUCT_LANGUAGE1=" + kLanguage + "\n"
            "COMPANY_NAME=" + company + "\n"
            "UNINSTALL_NAME=TarvelE2E Shared\n"
            + libraryKeys + more +
            "LIBFILEPATH_BASE=" + sharedFolder.substr(programFiles.size() + 1) + "\n"
            "COMMON_PATH=Common\n"
            "[UNINSTALL]\n"
            "UNINSTALL_FILE=uninst.exe\n"
            "UNINSTALL_KEY=" + uninstallKey.substr(uninstallKey.rfind('\\') + 1) + "\n"
            "[ERROR]\n"
            "ERR_MES_FILE_NOT_EXIST=" + e2e::texts::kFileNotExist + "\n"
            "ERR_MES_ERROR_OCCURRED=" + e2e::texts::kErrorOccurred + "\n"
            "ERR_MES_WRITE_ERROR=" + e2e::texts::kWriteError + "\n"
            "ERR_MES_COPY_ERROR=" + e2e::texts::kCopyError + "\n"
            "ERR_MES_NOSPACE=" + e2e::texts::kNoSpace + "\n"
            "ERR_MES_USER_CANCEL=" + e2e::texts::kUserCancel + "\n"));
    }

    std::string MenuFolder() const { return programs + "\\" + menuName; }
    std::string CounterRoot() const { return "Software\\" + company + "\\COUNTER"; }
    std::string CounterKey(const std::string& library = kLibrary) const { return CounterRoot() + "\\" + library; }
    std::string ProductKey() const { return "Software\\" + company + "\\" + kProduct + "\\" + kLanguage; }
    std::string SharedLibrary(const std::string& name = kLibrary) const { return sharedFolder + "\\" + name; }

    // The counter as stored; -1 when the key or the value is missing.
    long Counter(const std::string& library = kLibrary) const
    {
        DWORD value = 0;
        return e2e::ReadRegDword(HKEY_LOCAL_MACHINE, CounterKey(library), "SRCHCOUNTER", &value)
            ? static_cast<long>(value)
            : -1;
    }
    bool SetCounter(DWORD value, const std::string& library = kLibrary) const
    {
        return WriteDword(CounterKey(library), "SRCHCOUNTER", value);
    }

    // A library another product installed into the shared folder earlier.
    void InstallBefore(const char* built)
    {
        installedBefore_ = e2e::ReadFileBytes(built) + kInstalledBefore;
        ASSERT_TRUE(e2e::WriteFileBytes(SharedLibrary(), installedBefore_));
    }

    // Which library lies in the shared folder now, in words (the bytes of a
    // library make unreadable failure messages).
    std::string LibraryNow() const
    {
        if (!e2e::Exists(SharedLibrary()))
            return "missing";
        const std::string bytes = e2e::ReadFileBytes(SharedLibrary());
        if (!installedBefore_.empty() && bytes == installedBefore_)
            return kKept;
        const std::pair<const char*, const char*> builds[] = {
            {"1.0.0.1", TESTLIB_V1001}, {"1.2.0.0", TESTLIB_V1200}, {"2.0.0.0", TESTLIB_V2000},
            {"without version", TESTLIB_NOVERSION}};
        for (const auto& build : builds)
            if (bytes == e2e::ReadFileBytes(build.second))
                return build.first;
        return "unknown bytes";
    }
    static constexpr const char* kKept = "the one installed before";

    // A file where the Start-menu folder must go: the install fails after the
    // shared libraries were registered and counted.
    void BlockTheMenuFolder() { ASSERT_TRUE(e2e::WriteFileBytes(MenuFolder(), "not a folder")); }

    dlg::RunResult Install() const { return package.Run("/PSM"); }

    void ExpectInstalled(const dlg::RunResult& run) const
    {
        ASSERT_TRUE(run.ended) << e2e::Describe(run);
        EXPECT_EQ(run.windows.size(), 0u) << e2e::Describe(run);
        EXPECT_EQ(run.exitCode, e2e::kInstalled) << e2e::Describe(run);
        EXPECT_TRUE(e2e::Exists(guideTop + "\\Guide\\index.htm"));
    }

    // One ERR_MES_ERROR_OCCURRED box, exit code 4, the guide's copy undone.
    void ExpectFailedAndUndone(const dlg::RunResult& run) const
    {
        e2e::ExpectOneBox(run, e2e::texts::kErrorOccurred);
        EXPECT_EQ(run.exitCode, e2e::kFailedDuringInstall) << e2e::Describe(run);
        EXPECT_FALSE(e2e::Exists(guideTop)) << "the guide's copy was not undone";
        EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, uninstallKey));
    }

    // The library in place and registered from there.
    void ExpectRegisteredInTheSharedFolder(const std::string& name = kLibrary) const
    {
        EXPECT_TRUE(e2e::Exists(SharedLibrary(name)));
        const std::string registered = RegisteredPath(name);
        EXPECT_TRUE(SamePath(registered, SharedLibrary(name)))
            << "registered: \"" << registered << "\", expected " << SharedLibrary(name);
    }

    std::string programFiles, programs, company, menuName, uninstallKey;
    std::string guideTop, sharedTop, sharedFolder;

private:
    std::string tag_;
    std::string installedBefore_;
    static int serial_;
};

int SharedPackage::serial_ = 0;

// --- a product's installs ------------------------------------------------------------

TEST_F(SharedPackage, FirstInstallCopiesRegistersAndCountsTheLibrary)
{
    WriteScript();
    ExpectInstalled(Install());

    EXPECT_EQ(e2e::ListTree(sharedFolder),
              (std::vector<std::string>{"data\\", "data\\words.txt", "readme.txt", kLibrary}));
    EXPECT_EQ(LibraryNow(), "1.2.0.0");
    ExpectRegisteredInTheSharedFolder();
    EXPECT_EQ(Counter(), 1);
    EXPECT_TRUE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, ProductKey())) << "the product is recorded as installed";

    // The same package again: the product is installed and counted already.
    ExpectInstalled(Install());
    EXPECT_EQ(Counter(), 1) << "a re-install counted the product twice";
    ExpectRegisteredInTheSharedFolder();
}

// The programs keep bare-name loads to System32; registration still loads
// the library by its full path so that what it imports comes from its own
// folder, as the maker placed it, in the install and in the uninstall.
TEST_F(SharedPackage, LibraryFindsWhatItImportsBesideIt)
{
    PackLibrary(TESTLIB_NEEDSDEP, kDependentLibrary);
    PackLibrary(TESTLIB_DEP, "tvdep.dll");
    WriteScript({kDependentLibrary});
    ExpectInstalled(Install());
    ExpectRegisteredInTheSharedFolder(kDependentLibrary);

    EXPECT_EQ(e2e::RunUninstaller(guideTop + "\\Guide", "/PSM").exitCode, e2e::kRemoved);
    EXPECT_EQ(RegisteredPath(kDependentLibrary), "") << "the uninstall did not unregister it";
}

struct Reinstall {
    const char* name;
    long before; // -1: no counter key
    long after;
};

void PrintTo(const Reinstall& param, std::ostream* os) { *os << param.name; }

class ReinstalledProduct : public SharedPackage, public ::testing::WithParamInterface<Reinstall> {};

// The product key says the product is installed; only a counter that was lost
// or is 0 counts it in again.
TEST_P(ReinstalledProduct, CountsTheProductOnlyWhenItsCounterIsGone)
{
    ASSERT_TRUE(CreateKey(ProductKey()));
    if (GetParam().before >= 0) {
        ASSERT_TRUE(SetCounter(static_cast<DWORD>(GetParam().before)));
    }
    WriteScript();

    ExpectInstalled(Install());
    EXPECT_EQ(Counter(), GetParam().after);
    ExpectRegisteredInTheSharedFolder();
}

INSTANTIATE_TEST_SUITE_P(Counter, ReinstalledProduct,
                         ::testing::Values(Reinstall{"AtTwoStaysTwo", 2, 2}, Reinstall{"MissingBecomesOne", -1, 1},
                                           Reinstall{"ZeroBecomesOne", 0, 1}),
                         [](const ::testing::TestParamInfo<Reinstall>& info) { return info.param.name; });

// --- a library that is installed already -------------------------------------------------

struct InstalledVersion {
    const char* name;
    const char* built;
    bool replaced;
};

void PrintTo(const InstalledVersion& param, std::ostream* os) { *os << param.name; }

class InstalledLibrary : public SharedPackage, public ::testing::WithParamInterface<InstalledVersion> {};

// The package brings version 1.2.0.0.
TEST_P(InstalledLibrary, OnlyAnOlderOneIsReplacedAndEitherIsRegistered)
{
    InstallBefore(GetParam().built);
    WriteScript();

    ExpectInstalled(Install());
    EXPECT_EQ(LibraryNow(), GetParam().replaced ? "1.2.0.0" : kKept);
    ExpectRegisteredInTheSharedFolder();
    EXPECT_EQ(Counter(), 1);
}

INSTANTIATE_TEST_SUITE_P(Version, InstalledLibrary,
                         ::testing::Values(InstalledVersion{"Older", TESTLIB_V1001, true},
                                           InstalledVersion{"Equal", TESTLIB_V1200, false},
                                           InstalledVersion{"Newer", TESTLIB_V2000, false}),
                         [](const ::testing::TestParamInfo<InstalledVersion>& info) { return info.param.name; });

// Versions that cannot be compared stop the install: the guide's and the
// shared copy are taken back, the installed library stays as it was.
TEST_F(SharedPackage, LibraryWithoutVersionWhereOneIsInstalledStopsTheInstall)
{
    PackLibrary(TESTLIB_NOVERSION);
    InstallBefore(TESTLIB_V1200);
    WriteScript();

    ExpectFailedAndUndone(Install());
    EXPECT_EQ(e2e::ListTree(sharedFolder), std::vector<std::string>{kLibrary}) << "the shared copy was not undone";
    EXPECT_EQ(LibraryNow(), kKept);
    EXPECT_EQ(RegisteredPath(kLibrary), "");
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, CounterRoot()));
}

// Two libraries, the second one's DllRegisterServer fails: nothing is counted,
// whatever was registered is unregistered, and the shared files and the
// folders made for them are gone.
TEST_F(SharedPackage, LibraryWhoseRegistrationFailsUndoesTheSharedInstall)
{
    PackLibrary(TESTLIB_FAILREG, kFailingLibrary);
    WriteScript({kLibrary, kFailingLibrary});

    ExpectFailedAndUndone(Install());
    EXPECT_FALSE(e2e::Exists(sharedTop)) << "left behind: " << sharedTop;
    EXPECT_EQ(RegisteredPath(kLibrary), "");
    EXPECT_EQ(RegisteredPath(kFailingLibrary), "");
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, CounterRoot()));
}

// --- failures after the counters were raised --------------------------------------------------

// The Start-menu folder cannot be made: the step after the counting fails.
TEST_F(SharedPackage, FailureAfterCountingPutsAnotherProductsCounterBack)
{
    InstallBefore(TESTLIB_V1200);
    ASSERT_TRUE(SetCounter(3));
    BlockTheMenuFolder();
    WriteScript();

    ExpectFailedAndUndone(Install());
    EXPECT_EQ(Counter(), 3);
    // The other products still use it: it stays, and stays registered.
    EXPECT_EQ(LibraryNow(), kKept);
    ExpectRegisteredInTheSharedFolder();

    // Without the obstacle the same run counts the product: the 3 above was
    // a 4 put back, not a count that never happened.
    ASSERT_TRUE(DeleteFileW(W(MenuFolder()).c_str()));
    ExpectInstalled(Install());
    EXPECT_EQ(Counter(), 4);
}

TEST_F(SharedPackage, FailureOfTheOnlyUserTakesAwayEverythingShared)
{
    BlockTheMenuFolder();
    WriteScript();

    ExpectFailedAndUndone(Install());
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, CounterRoot()));
    EXPECT_EQ(RegisteredPath(kLibrary), "") << "the library was not unregistered";
    EXPECT_FALSE(e2e::Exists(sharedTop)) << "left behind: " << sharedTop;
    EXPECT_FALSE(e2e::IsFolder(MenuFolder()));
}

// A failed re-install by the library's only user: the earlier installation
// of the product still uses the library, which keeps its count, its file and
// its registration.
TEST_F(SharedPackage, FailedReinstallOfTheOnlyUserKeepsTheEarlierInstallationsLibrary)
{
    WriteScript();
    ExpectInstalled(Install());
    ASSERT_EQ(Counter(), 1);
    e2e::RemoveTree(MenuFolder());
    BlockTheMenuFolder();

    dlg::RunResult run = Install();
    e2e::ExpectOneBox(run, e2e::texts::kErrorOccurred);
    EXPECT_EQ(run.exitCode, e2e::kFailedDuringInstall);
    EXPECT_TRUE(e2e::Exists(guideTop + "\\Guide\\index.htm")) << "the earlier installation was not put back";
    EXPECT_EQ(Counter(), 1);
    EXPECT_EQ(LibraryNow(), "1.2.0.0");
    ExpectRegisteredInTheSharedFolder();
}

// A library that lay in the shared folder before the run, without a counter
// (put there by an installer that did not count, or its counter lost): this
// run did not copy it, so its failure must not take the file away.
TEST_F(SharedPackage, FailureLeavesALibraryThatWasThereBefore)
{
    InstallBefore(TESTLIB_V1200);
    BlockTheMenuFolder();
    WriteScript();

    ExpectFailedAndUndone(Install());
    EXPECT_EQ(LibraryNow(), kKept) << "a library this run did not copy was deleted";
}

// The maker's other library is still counted: this library's counter,
// registration and file go, the COUNTER key and the other shared files stay.
// The maker counts another library: the failed run still takes away every
// shared file it added, as nothing would ever count or remove them.
TEST_F(SharedPackage, FailureTakesItsSharedFilesAwayWhileTheMakerCountsAnotherLibrary)
{
    ASSERT_TRUE(SetCounter(1, "other.dll"));
    BlockTheMenuFolder();
    WriteScript();

    ExpectFailedAndUndone(Install());
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, CounterKey()));
    EXPECT_EQ(Counter("other.dll"), 1);
    EXPECT_EQ(RegisteredPath(kLibrary), "");
    EXPECT_FALSE(e2e::Exists(SharedLibrary()));
    EXPECT_FALSE(e2e::Exists(sharedFolder + "\\readme.txt"));
}

// The shared folder may be the installation folder itself. A name that both
// copies write is then kept aside by the shared copy from under the
// package's copy: a failed run must not leave that copy behind.
TEST_F(SharedPackage, FailureWhereTheSharedFolderIsTheInstallationFolderLeavesNothing)
{
    sharedFolder = guideTop + "\\Guide";
    ASSERT_TRUE(package.Write("GUIDE\\readme.txt", "the guide's readme"));
    BlockTheMenuFolder();
    WriteScript();

    ExpectFailedAndUndone(Install());
    EXPECT_EQ(e2e::ListTree(guideTop), std::vector<std::string>{});
}

// --- a cancel during the shared copy ---------------------------------------------------------

class LargeSharedPackage : public SharedPackage {
protected:
    static constexpr int kSharedFiles = 500;

    void SetUp() override
    {
        SharedPackage::SetUp();
        ASSERT_TRUE(e2e::WriteManyFiles(package, "Common", kSharedFiles));
        WriteScript();
    }
};

TEST_F(LargeSharedPackage, ClosingTheStatusWindowDuringTheSharedCopyUndoesBothCopies)
{
    dlg::Process& installer = StartInstaller("/WD");
    HWND status = e2e::WaitForStatusWindow(installer, kTimeoutMs);
    ASSERT_NE(status, nullptr) << "no status window";

    // The guide's four items are under 1 % of the bar: past 3 % the shared
    // copy is under way.
    const DWORD start = GetTickCount();
    int position = 0;
    while ((position = e2e::ProgressOf(status)) < 3 && installer.IsRunning() && GetTickCount() - start < kTimeoutMs)
        Sleep(1);
    ASSERT_GE(position, 3) << "the shared copy was never seen under way";
    ASSERT_LT(position, 60) << "the copy ran ahead of the test";
    EXPECT_TRUE(e2e::Exists(guideTop + "\\Guide\\index.htm")) << "the guide is copied before the shared files";
    ASSERT_TRUE(dlg::PostClose(status));

    HWND box = e2e::WaitForMessageBox(installer, kTimeoutMs);
    ASSERT_NE(box, nullptr) << "no box; exit code " << installer.ExitCode();
    EXPECT_EQ(dlg::Inspect(box).MessageText(), e2e::texts::kUserCancel);
    // The shared copy undoes itself before it reports; the guide's copy is
    // undone by the caller once the box is closed.
    EXPECT_FALSE(e2e::Exists(sharedTop)) << "left behind: " << sharedTop;
    ASSERT_TRUE(dlg::Click(box, IDOK));
    ASSERT_TRUE(installer.WaitForExit(kTimeoutMs));
    EXPECT_EQ(installer.ExitCode(), e2e::kCancelledDuringInstall);
    EXPECT_FALSE(e2e::Exists(guideTop)) << "left behind: " << guideTop;
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, CounterRoot()));
    EXPECT_EQ(RegisteredPath(kLibrary), "");
}

// Two products of the maker share the library; the uninstaller of each takes
// away one user. After the first the library stays registered for the second;
// after the second the machine is as it was before both installs, the shared
// files and the shared sub-folder gone with the last user.
TEST_F(SharedPackage, TwoProductsSharingALibraryAreUninstalledOneByOne)
{
    // Left out: the installer's profile key (its start-up opens it), the test
    // library's own registration marks (its DllUnregisterServer leaves their
    // parents) and the package folder, whose script the test rewrites.
    const std::string marks = TESTLIB_MARK_ROOT;
    const std::string marksParent = "HKLM\\Software\\Wow6432Node" + marks.substr(8, marks.rfind('\\') - 8);
    const std::string packageRoot = package.Root();
    auto capture = [&] {
        const e2e::MachineState state = e2e::WithoutItemsUnder(e2e::CaptureMachineState(), e2e::kProfileKey);
        return e2e::WithoutItemsUnder(e2e::WithoutItemsUnder(state, marksParent), packageRoot);
    };
    const e2e::MachineState before = capture();

    WriteScript();
    ASSERT_EQ(Install().exitCode, 0u);
    // The second product: its own destination, product key, menu and uninstall key.
    std::string second = e2e::ReadFileBytes(package.Path("setup\\tarvel.eif"));
    for (const std::pair<std::string, std::string>& change :
         {std::pair<std::string, std::string>{"\\Guide\r\n", "2\\Second\r\n"},
          {"PRODUCT_NAME1=" + std::string(kProduct), "PRODUCT_NAME1=Second"},
          {"PROGRAM_FOLDER_NAME=" + menuName, "PROGRAM_FOLDER_NAME=" + menuName + " 2"},
          {"UNINSTALL_KEY=TarvelE2E Shared", "UNINSTALL_KEY=TarvelE2E Second"}}) {
        const size_t at = second.find(change.first);
        ASSERT_NE(at, std::string::npos) << change.first;
        second.replace(at, change.first.size(), change.second);
    }
    ASSERT_TRUE(package.Write("setup\\tarvel.eif", second));
    ASSERT_EQ(Install().exitCode, 0u);
    ASSERT_EQ(Counter(), 2);

    EXPECT_EQ(e2e::RunUninstaller(guideTop + "\\Guide", "/PSM").exitCode, e2e::kRemoved);
    EXPECT_EQ(Counter(), 1);
    EXPECT_TRUE(SamePath(RegisteredPath(kLibrary), SharedLibrary())) << RegisteredPath(kLibrary);
    EXPECT_TRUE(e2e::Exists(guideTop + "2\\Second\\index.htm"));
    EXPECT_FALSE(e2e::Exists(guideTop + "\\Guide"));
    EXPECT_EQ(e2e::ReadFileBytes(sharedFolder + "\\readme.txt"), "shared readme");
    EXPECT_EQ(e2e::ReadFileBytes(sharedFolder + "\\data\\words.txt"), "shared words");

    EXPECT_EQ(e2e::RunUninstaller(guideTop + "2\\Second", "/PSM").exitCode, e2e::kRemoved);
    EXPECT_EQ(RegisteredPath(kLibrary), "");
    EXPECT_EQ(e2e::StateChanges(before, capture()), "");
    e2e::RemoveTree(programs + "\\" + menuName + " 2");
    e2e::RemoveTree(guideTop + "2");
    std::string secondKey = uninstallKey;
    secondKey.replace(secondKey.rfind("Shared"), 6, "Second");
    e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, secondKey);
}

// A shared files log that names a file above the shared folder: the
// uninstaller refuses the whole installation and touches nothing.
TEST_F(SharedPackage, TamperedSharedFilesLogChangesNothing)
{
    WriteScript();
    ASSERT_EQ(Install().exitCode, 0u);
    const std::string victim = sharedTop + "\\victim.txt";
    ASSERT_TRUE(e2e::WriteFileBytes(victim, "not the maker's"));
    const std::string log = guideTop + "\\Guide\\sharedf.cfn";
    std::string text = e2e::DecodeLog(e2e::ReadFileBytes(log));
    ASSERT_NE(text.find("readme.txt? "), std::string::npos) << text;
    // The counter at 1: without the check this uninstall would remove the shared files.
    ASSERT_TRUE(e2e::RewriteLog(log, "..\\victim.txt? " + text));

    const dlg::RunResult run = e2e::RunUninstaller(guideTop + "\\Guide", "/PSM");
    EXPECT_EQ(run.exitCode, e2e::kNothingChanged) << e2e::Describe(run);
    EXPECT_EQ(run.MessageTexts().size(), 1u) << e2e::Describe(run);
    EXPECT_EQ(e2e::ReadFileBytes(victim), "not the maker's");
    EXPECT_TRUE(e2e::Exists(sharedFolder + "\\readme.txt"));
    EXPECT_TRUE(e2e::Exists(guideTop + "\\Guide\\index.htm"));
    EXPECT_EQ(Counter(), 1);
}

} // namespace

// --- what a failed run gives back, whatever was there before ---------------------------------

// Calls a library's DllRegisterServer as another product's installer did.
static bool RegisterAsAnotherProduct(const std::string& path)
{
    HMODULE library = LoadLibraryW(W(path).c_str());
    if (!library)
        return false;
    using Entry = HRESULT(WINAPI*)();
    auto entry = reinterpret_cast<Entry>(GetProcAddress(library, "DllRegisterServer"));
    const bool ok = entry && SUCCEEDED(entry());
    FreeLibrary(library);
    return ok;
}

// Two new libraries, the second one's registration fails, while the maker
// already counts a third: both new libraries, their registrations and their
// counters go; the third one's count stays as it was.
TEST_F(SharedPackage, FailedRegistrationTakesBothNewLibrariesAwayWhileTheMakerCountsAnother)
{
    ASSERT_TRUE(SetCounter(2, "other.dll"));
    PackLibrary(TESTLIB_FAILREG, kFailingLibrary);
    WriteScript({kLibrary, kFailingLibrary});

    ExpectFailedAndUndone(Install());
    EXPECT_FALSE(e2e::Exists(SharedLibrary())) << "the first new library was left behind";
    EXPECT_FALSE(e2e::Exists(SharedLibrary(kFailingLibrary))) << "the failing library was left behind";
    EXPECT_FALSE(e2e::Exists(sharedTop));
    EXPECT_EQ(RegisteredPath(kLibrary), "");
    EXPECT_EQ(RegisteredPath(kFailingLibrary), "");
    EXPECT_EQ(Counter(), -1);
    EXPECT_EQ(Counter(kFailingLibrary), -1);
    EXPECT_EQ(Counter("other.dll"), 2);
}

// A newer library of another product, registered, its counter out of this
// run's sight: a later library's failed registration leaves it registered.
TEST_F(SharedPackage, FailedRegistrationLeavesAnotherProductsNewerLibraryRegistered)
{
    InstallBefore(TESTLIB_V2000);
    ASSERT_TRUE(RegisterAsAnotherProduct(SharedLibrary()));
    PackLibrary(TESTLIB_FAILREG, kFailingLibrary);
    WriteScript({kLibrary, kFailingLibrary});

    ExpectFailedAndUndone(Install());
    EXPECT_EQ(LibraryNow(), kKept);
    ExpectRegisteredInTheSharedFolder();
    EXPECT_FALSE(e2e::Exists(SharedLibrary(kFailingLibrary)));
    EXPECT_EQ(Counter(), -1);
}

// Shared files that the shared copy replaced come back, bytes and
// attributes, when a later step fails.
TEST_F(SharedPackage, FailureAfterTheSharedCopyPutsReplacedSharedFilesBack)
{
    ASSERT_TRUE(e2e::WriteFileBytes(sharedFolder + "\\readme.txt", "another product's readme"));
    ASSERT_TRUE(SetFileAttributesW(W(sharedFolder + "\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    const std::vector<e2e::TreeItem> before = e2e::Snapshot(sharedTop);
    BlockTheMenuFolder();
    WriteScript();

    ExpectFailedAndUndone(Install());
    EXPECT_EQ(e2e::TreeChanges(before, e2e::Snapshot(sharedTop)), "");
}

// A Start-menu folder that was there, empty, before the run is not the run's
// to remove when it fails after making its link there.
TEST_F(SharedPackage, FailureAfterTheMenuLinkKeepsAStartMenuFolderThatWasThere)
{
    ASSERT_TRUE(CreateDirectoryW(W(MenuFolder()).c_str(), nullptr));
    char desktop[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_COMMON_DESKTOPDIRECTORY, FALSE));
    // A folder where the desktop link must go: the step after the menu link fails.
    const std::string blocker = std::string(desktop) + "\\Guide.lnk";
    DeleteFileA(blocker.c_str()); // a link another test of a "Guide" left there
    ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), nullptr));
    WriteScript({kLibrary}, "FLAG_DESKTOP_ICON=TRUE\n");

    dlg::RunResult run = Install();
    RemoveDirectoryA(blocker.c_str());
    ExpectFailedAndUndone(run);
    EXPECT_TRUE(e2e::IsFolder(MenuFolder())) << "the folder that was there before was removed";
    EXPECT_EQ(e2e::ListTree(MenuFolder()), std::vector<std::string>{});
}

// --- one product installed in two folders ------------------------------------------------

namespace {

class OneProductInTwoFolders : public SharedPackage {
protected:
    void SetUp() override
    {
        SharedPackage::SetUp();
        WriteScript();
        ASSERT_EQ(Install().exitCode, 0u);
        // The same package, the same product, into a second folder.
        std::string script = e2e::ReadFileBytes(package.Path("setup\\tarvel.eif"));
        const size_t at = script.find("\\Guide\r\n");
        ASSERT_NE(at, std::string::npos);
        script.replace(at, 8, "2\\Guide\r\n");
        ASSERT_TRUE(package.Write("setup\\tarvel.eif", script));
        ASSERT_EQ(Install().exitCode, 0u);
        ASSERT_TRUE(e2e::Exists(Second() + "\\index.htm"));
    }

    void TearDown() override
    {
        e2e::RemoveTree(guideTop + "2");
        SharedPackage::TearDown();
    }

    std::string First() const { return guideTop + "\\Guide"; }
    std::string Second() const { return guideTop + "2\\Guide"; }

    // The library stays for the second installation, in place, registered
    // and counted; the second uninstall then takes it away.
    void ExpectTheLibraryFollowsTheSecondInstallation()
    {
        EXPECT_EQ(e2e::RunUninstaller(First(), "/PSM").exitCode, e2e::kRemoved);
        EXPECT_FALSE(e2e::Exists(First()));
        EXPECT_GE(Counter(), 1) << "the counter of the library the second installation uses went";
        ExpectRegisteredInTheSharedFolder();
        EXPECT_EQ(e2e::ReadFileBytes(sharedFolder + "\\readme.txt"), "shared readme");
        EXPECT_TRUE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, ProductKey()));
        EXPECT_TRUE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, uninstallKey)) << "the second installation's entry went";

        EXPECT_EQ(e2e::RunUninstaller(Second(), "/PSM").exitCode, e2e::kRemoved);
        EXPECT_EQ(Counter(), -1);
        EXPECT_FALSE(e2e::Exists(SharedLibrary()));
        EXPECT_EQ(RegisteredPath(kLibrary), "");
        EXPECT_FALSE(e2e::Exists(sharedTop));
        EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, uninstallKey));
    }
};

TEST_F(OneProductInTwoFolders, CountsTwoUsersAndTheFirstUninstallLeavesTheLibrary)
{
    EXPECT_EQ(Counter(), 2) << "the second folder was not counted";
    ExpectTheLibraryFollowsTheSecondInstallation();
}

// Installs that counted the product once for both folders (as earlier
// versions did): the one count is the installation the product key names.
TEST_F(OneProductInTwoFolders, OneCountForBothIsLeftToTheInstallationTheProductKeyNames)
{
    ASSERT_TRUE(SetCounter(1));
    ExpectTheLibraryFollowsTheSecondInstallation();
}

// A re-install into the folder the product key names is no new user.
TEST_F(OneProductInTwoFolders, AReinstallIntoEitherFolderCountsNoNewUser)
{
    ASSERT_EQ(Counter(), 2);
    ASSERT_EQ(Install().exitCode, 0u); // the second folder again
    EXPECT_EQ(Counter(), 2);
    // The first folder, which the product key no longer names.
    std::string script = e2e::ReadFileBytes(package.Path("setup\\tarvel.eif"));
    script.replace(script.find("2\\Guide\r\n"), 9, "\\Guide\r\n");
    ASSERT_TRUE(package.Write("setup\\tarvel.eif", script));
    ASSERT_EQ(Install().exitCode, 0u);
    EXPECT_EQ(Counter(), 2);
}

} // namespace
