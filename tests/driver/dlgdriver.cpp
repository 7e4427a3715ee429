// dlgdriver: the dialog driver as a command-line tool, for shell scripts.
// Output is UTF-8, one window per block; window handles are printed in hex.
#include "Driver.h"
#include "Text.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage:\n"
    "  dlgdriver run [--cwd DIR] [--timeout SEC] [--yes] EXE [TAIL]\n"
    "      start EXE with TAIL as the exact text after its name, answer every dialog\n"
    "      (OK, else Cancel, else No, or Yes first with --yes; a progress window is\n"
    "      left alone), print each one, exit with the program's exit code\n"
    "      (124: still running at the timeout, then ended; 125: could not start)\n"
    "  dlgdriver start [--cwd DIR] EXE [TAIL]        print the new process id\n"
    "  dlgdriver list --pid PID                      visible top-level windows of a process\n"
    "  dlgdriver wait --pid PID [--class C] [--caption T] [--timeout SEC]\n"
    "                                                print the window's handle; exit 1 if none\n"
    "  dlgdriver show --hwnd H                       caption and every control's id and text\n"
    "  dlgdriver click --hwnd H --id N               press a button (posted BM_CLICK)\n"
    "  dlgdriver close --hwnd H [--sys]              post WM_CLOSE (or SC_CLOSE)\n"
    "  dlgdriver settext --hwnd H --id N TEXT        replace an edit control's text\n"
    "  dlgdriver waitexit --pid PID [--timeout SEC]  print and return the exit code\n"
    "Unix paths (/...) are taken as Z:\\... paths.\n";

void Print(const std::string& text) { fwrite(text.data(), 1, text.size(), stdout); }

struct Args {
    std::string command;
    std::map<std::string, std::string> options; // "--x value" and bare "--flag" ("1")
    std::vector<std::string> positional;

    bool Has(const std::string& name) const { return options.count(name) != 0; }
    std::string Get(const std::string& name, const std::string& fallback = "") const
    {
        auto it = options.find(name);
        return it == options.end() ? fallback : it->second;
    }
    DWORD TimeoutMs(DWORD fallbackSec) const
    {
        return (DWORD)(std::atof(Get("--timeout", std::to_string(fallbackSec)).c_str()) * 1000);
    }
    HWND Hwnd() const { return (HWND)(UINT_PTR)std::strtoul(Get("--hwnd").c_str(), nullptr, 16); }
    DWORD Pid() const { return (DWORD)std::strtoul(Get("--pid").c_str(), nullptr, 0); }
};

Args Parse(int argc, wchar_t** argv)
{
    static const char* const kFlags[] = {"--sys", "--yes"};
    Args args;
    if (argc > 1)
        args.command = dlg::Utf8FromWide(argv[1]);
    for (int i = 2; i < argc; ++i) {
        std::string a = dlg::Utf8FromWide(argv[i]);
        // Options come first; the program and its tail are taken as they are.
        if (args.positional.empty() && a.rfind("--", 0) == 0) {
            bool flag = false;
            for (const char* f : kFlags)
                flag = flag || a == f;
            if (flag || i + 1 >= argc)
                args.options[a] = "1";
            else
                args.options[a] = dlg::Utf8FromWide(argv[++i]);
        } else {
            args.positional.push_back(a);
        }
    }
    return args;
}

std::string Hex(HWND hwnd)
{
    char buffer[32];
    snprintf(buffer, sizeof buffer, "%lx", (unsigned long)(UINT_PTR)hwnd);
    return buffer;
}

