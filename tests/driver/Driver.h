// The dialog driver: starts a Windows program, finds its top-level windows,
// reads their texts and presses their buttons from the outside, as a user would.
//
// Everything waits by bounded polling: a wait ends when the thing appears, when
// the program has ended, or when the timeout runs out, never later.
// Texts go in and come out as UTF-8.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace dlg {

// Class of dialogs and message boxes.
constexpr const char* kDialogClass = "#32770";
// Control ids of a message box.
constexpr int kMessageBoxTextId = 0xFFFF;

constexpr DWORD kPollMs = 20;

// A started program. Closes its handles on destruction but never ends it:
// whoever started it decides (see Terminate).
class Process {
public:
    Process() = default;
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts exePath with exactly "\"exePath\"" + (tail empty ? "" : " " + tail)
    // as its command line, in the given current folder (empty: ours). Programs
    // see `tail` unchanged as the text after their name, trailing blanks included.
    bool Start(const std::string& exePath, const std::string& tail, const std::string& currentFolder,
               std::string* error = nullptr);
    // Starts with a command line exactly as given (program name included).
    bool StartRaw(const std::string& exePath, const std::string& commandLine, const std::string& currentFolder,
                  std::string* error = nullptr);

    DWORD Id() const { return pid_; }
    HANDLE Handle() const { return process_; }
    bool Started() const { return process_ != nullptr; }
    bool IsRunning() const;
    // True when the program ended within the timeout.
    bool WaitForExit(DWORD timeoutMs) const;
    // STILL_ACTIVE (259) while running.
    DWORD ExitCode() const;
    // Ends a program that a failed test left behind.
    void Terminate(UINT exitCode = 255);

private:
    void Close();
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

struct Control {
    HWND hwnd = nullptr;
    int id = 0;
    std::string className;
    std::string text;
    bool visible = false;
    bool enabled = false;
};

struct WindowInfo {
    HWND hwnd = nullptr;
    std::string className;
    std::string caption;
    std::vector<Control> controls; // direct and nested children, in Z order

    const Control* Find(int id) const;
    bool Has(int id) const { return Find(id) != nullptr; }
    std::string TextOf(int id) const; // empty when there is no such control
    // A message box: a dialog with the static text control 0xFFFF.
    bool IsMessageBox() const;
    // The message text of a message box.
    std::string MessageText() const { return TextOf(kMessageBoxTextId); }
};

// What to wait for. Empty fields match anything.
struct WindowQuery {
    std::string className;
    std::string caption;
    bool visibleOnly = true;
};

// The top-level windows that belong to a process, in Z order.
std::vector<HWND> TopLevelWindows(DWORD pid, bool visibleOnly = true);
HWND FindWindowOf(DWORD pid, const WindowQuery& query);
// The first window of the process matching the query; nullptr when the timeout
// runs out or the process ends first.
HWND WaitForWindow(const Process& process, const WindowQuery& query, DWORD timeoutMs);
// Waits until the window is gone or hidden.
bool WaitWindowGone(HWND hwnd, DWORD timeoutMs);

// Reads a window's text without ever blocking on a busy program: a message with
// a timeout first, the window manager's copy of the text as the fallback.
std::string GetText(HWND hwnd);
std::string GetClass(HWND hwnd);
WindowInfo Inspect(HWND hwnd);
// One line per control, for failure messages and the command-line tool.
std::string Describe(const WindowInfo& info);

// Actions. All are posted, so they work while the program sits in a modal loop.
bool Click(HWND dialog, int id);              // BM_CLICK on the control with that id
bool PostCommand(HWND dialog, int id);        // WM_COMMAND as if that button was clicked
bool PostClose(HWND hwnd);                    // WM_CLOSE
bool PostSysClose(HWND hwnd);                 // WM_SYSCOMMAND / SC_CLOSE, the title bar's X
bool PostKey(HWND hwnd, UINT virtualKey);     // key down and up, e.g. VK_ESCAPE
// Replaces an edit control's text (sent with a timeout; the program must be idle).
bool SetText(HWND dialog, int id, const std::string& text);

// --- running a program to its end while answering its dialogs ---------------

struct SeenWindow {
    WindowInfo info;
    int pressed = 0; // the id that was pressed; 0 when closed another way
};

// Decides what to do with a dialog: returns the control id to press, 0 to close
// the window with WM_CLOSE, or kLeaveAlone to let it be (a progress window that
// goes away by itself). It may also act by itself (type into edits, ...) first.
constexpr int kLeaveAlone = -1;
using DialogHandler = std::function<int(const WindowInfo&)>;

// OK when present, else Cancel, else No; a window with a progress bar and none
// of them is left alone; anything else is closed.
int DefaultAnswer(const WindowInfo& info);

struct RunResult {
    bool started = false;
    bool ended = false;       // false: it still ran when the timeout ran out (it was then ended)
    DWORD exitCode = 0;
    std::string error;        // why it could not be started or driven
    std::vector<SeenWindow> windows;

    // Message texts of all message boxes, in order.
    std::vector<std::string> MessageTexts() const;
};

struct RunOptions {
    std::string currentFolder;
    DWORD timeoutMs = 60000;
    DialogHandler handler; // empty: DefaultAnswer
    // Top-level classes to answer; others (the installer's minimized frame) are left alone.
    std::vector<std::string> dialogClasses{kDialogClass};
};

// Starts the program, answers every dialog it shows until it ends, and returns
// what it showed and its exit code. A program still running at the timeout is
// terminated, so a failing test leaves nothing behind.
RunResult RunToEnd(const std::string& exePath, const std::string& tail, const RunOptions& options);
// The same for a program that is already running.
RunResult DriveToEnd(Process& process, const RunOptions& options);

} // namespace dlg
