#include "Driver.h"

#include "Text.h"

#include <algorithm>
#include <set>

namespace dlg {

namespace {

// Long enough for a program that is merely slow (Wine under load), short enough
// that a hung one does not stall the test.
constexpr UINT kSendTimeoutMs = 1000;

DWORD Now() { return GetTickCount(); }

// Milliseconds left until `deadline` (0 once passed); wrap-around safe.
DWORD Remaining(DWORD start, DWORD timeoutMs)
{
    DWORD spent = Now() - start;
    return spent >= timeoutMs ? 0 : timeoutMs - spent;
}

bool Matches(HWND hwnd, const WindowQuery& query)
{
    if (query.visibleOnly && !IsWindowVisible(hwnd))
        return false;
    if (!query.className.empty() && GetClass(hwnd) != query.className)
        return false;
    if (!query.caption.empty() && GetText(hwnd) != query.caption)
        return false;
    return true;
}

struct EnumTopLevel {
    DWORD pid;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param)
{
    auto* e = reinterpret_cast<EnumTopLevel*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == e->pid && (!e->visibleOnly || IsWindowVisible(hwnd)))
        e->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param)
{
    auto* controls = reinterpret_cast<std::vector<Control>*>(param);
    Control c;
    c.hwnd = hwnd;
    // GetDlgCtrlID gives the id as a signed int; message boxes use 0xFFFF for
    // their text, which must not come back as -1.
    c.id = (int)(GetWindowLongPtrW(hwnd, GWLP_ID) & 0xFFFF);
    c.className = GetClass(hwnd);
    c.text = GetText(hwnd);
    c.visible = IsWindowVisible(hwnd) != FALSE;
    c.enabled = IsWindowEnabled(hwnd) != FALSE;
    controls->push_back(std::move(c));
    return TRUE;
}

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out + "\"";
}

} // namespace

// --- Process ---------------------------------------------------------------

Process::~Process() { Close(); }

Process::Process(Process&& other) noexcept
    : process_(other.process_)
    , pid_(other.pid_)
{
    other.process_ = nullptr;
    other.pid_ = 0;
}

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        Close();
        std::swap(process_, other.process_);
        std::swap(pid_, other.pid_);
    }
    return *this;
}

void Process::Close()
{
    if (process_)
        CloseHandle(process_);
    process_ = nullptr;
    pid_ = 0;
}

bool Process::Start(const std::string& exePath, const std::string& tail, const std::string& currentFolder,
                    std::string* error)
{
    std::string commandLine = "\"" + WindowsPathFromUnix(exePath) + "\"";
    if (!tail.empty())
        commandLine += " " + tail;
    return StartRaw(exePath, commandLine, currentFolder, error);
}

bool Process::StartRaw(const std::string& exePath, const std::string& commandLine,
                       const std::string& currentFolder, std::string* error)
{
    Close();
    // The A call on purpose: the installer is an ANSI program, and this is the
    // path its own command line takes when a user starts it.
    std::string app = AnsiFromUtf8(WindowsPathFromUnix(exePath));
    std::string cmd = AnsiFromUtf8(commandLine);
    std::string cwd = AnsiFromUtf8(WindowsPathFromUnix(currentFolder));
    std::vector<char> cmdBuffer(cmd.begin(), cmd.end());
    cmdBuffer.push_back('\0');

    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(app.c_str(), cmdBuffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &si, &pi)) {
        if (error)
            *error = "CreateProcess failed for " + exePath + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    return true;
}

bool Process::IsRunning() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

bool Process::WaitForExit(DWORD timeoutMs) const
{
    return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (process_)
        GetExitCodeProcess(process_, &code);
    return code;
}

void Process::Terminate(UINT exitCode)
{
    if (IsRunning()) {
        TerminateProcess(process_, exitCode);
        WaitForSingleObject(process_, 5000);
    }
}

// --- windows -----------------------------------------------------------------

