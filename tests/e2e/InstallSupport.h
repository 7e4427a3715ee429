// What the install tests share: the guide package's script, the destination
// below the program-files folder, the decoded uninstall log, snapshots of a
// tree, files held open against the installer, and the host shell for the
// few things only Linux can do (a tiny drive).
#pragma once

#include "E2eSupport.h"

#include <windows.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace e2e {

// The texts of the guide package's script, so tests can name the box they expect.
namespace texts {
constexpr const char* kCaption = "ガイド E2E";
constexpr const char* kFileNotExist = "ファイルが見つかりません。";
constexpr const char* kErrorOccurred = "エラーが発生しました。";
constexpr const char* kWriteError = "フォルダを作成できません。";
constexpr const char* kCopyError = "ファイルをコピーできません。";
constexpr const char* kNoSpace = "ディスクの空き容量が足りません。";
constexpr const char* kUserCancel = "インストールを中止しました。";
} // namespace texts

// Exit codes of tarvel.exe as deployment tools read them.
enum ExitCode : DWORD {
    kInstalled = 0,
    kAnotherInstance = 1,
    kFailedBeforeCopy = 3,
    kFailedDuringInstall = 4,
    kCancelledDuringInstall = 5,
};

struct GuideScript {
    std::string appPathBase;
    std::string dataPath = "GUIDE";
    std::string uninstaller = "uninst.exe";
    std::string icon = "guide.ico";
    std::string keyFile = "index.htm"; // PRODUCT_KEY_FILE1: the shortcuts' target
    std::string extraInstall; // more [INSTALL] lines, each ending in "\n"
};
// Names that the guide script's registration uses; one set per test process.
std::string MenuFolderName();   // its Start-menu folder
std::string UninstallKeyName(); // its key under ...\Uninstall
// The all-users programs folder of the Start menu.
std::string CommonProgramsFolder();

// A script with every key the install reads, the error texts of `texts`, and
// no shortcuts or registration that would reach outside the destination.
std::string ScriptText(const GuideScript& script);

// "ProgramFilesDir" as the installer, a 32-bit program, reads it.
std::string ProgramFilesDir();
bool SetProgramFilesDir(const std::string& value);

// A folder below the program-files folder, unique to this test process, that
// does not exist yet; removed, with whatever the test left in it, on destruction.
class ScratchDestination {
public:
    explicit ScratchDestination(const std::string& name);
    ~ScratchDestination();
    ScratchDestination(const ScratchDestination&) = delete;
    ScratchDestination& operator=(const ScratchDestination&) = delete;

    // First level below the program-files folder, e.g. "TarvelE2E-Guide-123".
    const std::string& Base() const { return base_; }
    // Its full path.
    std::string Top() const { return ProgramFilesDir() + "\\" + base_; }

private:
    std::string base_;
};

// setupf.cfn stores every byte minus 1; this gives the text back (code page 932 bytes).
std::string DecodeLog(const std::string& stored);
// Writes `text` over a stored log (setupf.cfn or sharedf.cfn, read-only as
// the install leaves them), stored the same way; false when it cannot.
bool RewriteLog(const std::string& path, const std::string& text);

// The log entries a data folder gives, in the order the file system lists it
// (depth first, a folder before its contents): "<d>:img? img\a.gif? ...".
// Code page 932 bytes, as in the log.
std::string DataEntries(const std::string& folder);

// A tree with every file's content and every item's attributes.
struct TreeItem {
    std::string path; // relative, folders end in '\'
    DWORD attributes = 0;
    std::string content;
    bool operator==(const TreeItem& other) const
    {
        return path == other.path && attributes == other.attributes && content == other.content;
    }
};
std::vector<TreeItem> Snapshot(const std::string& root);
void PrintTo(const TreeItem& item, std::ostream* os);
// One line per item missing, added or changed from `before` to `after`;
// empty when the trees are the same.
std::string TreeChanges(const std::vector<TreeItem>& before, const std::vector<TreeItem>& after);

