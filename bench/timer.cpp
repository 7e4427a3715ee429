// Timing runner of the install benchmark, run under Wine beside the
// contestants so that the clock sees only the contestant's own process.
//
//   timer.exe run CWD EXE TAIL
//       starts EXE with the command line "EXE" TAIL in folder CWD, waits for
//       it to end and prints "<milliseconds> <exit code>".
//   timer.exe cancel CWD EXE TAIL LASTPOS
//       starts the installer with its status dialog ("/WD"), watches the
//       progress bar (control 1003) and closes the dialog, which is the
//       user's cancel, once the bar stands at LASTPOS, the position of the
//       last item. The installer undoes the install and then reports the
//       cancel in a message box; the time from the close to that box is the
//       rollback. Presses OK and prints "<rollback ms> <exit code>".
//       The copy before the cancel is slowed down by the watching and is
//       not a figure of its own.
//
// Waits are bounded: a program still running after 600 s is ended, exit 124.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const DWORD kTimeoutMs = 600000;

double NowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool Start(const std::string& cwd, const std::string& exe, const std::string& tail, PROCESS_INFORMATION& pi)
{
    std::string line = "\"" + exe + "\"" + (tail.empty() ? "" : " " + tail);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(), &si, &pi)) {
        std::fprintf(stderr, "timer: cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
        return false;
    }
    return true;
}

DWORD Finish(PROCESS_INFORMATION& pi)
{
    DWORD code = 124;
    if (WaitForSingleObject(pi.hProcess, kTimeoutMs) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 124);
    else
        GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

struct Search {
    DWORD pid;
    HWND skip;
    int childId;
    HWND found;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM param)
{
    Search& search = *reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = {};
    if (pid != search.pid || hwnd == search.skip || !IsWindowVisible(hwnd))
        return TRUE;
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !GetDlgItem(hwnd, search.childId))
        return TRUE;
    search.found = hwnd;
    return FALSE;
}

// A visible dialog of the process holding the given control, other than skip.
HWND FindDialog(DWORD pid, int childId, HWND skip)
{
    Search search = {pid, skip, childId, nullptr};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool Running(HANDLE process)
{
    return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

int RunOnce(const std::string& cwd, const std::string& exe, const std::string& tail)
{
    PROCESS_INFORMATION pi;
    const double start = NowMs();
    if (!Start(cwd, exe, tail, pi))
        return 125;
    DWORD code = Finish(pi);
    const double end = NowMs();
    std::printf("%.3f %lu\n", end - start, code);
    return 0;
}

int RunCancelled(const std::string& cwd, const std::string& exe, const std::string& tail, int lastPos)
{
    PROCESS_INFORMATION pi;
    if (!Start(cwd, exe, tail, pi))
        return 125;
    const double deadline = NowMs() + kTimeoutMs;
    HWND status = nullptr;
    while (!status && Running(pi.hProcess) && NowMs() < deadline) {
        status = FindDialog(pi.dwProcessId, 1003, nullptr);
        if (!status)
            Sleep(1);
    }
    double closed = 0;
    if (status) {
        HWND bar = GetDlgItem(status, 1003);
        // Each query is answered only when the installer pumps its messages,
        // between and inside items, so this loop goes at the copy's pace.
        while (Running(pi.hProcess) && NowMs() < deadline) {
            DWORD_PTR pos = 0;
            if (SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &pos) && static_cast<int>(pos) >= lastPos) {
                PostMessageA(status, WM_CLOSE, 0, 0);
                closed = NowMs();
                break;
            }
        }
    }
    double reported = 0;
    if (closed > 0) {
        // The message box comes after the undo. Looking once a millisecond
        // leaves the CPU to the installer.
        HWND box = nullptr;
        while (!box && Running(pi.hProcess) && NowMs() < deadline) {
            box = FindDialog(pi.dwProcessId, 0xFFFF, status);
            if (!box)
                Sleep(1);
        }
        if (box) {
            reported = NowMs();
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        }
    }
    DWORD code = Finish(pi);
    if (reported > 0)
        std::printf("%.3f %lu\n", reported - closed, code);
    else
        std::printf("missed %lu\n", code);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "run" && argc == 5)
        return RunOnce(argv[2], argv[3], argv[4]);
    if (mode == "cancel" && argc == 6)
        return RunCancelled(argv[2], argv[3], argv[4], std::atoi(argv[5]));
    std::fprintf(stderr, "usage: timer run CWD EXE TAIL | timer cancel CWD EXE TAIL LASTPOS\n");
    return 2;
}