std::vector<HWND> TopLevelWindows(DWORD pid, bool visibleOnly)
{
    EnumTopLevel e{pid, visibleOnly, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&e));
    return e.found;
}

HWND FindWindowOf(DWORD pid, const WindowQuery& query)
{
    for (HWND hwnd : TopLevelWindows(pid, query.visibleOnly))
        if (Matches(hwnd, query))
            return hwnd;
    return nullptr;
}

HWND WaitForWindow(const Process& process, const WindowQuery& query, DWORD timeoutMs)
{
    DWORD start = Now();
    for (;;) {
        // Looked at before the exit check: a window shown just before the end counts.
        if (HWND hwnd = FindWindowOf(process.Id(), query))
            return hwnd;
        if (!process.IsRunning() || Remaining(start, timeoutMs) == 0)
            return nullptr;
        Sleep(kPollMs);
    }
}

bool WaitWindowGone(HWND hwnd, DWORD timeoutMs)
{
    DWORD start = Now();
    while (IsWindow(hwnd) && IsWindowVisible(hwnd)) {
        if (Remaining(start, timeoutMs) == 0)
            return false;
        Sleep(kPollMs);
    }
    return true;
}

std::string GetText(HWND hwnd)
{
    DWORD_PTR length = 0;
    if (SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) {
        std::wstring text(length + 1, L'\0');
        DWORD_PTR copied = 0;
        if (SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                                SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
            text.resize(std::min<size_t>(copied, length));
            return Utf8FromWide(text);
        }
    }
    // The program is busy: the window manager keeps its own copy of the text
    // (exact for static texts, buttons and captions; stale for edit controls).
    wchar_t buffer[4096];
    int n = InternalGetWindowText(hwnd, buffer, 4096);
    return Utf8FromWide(std::wstring(buffer, n > 0 ? n : 0));
}

std::string GetClass(HWND hwnd)
{
    wchar_t name[256];
    int n = GetClassNameW(hwnd, name, 256);
    return Utf8FromWide(std::wstring(name, n > 0 ? n : 0));
}

WindowInfo Inspect(HWND hwnd)
{
    WindowInfo info;
    info.hwnd = hwnd;
    info.className = GetClass(hwnd);
    info.caption = GetText(hwnd);
    EnumChildWindows(hwnd, CollectChild, reinterpret_cast<LPARAM>(&info.controls));
    return info;
}