// Makes a package folder's data: `count` small files spread over sub-folders
// of `folder` (part00\<stem>0000.htm, ...); returns false when a file cannot
// be written.
bool WriteManyFiles(const PackageFolder& package, const std::string& folder, int count, size_t bytesEach = 64,
                    const std::string& stem = "page");

// Holds a file open with no sharing, so that nobody else can read or write it.
class HeldFile {
public:
    explicit HeldFile(const std::string& path);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool IsHeld() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Release();

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// --- the host side ------------------------------------------------------------

// The Unix path Wine maps a Windows path to.
std::string UnixPath(const std::string& windowsPath);
// Runs a shell script on the Linux host (Wine starts Unix programs, but hands
// back no process to wait for: the script's end is seen through a file it
// writes last). Returns the script's exit status, or -1 when it did not end
// within the timeout; its output goes to *output.
int RunHostShell(
    const std::string& script, const std::string& workFolder, std::string* output, DWORD timeoutMs = 20000);

// A tmpfs of the given size mounted on the host and linked as a drive letter
// of the prefix, for a destination that really fills up. Needs root; Ready()
// says whether it could be made, Why() why not.
class TinyDrive {
public:
    TinyDrive(const std::string& workFolder, const std::string& size);
    ~TinyDrive();
    TinyDrive(const TinyDrive&) = delete;
    TinyDrive& operator=(const TinyDrive&) = delete;

    bool Ready() const { return !letter_.empty(); }
    const std::string& Why() const { return why_; }
    std::string Root() const { return letter_ + ":\\"; }
    std::string Letter() const { return letter_ + ":"; }
    // Remounts read-only (or back), for a drive whose files cannot be changed.
    bool SetReadOnly(bool readOnly);

private:
    std::string workFolder_, mountPoint_, link_, letter_, why_;
};

// --- the guide package -----------------------------------------------------------

// The package of the worked example: setup\ with tarvel.exe, the script,
// uninst.exe and guide.ico; GUIDE\ with index.htm and img\a.gif; installed
// into <program files>\<unique>\Guide, two levels that do not exist yet.
class GuideFixture : public InstallerTest {
protected:
    explicit GuideFixture(const std::string& name)
        : destination(name)
    {
    }

    // Writes the package; an empty appPathBase becomes the default destination.
    void WriteGuide(GuideScript script = {});
    std::string Installed() const { return destination.Top() + "\\Guide"; }

    ScratchDestination destination;
};

// Exactly one window was shown, a message box with the script's caption,
// this text and one OK button.
void ExpectOneBox(const dlg::RunResult& run, const std::string& text);

// --- watching a running install ---------------------------------------------------

// The status window (the dialog with the progress bar, control 1003).
HWND WaitForStatusWindow(const dlg::Process& process, DWORD timeoutMs);
// Its bar's position, or -1 when it cannot be read.
int ProgressOf(HWND statusWindow);
// The first message box the process shows.
HWND WaitForMessageBox(const dlg::Process& process, DWORD timeoutMs);

// Stops every thread of a process while it lives, so that what the test reads
// and posts meanwhile happens at one point of the program's work.
class PausedProcess {
public:
    explicit PausedProcess(DWORD pid);
    ~PausedProcess();
    PausedProcess(const PausedProcess&) = delete;
    PausedProcess& operator=(const PausedProcess&) = delete;
    bool IsPaused() const { return !threads_.empty(); }

private:
    std::vector<HANDLE> threads_;
};

// Waits until the status window shows the copy under way (bar past 0), then,
// with the installer paused at an item of a data folder, calls `post` (which
// posts the user's action). The copy loop is then certain to meet the posted
// message: the named files it copies last are still ahead. Returns the file
// label seen at that moment, empty when the copy was never caught that way.
std::string InterruptTheCopy(
    const dlg::Process& installer, HWND statusWindow, const std::function<bool()>& post, DWORD timeoutMs);

} // namespace e2e