int Run(const Args& args)
{
    if (args.positional.empty())
        return Print(kUsage), 2;
    dlg::RunOptions options;
    options.currentFolder = args.Get("--cwd");
    options.timeoutMs = args.TimeoutMs(120);
    if (args.Has("--yes")) {
        // As a user who agrees to every question (make the folder? yes).
        options.handler = [](const dlg::WindowInfo& info) {
            const dlg::Control* yes = info.Find(IDYES);
            return yes && yes->visible && yes->enabled ? IDYES : dlg::DefaultAnswer(info);
        };
    }
    std::string tail = args.positional.size() > 1 ? args.positional[1] : "";
    dlg::RunResult result = dlg::RunToEnd(args.positional[0], tail, options);
    for (const dlg::SeenWindow& w : result.windows) {
        std::string text = dlg::Describe(w.info);
        Print(text.insert(text.find('\n'), " pressed=" + std::to_string(w.pressed)));
    }
    if (!result.error.empty())
        Print("error: " + result.error + "\n");
    if (!result.started)
        return 125;
    Print("exit code: " + std::to_string(result.exitCode) + "\n");
    return result.ended ? (int)result.exitCode : 124;
}

int Start(const Args& args)
{
    if (args.positional.empty())
        return Print(kUsage), 2;
    dlg::Process process;
    std::string error;
    if (!process.Start(args.positional[0], args.positional.size() > 1 ? args.positional[1] : "",
                       args.Get("--cwd"), &error))
        return Print("error: " + error + "\n"), 125;
    Print(std::to_string(process.Id()) + "\n");
    return 0;
}

int List(const Args& args)
{
    for (HWND hwnd : dlg::TopLevelWindows(args.Pid(), true))
        Print(Hex(hwnd) + " " + dlg::GetClass(hwnd) + " \"" + dlg::GetText(hwnd) + "\"\n");
    return 0;
}

int Wait(const Args& args)
{
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, args.Pid());
    if (!h)
        return Print("error: no process " + args.Get("--pid") + "\n"), 1;
    dlg::WindowQuery query{args.Get("--class"), args.Get("--caption"), true};
    DWORD timeout = args.TimeoutMs(30), start = GetTickCount();
    HWND found = nullptr;
    for (;;) {
        found = dlg::FindWindowOf(args.Pid(), query);
        if (found || WaitForSingleObject(h, 0) == WAIT_OBJECT_0 || GetTickCount() - start >= timeout)
            break;
        Sleep(dlg::kPollMs);
    }
    CloseHandle(h);
    if (!found)
        return Print("error: no such window\n"), 1;
    Print(Hex(found) + "\n");
    return 0;
}

int WaitExit(const Args& args)
{
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, args.Pid());
    if (!h)
        return Print("error: no process " + args.Get("--pid") + "\n"), 125;
    DWORD code = STILL_ACTIVE;
    bool ended = WaitForSingleObject(h, args.TimeoutMs(60)) == WAIT_OBJECT_0;
    GetExitCodeProcess(h, &code);
    CloseHandle(h);
    if (!ended)
        return Print("error: still running\n"), 124;
    Print("exit code: " + std::to_string(code) + "\n");
    return (int)code;
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Args args = Parse(argc, argv);
    LocalFree(argv);
    HWND hwnd = args.Hwnd();
    int id = std::atoi(args.Get("--id").c_str());

    if (args.command == "run")
        return Run(args);
    if (args.command == "start")
        return Start(args);
    if (args.command == "list")
        return List(args);
    if (args.command == "wait")
        return Wait(args);
    if (args.command == "waitexit")
        return WaitExit(args);
    if (args.command == "show") {
        if (!IsWindow(hwnd))
            return Print("error: no such window\n"), 1;
        return Print(dlg::Describe(dlg::Inspect(hwnd))), 0;
    }
    if (args.command == "click")
        return dlg::Click(hwnd, id) ? 0 : 1;
    if (args.command == "close")
        return (args.Has("--sys") ? dlg::PostSysClose(hwnd) : dlg::PostClose(hwnd)) ? 0 : 1;
    if (args.command == "settext")
        return dlg::SetText(hwnd, id, args.positional.empty() ? "" : args.positional[0]) ? 0 : 1;
    Print(kUsage);
    return 2;
}
