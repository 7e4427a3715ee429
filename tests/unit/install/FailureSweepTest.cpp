// Every call of the seam table that a clean install makes is made to fail,
// one at a time, at each use unlike the ones before it; and the user cancels
// after every item. Each run ends with one box and the machine exactly as it
// was before: files with bytes and attributes, links, keys and values,
// registrations; only three writes the install can do without end in success
// instead. A full-featured package, installed fresh and over an earlier
// installation.
#include <gtest/gtest.h>
#include "TestCommon.h"

#include "FileTree.h"
#include "SharedTestSupport.h"
#include "TestSupport.h"
#include "base/ScopedHandles.h"
#include "base/SystemCalls.h"
#include "app/TarvelApp.h"
#include "app/TarvelDoc.h"
#include "app/TarvelView.h"

#include <shlobj.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

using FileTree::MakeFolder;
using FileTree::WriteBytes;

namespace {

using test_common::kUninstallRoot;

const char HYO[] = "\x95\x5c"; // a double-byte character whose trail byte is a backslash
const char SO[] = "\x83\x5c";
const char VERSION_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion";

// --- the seams, counted and failed on demand --------------------------------------------------

enum Seam { SEAM_CREATE_DIR, SEAM_COPY, SEAM_MOVE, SEAM_ATTRIBUTES, SEAM_PROC, SEAM_CREATE_KEY, SEAM_SET_VALUE, SEAM_LOAD_LIBRARY, SEAM_CO_CREATE, SEAM_CREATE_FILE, SEAM_WRITE, SEAM_READ, SEAM_SEAMS };
const char* const SEAM_NAMES[SEAM_SEAMS] = {"CreateDirectoryA", "CopyFileA", "MoveFileA", "SetFileAttributesA",
                                       "GetProcAddress", "RegCreateKeyExA", "RegSetValueExA", "LoadLibraryExA",
                                       "CoCreateInstance", "CreateFileA", "WriteFile", "ReadFile"};

// Each use of a seam is named by what it works on: a path, a key and value,
// an entry's name; the uses of CoCreateInstance, WriteFile and ReadFile name
// nothing.
struct Faults {
    std::vector<std::string> Uses[SEAM_SEAMS];
    std::map<HKEY, std::string> KeyPaths; // the keys the run created, by handle
    Seam Failing = SEAM_SEAMS;
    int FailAt = 0;
    std::string Held; // the failed use's name: its retries fail too
    bool Slept = false; // a pause came since the last use
};
Faults g_faults;

// Counts a use; true when this use is the one to fail.
bool Fails(Seam seam, const std::string& name = "")
{
    // A retry after a pause for a held file is no use of its own: the file
    // stays held, and the run fails as it did without the retry.
    const bool retry = g_faults.Slept && seam == g_faults.Failing && name == g_faults.Held;
    g_faults.Slept = false;
    if (retry) {
        SetLastError(ERROR_ACCESS_DENIED);
        return true;
    }
    g_faults.Uses[seam].push_back(name);
    if (g_faults.Failing != seam || static_cast<int>(g_faults.Uses[seam].size()) != g_faults.FailAt)
        return false;
    g_faults.Held = name;
    SetLastError(ERROR_ACCESS_DENIED);
    return true;
}

void WINAPI NoPause(DWORD)
{
    g_faults.Slept = true;
}

BOOL WINAPI CountedCreateDirectory(LPCSTR a, LPSECURITY_ATTRIBUTES b)
{
    return Fails(SEAM_CREATE_DIR, a) ? FALSE : CreateDirectoryA(a, b);
}
BOOL WINAPI CountedCopy(LPCSTR a, LPCSTR b, BOOL c) { return Fails(SEAM_COPY, b) ? FALSE : CopyFileA(a, b, c); }
BOOL WINAPI CountedMove(LPCSTR a, LPCSTR b) { return Fails(SEAM_MOVE, a) ? FALSE : MoveFileA(a, b); }
BOOL WINAPI CountedAttributes(LPCSTR a, DWORD b) { return Fails(SEAM_ATTRIBUTES, a) ? FALSE : SetFileAttributesA(a, b); }
FARPROC WINAPI CountedProc(HMODULE a, LPCSTR b)
{
    const std::string name = IS_INTRESOURCE(b) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(b)) : b;
    return Fails(SEAM_PROC, name) ? nullptr : GetProcAddress(a, b);
}
LONG WINAPI CountedCreateKey(HKEY a, LPCSTR b, DWORD c, LPSTR d, DWORD e, REGSAM f, LPSECURITY_ATTRIBUTES g, PHKEY h,
                             LPDWORD i)
{
    const auto parent = g_faults.KeyPaths.find(a);
    const std::string path = parent == g_faults.KeyPaths.end() || parent->second.empty() ? b : parent->second + "\\" + b;
    if (Fails(SEAM_CREATE_KEY, path))
        return ERROR_ACCESS_DENIED;
    const LONG created = RegCreateKeyExA(a, b, c, d, e, f, g, h, i);
    if (created == ERROR_SUCCESS)
        g_faults.KeyPaths[*h] = path;
    return created;
}
LONG WINAPI CountedSetValue(HKEY a, LPCSTR b, DWORD c, DWORD d, const BYTE* e, DWORD f)
{
    const auto key = g_faults.KeyPaths.find(a);
    const std::string name = (key == g_faults.KeyPaths.end() ? "?" : key->second) + "|" + (b ? b : "");
    return Fails(SEAM_SET_VALUE, name) ? ERROR_ACCESS_DENIED : RegSetValueExA(a, b, c, d, e, f);
}
HMODULE WINAPI CountedLoad(LPCSTR a, HANDLE b, DWORD c) { return Fails(SEAM_LOAD_LIBRARY, a) ? nullptr : LoadLibraryExA(a, b, c); }
HRESULT WINAPI CountedCoCreate(REFCLSID a, LPUNKNOWN b, DWORD c, REFIID d, LPVOID* e)
{
    return Fails(SEAM_CO_CREATE) ? E_FAIL : CoCreateInstance(a, b, c, d, e);
}
HANDLE WINAPI CountedCreateFile(LPCSTR a, DWORD b, DWORD c, LPSECURITY_ATTRIBUTES d, DWORD e, DWORD f, HANDLE g)
{
    if (Fails(SEAM_CREATE_FILE, a)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileA(a, b, c, d, e, f, g);
}
BOOL WINAPI CountedWrite(HANDLE a, LPCVOID b, DWORD c, LPDWORD d, LPOVERLAPPED e)
{
    return Fails(SEAM_WRITE) ? FALSE : WriteFile(a, b, c, d, e);
}
BOOL WINAPI CountedRead(HANDLE a, LPVOID b, DWORD c, LPDWORD d, LPOVERLAPPED e)
{
    return Fails(SEAM_READ) ? FALSE : ReadFile(a, b, c, d, e);
}

// Uses alike but for their numbers (page0001.htm, page0002.htm, ...) fail
// alike: the first of them stands for the rest. A use that names nothing is
// told apart only by its place.
std::string Shape(const std::string& name)
{
    std::string shape;
    for (char c : name) {
        if (!isdigit(static_cast<unsigned char>(c)))
            shape += c;
        else if (shape.empty() || shape.back() != '#')
            shape += '#';
    }
    return shape;
}

void InstallCountedSeams()
{
    SystemCalls& s = Sys();
    s.CreateDirectoryA = CountedCreateDirectory;
    s.CopyFileA = CountedCopy;
    s.MoveFileA = CountedMove;
    s.SetFileAttributesA = CountedAttributes;
    s.GetProcAddress = CountedProc;
    s.RegCreateKeyExA = CountedCreateKey;
    s.RegSetValueExA = CountedSetValue;
    s.LoadLibraryExA = CountedLoad;
    s.CoCreateInstance = CountedCoCreate;
    s.CreateFileA = CountedCreateFile;
    s.WriteFile = CountedWrite;
    s.ReadFile = CountedRead;
    s.Sleep = NoPause;
}

// --- the registry below a key, as text ---------------------------------------------------------

// Children are opened below their parent's handle: the ANSI calls take at
// most MAX_PATH for a whole path, and a long counter name goes past it.
void DumpKey(HKEY parent, const std::string& name, const std::string& path, std::map<std::string, std::string>& out)
{
    ScopedRegKey key;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return;
    out["key " + path] = "";
    for (DWORD i = 0;; ++i) {
        char value[1024];
        DWORD valueLength = sizeof(value);
        BYTE data[4096];
        DWORD size = sizeof(data);
        DWORD type = 0;
        if (RegEnumValueA(key.Get(), i, value, &valueLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        out["value " + path + "\\" + value] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
    }
    std::vector<std::string> children;
    for (DWORD i = 0;; ++i) {
        char child[1024];
        DWORD childLength = sizeof(child);
        if (RegEnumKeyExA(key.Get(), i, child, &childLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.push_back(child);
    }
    for (const std::string& child : children)
        DumpKey(key.Get(), child, path + "\\" + child, out);
}

void DumpKey(const std::string& path, std::map<std::string, std::string>& out)
{
    DumpKey(HKEY_LOCAL_MACHINE, path, path, out);
}

std::string Diff(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& after)
{
    std::string text;
    for (const auto& item : before) {
        auto found = after.find(item.first);
        if (found == after.end())
            text += "  gone: " + item.first + "\n";
        else if (found->second != item.second)
            text += "  changed: " + item.first + "\n";
    }
    for (const auto& item : after)
        if (!before.count(item.first))
            text += "  new: " + item.first + "\n";
    return text;
}

// Raises the cancel request at the n-th progress update, as a user closing
// the status window would.
class CancellingView : public CTarvelView {
public:
    CancellingView() { IsStatusShown = 1; }
    void OnUpdate(CView*, LPARAM, CObject*) override
    {
        if (++Updates == CancelAt)
            StatusDlg.CancelRequest = 1;
    }
    int Updates = 0;
    int CancelAt = 0;
};

} // namespace

class FailureSweepTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(IsDBCSLeadByte(0x95)) << "these tests need the ANSI code page 932";
        const std::string id = std::to_string(GetCurrentProcessId());
        company = "TarvelSweep" + id;
        menuName = "Tarvel Sweep " + id;
        uninstallKey = std::string(kUninstallRoot) + "TarvelSweep" + id;

        char programs[MAX_PATH] = {}, desktop[MAX_PATH] = {};
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAMS, FALSE));
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
        programFolder = std::string(programs) + "\\" + menuName;
        desktopLink = std::string(desktop) + "\\Sweep Guide " + id + ".lnk";

        savedProgramFiles = shared_test::RealProgramFiles();
        machine = tree / "machine";
        MakeFolder(machine);
        SetText(VERSION_KEY, "ProgramFilesDir", machine);
        savedNtFamily = TestApp().IsNtFamily;
        TestApp().IsNtFamily = 0;
        WritePackage(id);
    }

    void TearDown() override
    {
        ResetSystemCalls();
        ResetJournal();
        TestApp().m_lpCmdLine = "";
        TestApp().IsNtFamily = savedNtFamily;
        SetText(VERSION_KEY, "ProgramFilesDir", savedProgramFiles);
        CleanMachine();
    }

    static void SetText(const char* path, const char* name, const std::string& text)
    {
        ScopedRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_SET_VALUE, key.Receive()));
        RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    }

    // Two data folders with double-byte names ending in 0x5C, read-only and
    // writable files, two libraries and shared files, links, two products,
    // every value of the uninstall entry.
    void WritePackage(const std::string& id)
    {
        const std::string guide = tree / "GUIDE";
        MakeFolder(guide);
        MakeFolder(guide + "\\" + SO);
        MakeFolder(guide + "\\" + SO + "\\deep");
        MakeFolder(tree / "MORE");
        MakeFolder(tree / ("MORE\\" + std::string(HYO)));
        MakeFolder(tree / "COMMON");
        MakeFolder(tree / "COMMON\\docs");
        WriteBytes(guide + "\\index.htm", "index");
        WriteBytes(guide + "\\" + SO + "\\" + HYO + ".htm", "hyo");
        WriteBytes(guide + "\\" + SO + "\\deep\\ro.htm", "read-only");
        SetFileAttributesA((guide + "\\" + SO + "\\deep\\ro.htm").c_str(), FILE_ATTRIBUTE_READONLY);
        WriteBytes(guide + "\\settings.ini", "settings");
        SetFileAttributesA((guide + "\\settings.ini").c_str(), FILE_ATTRIBUTE_READONLY);
        WriteBytes(tree / ("MORE\\" + std::string(HYO) + "\\more.htm"), "more");
        WriteBytes(tree / "MORE\\top.htm", "top");
        ASSERT_TRUE(CopyFileA(TESTLIB_V1200, (tree / "COMMON\\tvshared.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(TESTLIB_V1001, (tree / "COMMON\\tvsecond.dll").c_str(), FALSE));
        WriteBytes(tree / "COMMON\\readme.txt", "shared readme");
        WriteBytes(tree / "COMMON\\docs\\manual.txt", "shared manual");
        WriteBytes(tree / "setup\\uninst.exe", "uninstaller");
        WriteBytes(tree / "setup\\guide.ico", "icon");

        const std::string script = std::string("[INSTALL]\r\n")
            + "CAPTION=Sweep\r\nAPPPATH_BASE=\\Maker\\Guide" + HYO + "\r\n"
            + "DATA_PATH=GUIDE\r\nDATA_PATH2=MORE\r\nICON_NAME=guide.ico\r\nWRITE_FILE1=GUIDE\\settings.ini\r\n"
            + "PROGRAM_FOLDER_NAME=" + menuName + "\r\nSHORTCUT_NAME=Sweep Guide " + id + "\r\n"
            + "PRODUCT_KEY_FILE1=index.htm\r\nFLAG_DESKTOP_ICON=TRUE\r\nUNINSTALL_NAME=Sweep Guide\r\n"
            + "PUBLISHER=Sweep Publishing\r\nDISPLAY_VERSION=2.10\r\nURL_INFO_ABOUT=https://sweep.invalid/\r\n"
            + "COMPANY_NAME=" + company + "\r\nPRODUCT_NUM=2\r\n"
            + "PRODUCT_NAME1=Guide\r\nPRODUCT_LANGUAGE1=JPN\r\n"
            + "PRODUCT_NAME2=More\r\nPRODUCT_LANGUAGE2=JPN\r\nPRODUCT_KEY_FILE2=top.htm\r\n"
            + "REG_LIBFILE1=COMMON\\tvshared.dll\r\nREG_LIBFILE2=COMMON\\tvsecond.dll\r\n"
            + "LIBFILEPATH_BASE=Maker\\Common\r\nCOMMON_PATH=COMMON\r\n"
            + "[UNINSTALL]\r\nUNINSTALL_FILE=uninst.exe\r\nUNINSTALL_KEY=" + uninstallKey.substr(sizeof(kUninstallRoot) - 1)
            + "\r\n[ERROR]\r\nERR_MES_FILE_NOT_EXIST=not exist\r\nERR_MES_ERROR_OCCURRED=occurred\r\n"
            + "ERR_MES_WRITE_ERROR=write\r\nERR_MES_COPY_ERROR=copy\r\nERR_MES_NOSPACE=nospace\r\n"
            + "ERR_MES_USER_CANCEL=cancelled\r\n";
        WriteBytes(tree / "setup\\tarvel.eif", script);
    }

    std::string SharedFolder() const { return machine + "\\Maker\\Common"; }
    std::string Destination() const { return machine + "\\Maker\\Guide" + HYO; }

    // Everything that belongs to this test on the machine.
    void CleanMachine()
    {
        FileTree::RemoveTree(machine);
        MakeFolder(machine);
        FileTree::RemoveTree(programFolder);
        RemoveDirectoryA(programFolder.c_str());
        DeleteFileA(desktopLink.c_str());
        shared_test::DeleteKeyTree("Software\\" + company);
        shared_test::DeleteKeyTree(uninstallKey);
        shared_test::DeleteKeyTree(TESTLIB_MARK_ROOT);
    }

    // The machine as the sweep starts each run from: a newer library of
    // another product installed and registered, its counter out of sight;
    // for a re-install, an earlier installation of this package on top.
    void Arrange(bool reinstall, bool newerLibrary = true)
    {
        CleanMachine();
        if (!newerLibrary)
            return;
        MakeFolder(machine + "\\Maker");
        MakeFolder(SharedFolder());
        const std::string newer = SharedFolder() + "\\tvshared.dll";
        ASSERT_TRUE(CopyFileA(TESTLIB_V2000, newer.c_str(), FALSE));
        CTarvelDoc registrar;
        ASSERT_EQ(1, registrar.CallRegistrationEntry(newer.c_str(), TRUE));
        if (reinstall) {
            ResetSystemCalls();
            ASSERT_EQ(EXIT_INSTALLED, Run());
            ASSERT_TRUE(FileTree::Exists(Destination() + "\\setupf.cfn"));
            // An earlier version: some files differ (and are replaced), the
            // others are the same (and stay as they are).
            const std::string readOnly = Destination() + "\\" + SO + "\\deep\\ro.htm";
            SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
            for (const std::string& file : {Destination() + "\\index.htm", readOnly,
                                            Destination() + "\\" + HYO + "\\more.htm", SharedFolder() + "\\readme.txt"})
                WriteBytes(file, "version 1 of " + file);
            SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        }
    }

    std::map<std::string, std::string> State() const
    {
        std::map<std::string, std::string> state;
        for (const auto& item : FileTree::Snapshot(machine))
            state["file " + item.first] = item.second;
        for (const auto& item : FileTree::Snapshot(programFolder))
            state["menu " + item.first] = item.second;
        state["menu folder"] = FileTree::Exists(programFolder) ? "there" : "absent";
        state["desktop link"] = FileTree::ReadBytes(desktopLink);
        DumpKey("Software\\" + company, state);
        DumpKey(uninstallKey, state);
        // A registration is its mark; how often the test library counted a
        // registration is not state (registering an installed library anew,
        // as every install does, rewrites the same entries).
        std::map<std::string, std::string> marks;
        DumpKey(TESTLIB_MARK_ROOT, marks);
        for (const auto& mark : marks)
            if (mark.first.size() < 6 || mark.first.compare(mark.first.size() - 6, 6, "\\Count") != 0)
                state[mark.first] = mark.second;
        return state;
    }

    // One start of the installer in silent mode; its exit code.
    int Run(CancellingView* cancelling = nullptr)
    {
        ResetJournal();
        if (!cancelling)
            return RunSilentSetup();
        // The status window's run: the same steps as the silent one, with a
        // progress view that the user can cancel.
        CTarvelDoc doc;
        doc.AddView(cancelling);
        if (!doc.LoadScript())
            return EXIT_FAILED_BEFORE_COPY;
        if (doc.PrepareInstall(FALSE) == -1)
            return EXIT_FAILED_BEFORE_COPY;
        if (doc.RunInstall())
            return EXIT_INSTALLED;
        return doc.IsUserCancel ? EXIT_CANCELLED_INSTALL : EXIT_FAILED_INSTALL;
    }

    // The only uses that may fail without failing the install: the uninstall
    // entry's InstallLocation (a help to tools that read it), the product
    // keys, the look-up of the free-space call, which has a fallback, and the
    // attributes of what is kept aside (a folder that is not hidden, a kept
    // file that stays after a successful run).
    bool MayFail(Seam seam, const std::string& name) const
    {
        const std::string products = "Software\\" + company + "\\";
        const bool productKey = name.rfind(products + "Guide\\JPN", 0) == 0 || name.rfind(products + "More\\JPN", 0) == 0;
        return (seam == SEAM_SET_VALUE && name == uninstallKey + "|InstallLocation")
            || ((seam == SEAM_CREATE_KEY || seam == SEAM_SET_VALUE) && productKey)
            || (seam == SEAM_PROC && name == "GetDiskFreeSpaceExA")
            || (seam == SEAM_ATTRIBUTES && name.find("~TarvelKept.") != std::string::npos);
    }

    // One silent run with every use of the seams counted in g_faults, the
    // `use`-th use of `seam` failing (none by default); its exit code.
    int RunCounted(Seam seam = SEAM_SEAMS, int use = 0)
    {
        g_faults = Faults();
        g_faults.Failing = seam;
        g_faults.FailAt = use;
        InstallCountedSeams();
        const int exitCode = Run();
        ResetSystemCalls();
        return exitCode;
    }

    // One run with one use of one seam failing; the machine must not change.
    void ExpectFailureUndone(Seam seam, int use)
    {
        const auto before = State();
        BoxRecorder boxes;
        EXPECT_EQ(EXIT_FAILED_INSTALL, RunCounted(seam, use));
        EXPECT_EQ(1u, boxes.Count());
        EXPECT_EQ("", Diff(before, State()));
    }

    // Fails every use of every seam in turn, but for uses alike; returns
    // the number of runs.
    int SweepFailures(bool reinstall)
    {
        Arrange(reinstall);
        EXPECT_EQ(EXIT_INSTALLED, RunCounted());
        const Faults clean = g_faults;

        int runs = 0;
        for (int seam = 0; seam < SEAM_SEAMS; ++seam) {
            std::set<std::string> shapes;
            for (size_t k = 1; k <= clean.Uses[seam].size(); ++k) {
                const std::string& name = clean.Uses[seam][k - 1];
                if (!name.empty() && !shapes.insert(Shape(name)).second)
                    continue;
                SCOPED_TRACE(std::string(SEAM_NAMES[seam]) + " fails at use " + std::to_string(k) + " (" + name + ")"
                             + (reinstall ? " (re-install)" : " (fresh)"));
                Arrange(reinstall);
                const auto before = State();
                BoxRecorder boxes;
                const int exitCode = RunCounted(static_cast<Seam>(seam), static_cast<int>(k));
                ++runs;
                if (MayFail(static_cast<Seam>(seam), name)) {
                    EXPECT_EQ(EXIT_INSTALLED, exitCode);
                    EXPECT_EQ(0u, boxes.Count());
                    continue;
                }
                EXPECT_TRUE(exitCode == EXIT_FAILED_BEFORE_COPY || exitCode == EXIT_FAILED_INSTALL) << exitCode;
                EXPECT_EQ(1u, boxes.Count());
                const std::string changes = Diff(before, State());
                EXPECT_EQ("", changes);
                if (!changes.empty() || boxes.Count() != 1)
                    return runs; // one broken point is enough to read
            }
        }
        return runs;
    }

    // Cancels after every progress update a clean run makes but its last,
    // which shows the finished install.
    int SweepCancels(bool reinstall)
    {
        Arrange(reinstall);
        CancellingView counting;
        EXPECT_EQ(EXIT_INSTALLED, Run(&counting));
        const int updates = counting.Updates;
        EXPECT_GT(updates, 10);

        for (int n = 1; n < updates; ++n) {
            SCOPED_TRACE("cancel at update " + std::to_string(n) + (reinstall ? " (re-install)" : " (fresh)"));
            Arrange(reinstall);
            const auto before = State();
            BoxRecorder boxes;
            CancellingView view;
            view.CancelAt = n;
            EXPECT_EQ(EXIT_CANCELLED_INSTALL, Run(&view));
            EXPECT_EQ(1u, boxes.Count());
            if (boxes.Count() > 0) {
                EXPECT_EQ("cancelled", boxes.Last().Text);
            }
            const std::string changes = Diff(before, State());
            EXPECT_EQ("", changes);
            if (!changes.empty())
                return n;
        }
        return updates - 1;
    }

    FileTree::TempTree tree{"setup"};
    std::string machine;
    std::string company;
    std::string menuName;
    std::string programFolder;
    std::string desktopLink;
    std::string uninstallKey;
    std::string savedProgramFiles;
    int savedNtFamily = 0;
};

TEST_F(FailureSweepTest, EveryFailingCallOfAFreshInstallLeavesTheMachineAsItWas)
{
    const int runs = SweepFailures(false);
    std::printf("failure points run: %d\n", runs);
    EXPECT_GT(runs, 40);
    RecordProperty("failure_points", runs);
}

TEST_F(FailureSweepTest, EveryFailingCallOfAReinstallLeavesTheEarlierInstallation)
{
    const int runs = SweepFailures(true);
    std::printf("failure points run: %d\n", runs);
    EXPECT_GT(runs, 40);
    RecordProperty("failure_points", runs);
}

TEST_F(FailureSweepTest, ACancelAfterAnyItemOfAFreshInstallLeavesTheMachineAsItWas)
{
    const int runs = SweepCancels(false);
    std::printf("cancel points run: %d\n", runs);
    RecordProperty("cancel_points", runs);
}

TEST_F(FailureSweepTest, ACancelAfterAnyItemOfAReinstallLeavesTheEarlierInstallation)
{
    const int runs = SweepCancels(true);
    std::printf("cancel points run: %d\n", runs);
    RecordProperty("cancel_points", runs);
}

// The log is written after the shared copy: a failed write takes away the
// shared files and every level of the shared folder that the run made.
TEST_F(FailureSweepTest, FailedLogWriteTakesTheSharedFilesAndLevelsItMade)
{
    Arrange(false, false);
    ExpectFailureUndone(SEAM_WRITE, 1);
    EXPECT_FALSE(FileTree::Exists(machine + "\\Maker"));
}

// Another product's counter whose name fills 250 bytes or more: a failed
// install does not take itself for the maker's last user and leaves that
// counter, its key and the shared files alone.
TEST_F(FailureSweepTest, LongCounterNameOfAnotherProductSurvivesAFailedInstall)
{
    Arrange(false);
    const std::string longName(250, 'n');
    const std::string counters = "Software\\" + company + "\\COUNTER";
    {
        // Made below its parent: the ANSI calls take at most MAX_PATH for a whole path.
        ScopedRegKey parent, key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, counters.c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, parent.Receive(), nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(parent.Get(), longName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, key.Receive(), nullptr));
        const DWORD one = 1;
        RegSetValueExA(key.Get(), "SRCHCOUNTER", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
    }
    WriteBytes(SharedFolder() + "\\readme.txt", "another product's readme");

    const std::string longKey = "key " + counters + "\\" + longName;
    ASSERT_EQ(1u, State().count(longKey));

    // The log write, and the first product key, come after the counters were raised.
    ExpectFailureUndone(SEAM_WRITE, 1);
    ExpectFailureUndone(SEAM_CREATE_KEY, 3);
    EXPECT_EQ(1u, State().count(longKey));
}
