#include "E2eSupport.h"

#include "TestCommon.h"
#include "TestPaths.h"
#include "Text.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>

namespace e2e {

namespace {

const char kPackagesRoot[] = "C:\\tarvel-e2e";

std::string Environment(const char* name)
{
    char buffer[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::string ParentOf(const std::string& path)
{
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Test names may hold '/' (parameterised tests); keep folder names plain.
std::string FolderSafe(std::string name)
{
    for (char& c : name)
        if (!isalnum((unsigned char)c) && c != '.' && c != '-' && c != '_')
            c = '_';
    return name;
}

// Paths in this file are ASCII or UTF-8 from the tests; the W calls keep
// Japanese names intact whatever the code page.
std::wstring W(const std::string& utf8) { return dlg::WideFromUtf8(utf8); }

void WalkTree(const std::string& root, const std::string& relative, std::vector<std::string>& out)
{
    WIN32_FIND_DATAW data;
    std::string folder = relative.empty() ? root : root + "\\" + relative;
    HANDLE find = FindFirstFileW(W(folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = dlg::Utf8FromWide(data.cFileName);
        if (name == "." || name == "..")
            continue;
        std::string path = relative.empty() ? name : relative + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(path + "\\");
            WalkTree(root, path, out);
        } else {
            out.push_back(path);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

class RegKey {
public:
    RegKey(HKEY root, const std::string& subKey, REGSAM access)
    {
        // The 32-bit view: where the installer, a 32-bit program, writes.
        if (RegOpenKeyExW(root, W(subKey).c_str(), 0, access | KEY_WOW64_32KEY, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~RegKey()
    {
        if (key_)
            RegCloseKey(key_);
    }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

} // namespace

std::string InstallerPath()
{
    std::string fromEnvironment = Environment("TARVEL_EXE");
    return dlg::WindowsPathFromUnix(fromEnvironment.empty() ? TARVEL_EXE_UNIX_PATH : fromEnvironment);
}

std::string UninstallerPath() { return dlg::WindowsPathFromUnix(UNINST_EXE_UNIX_PATH); }

std::string CheckerPath() { return dlg::WindowsPathFromUnix(TARVELCHK_EXE_UNIX_PATH); }

std::string SamplePath() { return dlg::WindowsPathFromUnix(TARVEL_SAMPLE_UNIX_DIR); }

std::string PackageFolder::CopySample() const
{
    for (const std::string& item : ListTree(SamplePath())) {
        if (item.back() == '\\' || item == "setup\\tarvel.eif.utf8")
            continue;
        if (!Write(item, ReadFileBytes(SamplePath() + "\\" + item)))
            return std::string();
    }
    if (!CopyUninstaller("setup\\uninst.exe"))
        return std::string();
    std::string script = ReadFileBytes(SamplePath() + "\\setup\\tarvel.eif.utf8");
    script.erase(std::remove(script.begin(), script.end(), '\r'), script.end());
    return script;
}

CheckerRun RunChecker(const std::string& setupFolder, const std::string& options)
{
    CheckerRun run = RunConsoleProgram("\"" + CheckerPath() + "\" " + options + (options.empty() ? "" : " ")
                                       + "\"" + setupFolder + "\"");
    // Into a pipe the checker writes UTF-8, not the console's code page.
    run.output = run.bytes;
    return run;
}

CheckerRun RunConsoleProgram(const std::string& commandLineText)
{
    CheckerRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring commandLine = W(commandLineText);
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(
        nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::string bytes;
    if (started) {
        // Read while it runs and what is left once it ended, never waiting
        // for the pipe's end: a process the system starts meanwhile (Wine's
        // desktop, on the first window) may inherit it and keep it open.
        auto drain = [&] {
            DWORD available = 0;
            char buffer[4096];
            DWORD read = 0;
            while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0
                && ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0)
                bytes.append(buffer, read);
        };
        const DWORD start = GetTickCount();
        while (!(run.ended = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0)
               && GetTickCount() - start < 60000)
            drain();
        drain();
        if (!run.ended)
            TerminateProcess(process.hProcess, 255);
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    // The system's tools write in the console's code page, as this process
    // sees it.
    UINT codePage = GetConsoleOutputCP();
    run.output = dlg::Utf8FromAnsi(bytes, codePage ? codePage : GetACP());
    run.bytes = bytes;
    return run;
}

std::string ScriptBytes(const std::string& utf8Text)
{
    std::string crlf;
    for (char c : utf8Text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return dlg::AnsiFromUtf8(crlf, 932);
}

// --- files ---------------------------------------------------------------------

DWORD Attributes(const std::string& path) { return GetFileAttributesW(W(path).c_str()); }

bool Exists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path)
{
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFileBytes(const std::string& path)
{
    HANDLE file = CreateFileW(W(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    const std::string bytes = test_common::ReadAll(file);
    CloseHandle(file);
    return bytes;
}

bool MakeFolders(const std::string& path)
{
    if (path.empty() || IsFolder(path))
        return true;
    std::string parent = ParentOf(path);
    if (!parent.empty() && parent.back() != ':' && !MakeFolders(parent))
        return false;
    return CreateDirectoryW(W(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    if (!MakeFolders(ParentOf(path)))
        return false;
    HANDLE file = CreateFileW(W(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

void RemoveTree(const std::string& path)
{
    std::vector<std::string> entries = ListTree(path);
    // Deepest first, so folders are empty when their turn comes.
    std::sort(entries.begin(), entries.end(), std::greater<std::string>());
    for (const std::string& e : entries) {
        std::string full = path + "\\" + e;
        SetFileAttributesW(W(full).c_str(), FILE_ATTRIBUTE_NORMAL); // installed logs are read-only
        if (e.back() == '\\')
            RemoveDirectoryW(W(full.substr(0, full.size() - 1)).c_str());
        else
            DeleteFileW(W(full).c_str());
    }
    RemoveDirectoryW(W(path).c_str());
}

std::vector<std::string> ListTree(const std::string& root)
{
    std::vector<std::string> out;
    WalkTree(root, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

// --- registry ----------------------------------------------------------------------

bool WriteRegString(HKEY root, const std::string& subKey, const std::string& name, const std::string& text)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, W(subKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | KEY_WOW64_32KEY,
                        nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    const std::wstring data = W(text);
    const LONG rc = RegSetValueExW(key, W(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool ReadRegString(HKEY root, const std::string& subKey, const std::string& name, std::string* value)
{
    RegKey key(root, subKey, KEY_QUERY_VALUE);
    DWORD type = 0, size = 0;
    if (!key.Get() || RegQueryValueExW(key.Get(), W(name).c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS
        || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.Get(), W(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]), &size)
        != ERROR_SUCCESS)
        return false;
    buffer.resize(wcsnlen(buffer.c_str(), size / sizeof(wchar_t)));
    *value = dlg::Utf8FromWide(buffer);
    return true;
}

bool ReadRegDword(HKEY root, const std::string& subKey, const std::string& name, DWORD* value)
{
    RegKey key(root, subKey, KEY_QUERY_VALUE);
    DWORD type = 0, size = sizeof(DWORD);
    return key.Get()
        && RegQueryValueExW(key.Get(), W(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size)
        == ERROR_SUCCESS
        && type == REG_DWORD;
}

bool RegKeyExists(HKEY root, const std::string& subKey) { return RegKey(root, subKey, KEY_READ).Get() != nullptr; }

void DeleteRegTree(HKEY root, const std::string& subKey)
{
    {
        RegKey key(root, subKey, KEY_READ | KEY_WRITE);
        if (!key.Get())
            return;
        // Children first: RegDeleteKey removes empty keys only.
        std::vector<std::string> children;
        wchar_t name[256];
        for (DWORD i = 0; RegEnumKeyW(key.Get(), i, name, 256) == ERROR_SUCCESS; ++i)
            children.push_back(dlg::Utf8FromWide(name));
        for (const std::string& child : children)
            DeleteRegTree(root, subKey + "\\" + child);
    }
    std::string parent = ParentOf(subKey);
    std::string last = subKey.substr(parent.empty() ? 0 : parent.size() + 1);
    RegKey parentKey(root, parent, KEY_WRITE);
    if (parentKey.Get())
        RegDeleteKeyW(parentKey.Get(), W(last).c_str());
}

// --- shortcuts -----------------------------------------------------------------------

bool ReadShortcut(const std::string& lnkPath, Shortcut* shortcut)
{
    HRESULT init = CoInitialize(nullptr);
    bool ok = false;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(W(lnkPath).c_str(), STGM_READ))) {
                wchar_t buffer[MAX_PATH] = L"";
                if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH)))
                    shortcut->target = dlg::Utf8FromWide(buffer);
                int index = 0;
                buffer[0] = 0;
                if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &index))) {
                    shortcut->iconPath = dlg::Utf8FromWide(buffer);
                    shortcut->iconIndex = index;
                }
                buffer[0] = 0;
                if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH)))
                    shortcut->workingFolder = dlg::Utf8FromWide(buffer);
                ok = true;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return ok;
}

// --- package folder ------------------------------------------------------------------

PackageFolder::PackageFolder(const std::string& name)
    : root_(std::string(kPackagesRoot) + "\\" + FolderSafe(name) + "-" + std::to_string(GetCurrentProcessId()))
{
    RemoveTree(root_); // a leftover of a crashed run with the same id
    MakeFolders(SetupFolder());
}

PackageFolder::~PackageFolder()
{
    if (!keep_)
        RemoveTree(root_);
}

bool PackageFolder::Write(const std::string& relative, const std::string& bytes) const
{
    return WriteFileBytes(Path(relative), bytes);
}

bool PackageFolder::WriteScript(const std::string& utf8Text) const
{
    return Write("setup\\tarvel.eif", ScriptBytes(utf8Text));
}

bool PackageFolder::CopyInstaller() const
{
    return CopyFileW(W(InstallerPath()).c_str(), W(InstallerInPackage()).c_str(), FALSE) != FALSE;
}

bool PackageFolder::CopyUninstaller(const std::string& relative) const
{
    return MakeFolders(ParentOf(Path(relative)))
        && CopyFileW(W(UninstallerPath()).c_str(), W(Path(relative)).c_str(), FALSE);
}

dlg::RunResult PackageFolder::Run(const std::string& tail, dlg::RunOptions options) const
{
    if (options.currentFolder.empty())
        options.currentFolder = SetupFolder();
    dlg::RunResult result = dlg::RunToEnd(InstallerInPackage(), tail, options);
    if (result.ended && result.exitCode == 0) {
        const CheckerRun check = RunChecker(SetupFolder(), "--quiet");
        EXPECT_TRUE(check.ended && check.exitCode == 0)
            << "tarvelchk rejects a package that installs (exit " << check.exitCode << "):\n" << check.output;
    }
    return result;
}

bool PackageFolder::Start(dlg::Process& process, const std::string& tail, const std::string& currentFolder) const
{
    return process.Start(InstallerInPackage(), tail, currentFolder.empty() ? SetupFolder() : currentFolder);
}

std::string Describe(const dlg::RunResult& result)
{
    std::string out = result.started ? "" : "not started\n";
    if (!result.error.empty())
        out += "error: " + result.error + "\n";
    out += result.ended ? "exit code " + std::to_string(result.exitCode) + "\n" : "did not end\n";
    out += std::to_string(result.windows.size()) + " window(s):\n";
    for (const dlg::SeenWindow& w : result.windows)
        out += dlg::Describe(w.info);
    return out;
}

// --- fixture --------------------------------------------------------------------------

namespace {

std::string CurrentTestName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : "test";
}

} // namespace

InstallerTest::InstallerTest()
    : package(CurrentTestName())
{
}

void InstallerTest::SetUp()
{
    ASSERT_TRUE(Exists(InstallerPath())) << "no installer at " << InstallerPath();
    ASSERT_TRUE(IsFolder(package.SetupFolder())) << "cannot create " << package.SetupFolder();
}

void InstallerTest::TearDown()
{
    for (dlg::Process& p : processes_)
        p.Terminate();
    if (HasFailure()) {
        package.Keep();
        std::printf("package folder kept: %s\n", package.Root().c_str());
    }
}

dlg::Process& InstallerTest::Track(dlg::Process&& process)
{
    processes_.push_back(std::move(process));
    return processes_.back();
}

dlg::Process& InstallerTest::StartInstaller(const std::string& tail, const std::string& currentFolder)
{
    dlg::Process& p = Track(dlg::Process());
    EXPECT_TRUE(package.Start(p, tail, currentFolder)) << "cannot start " << package.InstallerInPackage();
    return p;
}

} // namespace e2e
