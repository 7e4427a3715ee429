#include "InstallSupport.h"
#include "TestCommon.h"

#include "Text.h"

#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <sstream>

namespace e2e {

namespace {

using test_common::kUninstallRoot;

// Controls of the status window.
constexpr int kFileLabel = 1002;
constexpr int kProgressBar = 1003;

const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";

std::wstring W(const std::string& utf8) { return dlg::WideFromUtf8(utf8); }

std::string Pid() { return std::to_string(GetCurrentProcessId()); }


void AppendScanEntries(const std::string& root, const std::string& relative, std::string& out)
{
    WIN32_FIND_DATAW data;
    const std::string folder = relative.empty() ? root : root + "\\" + relative;
    HANDLE find = FindFirstFileW(W(folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = dlg::Utf8FromWide(data.cFileName);
        if (name == "." || name == "..")
            continue;
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out += "<d>:" + path + "? ";
            AppendScanEntries(root, path, out);
        } else {
            out += path + "? ";
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

// A path for the shell, between single quotes.
std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace

std::string MenuFolderName() { return "TarvelE2E Menu " + Pid(); }
std::string UninstallKeyName() { return "TarvelE2E Guide " + Pid(); }

std::string CommonProgramsFolder()
{
    wchar_t path[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, path)))
        return {};
    return dlg::Utf8FromWide(path);
}

std::string ScriptText(const GuideScript& script)
{
    std::string text = "; the guide package of the install tests\n[INSTALL]\n";
    auto line
        = [&text](const std::string& key, const std::string& value) { text += key + "=" + value + "\n"; };
    line("CAPTION", texts::kCaption);
    line("APPPATH_BASE", script.appPathBase);
    line("DATA_PATH", script.dataPath);
    line("ICON_NAME", script.icon);
    line("MSG_COPY_FILE", "ファイルをコピーしています。");
    line("PROGRAM_FOLDER_NAME", MenuFolderName());
    line("SHORTCUT_NAME", "Guide");
    line("PRODUCT_KEY_FILE1", script.keyFile);
    line("PRODUCT_NUM", "0");
    line("UNINSTALL_NAME", "TarvelE2E Guide");
    line("REG_LIBFILE1", "NONE");
    text += script.extraInstall;
    text += "[UNINSTALL]\n";
    line("UNINSTALL_FILE", script.uninstaller);
    line("UNINSTALL_KEY", UninstallKeyName());
    text += "[ERROR]\n";
    line("ERR_MES_FILE_NOT_EXIST", texts::kFileNotExist);
    line("ERR_MES_ERROR_OCCURRED", texts::kErrorOccurred);
    line("ERR_MES_WRITE_ERROR", texts::kWriteError);
    line("ERR_MES_COPY_ERROR", texts::kCopyError);
    line("ERR_MES_NOSPACE", texts::kNoSpace);
    line("ERR_MES_USER_CANCEL", texts::kUserCancel);
    return text;
}

std::string ProgramFilesDir()
{
    std::string value;
    ReadRegString(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir", &value);
    return value;
}

bool SetProgramFilesDir(const std::string& value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(
            HKEY_LOCAL_MACHINE, W(kCurrentVersion).c_str(), 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &key)
        != ERROR_SUCCESS)
        return false;
    const std::wstring data = W(value);
    const LONG result = RegSetValueExW(key, L"ProgramFilesDir", 0, REG_SZ,
        reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// --- destination -----------------------------------------------------------------

ScratchDestination::ScratchDestination(const std::string& name)
    : base_("TarvelE2E-" + name + "-" + Pid())
{
    RemoveTree(Top()); // a leftover of a crashed run with the same id
}

ScratchDestination::~ScratchDestination()
{
    RemoveTree(Top());
    // What a completed install registers besides its files.
    const std::string programs = CommonProgramsFolder();
    if (!programs.empty())
        RemoveTree(programs + "\\" + MenuFolderName());
    DeleteRegTree(HKEY_LOCAL_MACHINE, kUninstallRoot + UninstallKeyName());
}

// --- logs and trees ------------------------------------------------------------------

std::string DecodeLog(const std::string& stored)
{
    std::string text = stored;
    for (char& c : text)
        c = static_cast<char>(static_cast<unsigned char>(c) + 1);
    return text;
}

bool RewriteLog(const std::string& path, const std::string& text)
{
    std::string stored = text;
    for (char& c : stored)
        c = static_cast<char>(static_cast<unsigned char>(c) - 1);
    SetFileAttributesW(W(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    return WriteFileBytes(path, stored);
}

std::string DataEntries(const std::string& folder)
{
    std::string utf8;
    AppendScanEntries(folder, "", utf8);
    return dlg::AnsiFromUtf8(utf8, 932);
}

std::vector<TreeItem> Snapshot(const std::string& root)
{
    std::vector<TreeItem> items;
    for (const std::string& path : ListTree(root)) {
        TreeItem item;
        item.path = path;
        item.attributes = Attributes(root + "\\" + path);
        if (path.back() != '\\')
            item.content = ReadFileBytes(root + "\\" + path);
        items.push_back(item);
    }
    return items;
}

void PrintTo(const TreeItem& item, std::ostream* os)
{
    char attributes[16];
    std::snprintf(attributes, sizeof attributes, "0x%04lx", static_cast<unsigned long>(item.attributes));
    *os << item.path << " [" << attributes << ", " << item.content.size() << " bytes]";
}

std::string TreeChanges(const std::vector<TreeItem>& before, const std::vector<TreeItem>& after)
{
    auto describe = [](const TreeItem& item) {
        std::ostringstream out;
        PrintTo(item, &out);
        return out.str();
    };
    std::string changes;
    size_t b = 0, a = 0;
    while (b < before.size() || a < after.size()) {
        if (a == after.size() || (b < before.size() && before[b].path < after[a].path)) {
            changes += "missing: " + describe(before[b++]) + "\n";
        } else if (b == before.size() || after[a].path < before[b].path) {
            changes += "added:   " + describe(after[a++]) + "\n";
        } else {
            if (!(before[b] == after[a]))
                changes += "changed: " + describe(before[b]) + " -> " + describe(after[a]) + "\n";
            ++a, ++b;
        }
    }
    return changes;
}

bool WriteManyFiles(const PackageFolder& package, const std::string& folder, int count, size_t bytesEach,
                    const std::string& stem)
{
    // 99 files to a sub-folder: 2,079 files make 2,100 items with their 21 folders.
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "\\part%02d\\", i / 99);
        char number[16];
        std::snprintf(number, sizeof number, "%04d.htm", i);
        std::string content(bytesEach, static_cast<char>('a' + i % 26));
        if (!package.Write(folder + name + stem + number, content))
            return false;
    }
    return true;
}

HeldFile::HeldFile(const std::string& path)
    : handle_(
        CreateFileW(W(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr))
{
}

HeldFile::~HeldFile() { Release(); }

void HeldFile::Release()
{
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

// --- host ------------------------------------------------------------------------------

std::string UnixPath(const std::string& windowsPath)
{
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<UnixFileName>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
    if (!toUnix)
        return {};
    char* path = toUnix(W(windowsPath).c_str());
    if (!path)
        return {};
    std::string result = path;
    HeapFree(GetProcessHeap(), 0, path);
    return result;
}

int RunHostShell(
    const std::string& script, const std::string& workFolder, std::string* output, DWORD timeoutMs)
{
    static int serial = 0;
    const std::string stem = workFolder + "\\host" + std::to_string(++serial);
    const std::string unixStem = UnixPath(stem);
    if (unixStem.empty())
        return -1;
    // A subshell, so that an "exit" in the script ends only the script. The
    // status file appears complete or not at all (rename), and only after the
    // output is written: it is the sign that the script ended.
    const std::string out = Quoted(unixStem + ".out"), tmp = Quoted(unixStem + ".tmp");
    const std::string wrapped = "(\n" + script + "\n) >" + out + " 2>&1\n" //
        + "echo $? >" + tmp + "\n" //
        + "mv " + tmp + " " + Quoted(unixStem + ".status") + "\n";
    if (!WriteFileBytes(stem + ".sh", wrapped))
        return -1;

    // Wine runs a Unix program given by its Unix path, without a process handle.
    std::string commandLine = "/bin/sh \"" + unixStem + ".sh\"";
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    if (pi.hThread)
        CloseHandle(pi.hThread);
    if (pi.hProcess)
        CloseHandle(pi.hProcess);

    const DWORD start = GetTickCount();
    while (!Exists(stem + ".status")) {
        if (GetTickCount() - start > timeoutMs)
            return -1;
        Sleep(dlg::kPollMs);
    }
    if (output)
        *output = Trimmed(ReadFileBytes(stem + ".out"));
    return std::atoi(ReadFileBytes(stem + ".status").c_str());
}

TinyDrive::TinyDrive(const std::string& workFolder, const std::string& size)
    : workFolder_(workFolder)
{
    MakeFolders(workFolder + "\\tiny");
    mountPoint_ = UnixPath(workFolder + "\\tiny");
    const std::string driveC = UnixPath("C:\\"); // .../dosdevices/c:/
    const size_t cut = driveC.rfind("/c:");
    if (mountPoint_.empty() || cut == std::string::npos) {
        why_ = "not running under Wine (no Unix paths)";
        return;
    }
    const std::string dosdevices = driveC.substr(0, cut);
    // Prints the drive letter it linked.
    // clang-format off
    const char* mountAndLink =
        "\n[ \"$(id -u)\" = 0 ] || { echo 'mounting a tmpfs needs root'; exit 10; }\n"
        "mount -t tmpfs -o size=\"$size\" tmpfs \"$mp\" || exit 11\n"
        "for l in q r s t u v w x y; do\n"
        "    if [ ! -e \"$dd/$l:\" ] && [ ! -L \"$dd/$l:\" ]; then\n"
        "        ln -s \"$mp\" \"$dd/$l:\" && echo $l && exit 0\n"
        "    fi\n"
        "done\n"
        "umount \"$mp\"; echo 'no free drive letter'; exit 12";
    // clang-format on
    std::string output;
    const int status = RunHostShell(
        "size=" + Quoted(size) + "\nmp=" + Quoted(mountPoint_) + "\ndd=" + Quoted(dosdevices) + mountAndLink,
        workFolder_, &output);
    if (status != 0 || output.size() != 1) {
        why_ = "cannot make a tiny drive (status " + std::to_string(status) + "): " + output;
        return;
    }
    link_ = dosdevices + "/" + output + ":";
    letter_ = std::string(1, static_cast<char>(output[0] - 'a' + 'A'));
}

TinyDrive::~TinyDrive()
{
    if (!Ready())
        return;
    std::string output;
    // Lazily when the prefix still holds something open there.
    RunHostShell(
        "rm -f " + Quoted(link_) + "\numount " + Quoted(mountPoint_) + " || umount -l " + Quoted(mountPoint_),
        workFolder_, &output);
}

bool TinyDrive::SetReadOnly(bool readOnly)
{
    std::string output;
    const std::string remount
        = std::string("mount -o remount,") + (readOnly ? "ro " : "rw ") + Quoted(mountPoint_);
    return Ready() && RunHostShell(remount, workFolder_, &output) == 0;
}

// --- the guide package -----------------------------------------------------------

namespace {
const char kGif[] = "GIF89a\x01\x00\x01\x00tiny";
const char kIcon[] = "\x00\x00\x01\x00 icon";
} // namespace

void GuideFixture::WriteGuide(GuideScript script)
{
    ASSERT_TRUE(package.CopyInstaller());
    ASSERT_TRUE(package.CopyUninstaller("setup\\uninst.exe"));
    ASSERT_TRUE(package.Write("setup\\guide.ico", std::string(kIcon, sizeof kIcon - 1)));
    ASSERT_TRUE(package.Write("GUIDE\\index.htm", "<html><body>Guide</body></html>\r\n"));
    ASSERT_TRUE(package.Write("GUIDE\\img\\a.gif", std::string(kGif, sizeof kGif - 1)));
    if (script.appPathBase.empty())
        script.appPathBase = destination.Base() + "\\Guide";
    ASSERT_TRUE(package.WriteScript(ScriptText(script)));
    ASSERT_FALSE(Exists(destination.Top())) << "left over: " << destination.Top();
}

void ExpectOneBox(const dlg::RunResult& run, const std::string& text)
{
    ASSERT_TRUE(run.ended) << Describe(run);
    ASSERT_EQ(run.windows.size(), 1u) << Describe(run);
    const dlg::WindowInfo& box = run.windows[0].info;
    EXPECT_TRUE(box.IsMessageBox()) << dlg::Describe(box);
    EXPECT_EQ(box.caption, texts::kCaption);
    EXPECT_EQ(box.MessageText(), text);
    EXPECT_TRUE(box.Has(IDOK) && !box.Has(IDCANCEL) && !box.Has(IDYES)) << dlg::Describe(box);
}

// --- watching a running install ---------------------------------------------------

namespace {

HWND WaitForDialog(const dlg::Process& process, DWORD timeoutMs, bool (*wanted)(const dlg::WindowInfo&))
{
    const DWORD start = GetTickCount();
    for (;;) {
        for (HWND hwnd : dlg::TopLevelWindows(process.Id(), true))
            if (dlg::GetClass(hwnd) == dlg::kDialogClass && wanted(dlg::Inspect(hwnd)))
                return hwnd;
        if (!process.IsRunning() || GetTickCount() - start > timeoutMs)
            return nullptr;
        Sleep(1); // the copy is quick: look often
    }
}

} // namespace

HWND WaitForStatusWindow(const dlg::Process& process, DWORD timeoutMs)
{
    return WaitForDialog(
        process, timeoutMs, [](const dlg::WindowInfo& info) { return info.Has(kProgressBar); });
}

int ProgressOf(HWND statusWindow)
{
    HWND bar = GetDlgItem(statusWindow, kProgressBar);
    DWORD_PTR position = 0;
    if (!bar || !SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &position))
        return -1;
    return static_cast<int>(position);
}

HWND WaitForMessageBox(const dlg::Process& process, DWORD timeoutMs)
{
    return WaitForDialog(process, timeoutMs, [](const dlg::WindowInfo& info) { return info.IsMessageBox(); });
}

PausedProcess::PausedProcess(DWORD pid)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid)
            continue;
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (thread && SuspendThread(thread) != static_cast<DWORD>(-1))
            threads_.push_back(thread);
        else if (thread)
            CloseHandle(thread);
    }
    CloseHandle(snapshot);
}

PausedProcess::~PausedProcess()
{
    for (HANDLE thread : threads_) {
        ResumeThread(thread);
        CloseHandle(thread);
    }
}

std::string InterruptTheCopy(
    const dlg::Process& installer, HWND statusWindow, const std::function<bool()>& post, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (installer.IsRunning() && GetTickCount() - start < timeoutMs) {
        if (ProgressOf(statusWindow) > 0) {
            PausedProcess paused(installer.Id());
            if (!paused.IsPaused())
                return {};
            // The window manager's copy of the label: a paused program answers no message.
            wchar_t text[MAX_PATH] = L"";
            InternalGetWindowText(GetDlgItem(statusWindow, kFileLabel), text, MAX_PATH);
            const std::string label = dlg::Utf8FromWide(text);
            // The named files come last; the loop could be over before the message is read.
            const bool inData = !label.empty() && label != " " && label != "uninst.exe"
                && label != "tarvel.eif" && label != "guide.ico";
            if (!inData)
                return {};
            return post() ? label : std::string();
        }
        Sleep(1);
    }
    return {};
}

} // namespace e2e