const Control* WindowInfo::Find(int id) const
{
    for (const Control& c : controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

std::string WindowInfo::TextOf(int id) const
{
    const Control* c = Find(id);
    return c ? c->text : std::string();
}

bool WindowInfo::IsMessageBox() const { return className == kDialogClass && Has(kMessageBoxTextId); }

std::string Describe(const WindowInfo& info)
{
    std::string out = (info.IsMessageBox() ? "box: caption=" : "dialog: caption=") + Quoted(info.caption);
    if (info.IsMessageBox())
        out += " text=" + Quoted(info.MessageText());
    out += " class=" + Quoted(info.className) + "\n";
    for (const Control& c : info.controls) {
        out += "  [" + std::to_string(c.id) + "] " + c.className + " " + Quoted(c.text);
        if (!c.visible)
            out += " hidden";
        if (!c.enabled)
            out += " disabled";
        out += "\n";
    }
    return out;
}

// --- actions -----------------------------------------------------------------

bool Click(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    return button && PostMessageW(button, BM_CLICK, 0, 0);
}

bool PostCommand(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

bool PostClose(HWND hwnd) { return PostMessageW(hwnd, WM_CLOSE, 0, 0); }

bool PostSysClose(HWND hwnd) { return PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool PostKey(HWND hwnd, UINT virtualKey)
{
    return PostMessageW(hwnd, WM_KEYDOWN, virtualKey, 1)
        && PostMessageW(hwnd, WM_KEYUP, virtualKey, 1 | (1u << 30) | (1u << 31));
}

bool SetText(HWND dialog, int id, const std::string& text)
{
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        return false;
    std::wstring wide = WideFromUtf8(text);
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG,
                               kSendTimeoutMs, &result)
        && result;
}

// --- running to the end --------------------------------------------------------

int DefaultAnswer(const WindowInfo& info)
{
    for (int id : {IDOK, IDCANCEL, IDNO})
        if (const Control* c = info.Find(id); c && c->visible && c->enabled)
            return id;
    // A progress window (the installer's status window in a half-silent run)
    // has nothing to press and goes away by itself; closing it would cancel.
    for (const Control& c : info.controls)
        if (c.className == "msctls_progress32")
            return kLeaveAlone;
    return 0;
}

std::vector<std::string> RunResult::MessageTexts() const
{
    std::vector<std::string> texts;
    for (const SeenWindow& w : windows)
        if (w.info.IsMessageBox())
            texts.push_back(w.info.MessageText());
    return texts;
}

RunResult RunToEnd(const std::string& exePath, const std::string& tail, const RunOptions& options)
{
    Process process;
    RunResult result;
    if (!process.Start(exePath, tail, options.currentFolder, &result.error))
        return result;
    return DriveToEnd(process, options);
}

RunResult DriveToEnd(Process& process, const RunOptions& options)
{
    RunResult result;
    result.started = process.Started();
    if (!result.started) {
        result.error = "no process";
        return result;
    }
    const DWORD start = Now();
    std::set<HWND> leftAlone;
    auto answerable = [&](HWND hwnd) {
        return IsWindowEnabled(hwnd) && !leftAlone.count(hwnd)
            && std::find(options.dialogClasses.begin(), options.dialogClasses.end(), GetClass(hwnd))
            != options.dialogClasses.end();
    };

    while (result.error.empty()) {
        HWND dialog = nullptr;
        for (HWND hwnd : TopLevelWindows(process.Id(), true))
            if (answerable(hwnd)) {
                dialog = hwnd;
                break;
            }
        if (!dialog) {
            if (!process.IsRunning())
                break;
            if (Remaining(start, options.timeoutMs) == 0) {
                result.error = "timed out waiting for the program to end";
                break;
            }
            Sleep(kPollMs);
            continue;
        }

        SeenWindow seen;
        seen.info = Inspect(dialog);
        // Caught while it was being destroyed (a quick status window): the
        // system hides it first and then takes its controls away one by one,
        // so what was read may be half of it. Nothing the program waits for.
        if (!IsWindow(dialog) || !IsWindowVisible(dialog)
            || (seen.info.caption.empty() && seen.info.controls.empty())) {
            leftAlone.insert(dialog);
            continue;
        }
        int id = options.handler ? options.handler(seen.info) : DefaultAnswer(seen.info);
        if (id == kLeaveAlone) {
            leftAlone.insert(dialog);
            result.windows.push_back(seen);
            continue;
        }
        bool posted = id > 0 ? Click(dialog, id) : PostClose(dialog);
        seen.pressed = id > 0 ? id : 0;
        result.windows.push_back(seen);
        if (!posted && !IsWindow(dialog))
            continue; // it went by itself between the look and the press
        if (!posted) {
            result.error = "could not press " + std::to_string(id) + " in\n" + Describe(seen.info);
            break;
        }
        // Answered once it is gone, or disabled under a modal window of its own
        // (that one is answered next).
        while (IsWindow(dialog) && IsWindowVisible(dialog) && IsWindowEnabled(dialog) && process.IsRunning()) {
            if (Remaining(start, options.timeoutMs) == 0) {
                result.error = "the window stayed after pressing " + std::to_string(id) + ":\n"
                    + Describe(seen.info);
                break;
            }
            Sleep(kPollMs);
        }
    }

    result.ended = !process.IsRunning();
    if (!result.ended)
        process.Terminate();
    result.exitCode = process.ExitCode();
    return result;
}

} // namespace dlg
