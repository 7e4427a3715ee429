#include "uninst/SelfRemoval.h"

#include "base/CommandLine.h"
#include "base/SingleInstance.h"
#include "base/FileOps.h"
#include "base/PathHelpers.h"
#include "base/RunLog.h"
#include "base/ScopedHandles.h"
#include "rollback/UndoSteps.h"
#include "uninst/CleanupFolder.h"
#include "uninst/UninstReport.h"

#include <cstdlib>
#include <vector>

namespace {

// The file of a process may stay locked for a moment after its handle is
// signalled, a little longer than a scanner holds a file: the delete's own
// waits for a held file, a few times over.
constexpr int REMOVAL_ROUNDS = 3;

// The copy's file name in its folder.
constexpr char COPY_NAME[] = "tvuninst.exe";

CString Quoted(const CString& text)
{
    return "\"" + text + "\"";
}

// This program's file; empty when the system cannot name it.
CString OwnPath()
{
    return FileOps::OwnProgramPath();
}

// Once this process has ended, the command interpreter deletes its file and,
// for a copy in a folder made for it, that folder. It reads its input from a
// pipe whose writing end only this process holds: the end of input comes when
// this process is gone, and then the removal runs. It runs in the system
// folder: neither holding the folder it removes nor looking for anything in
// one a user can write. Where no interpreter can be started, both go at the
// next restart.
void ArrangeOwnRemoval()
{
    const CString self = OwnPath();
    // A copy started by hand from any other folder leaves that folder alone.
    const CString folder = PathHelpers::FolderOf(self);
    const bool ownFolder = CleanupFolder::IsCleanupFolder(folder);
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof(system));
    char shell[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("ComSpec", shell, sizeof(shell))) {
        lstrcpynA(shell, system, sizeof(shell));
        lstrcatA(shell, "\\cmd.exe");
    }
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    ScopedHandle readEnd;
    // The writing end stays open on purpose: this process's end closes it.
    HANDLE writeEnd = nullptr;
    bool started = false;
    if (CreatePipe(readEnd.Receive(), &writeEnd, &inherit, 0)) {
        SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
        CString removal = "del /f /q " + Quoted(self);
        if (ownFolder)
            removal += " & rd " + Quoted(folder);
        CString command = Quoted(shell) + " /d /q /c \"set /p wait= & " + removal + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        startup.hStdInput = readEnd.Get();
        ScopedProcess process;
        started = CreateProcessA(nullptr, command.GetBuffer(command.GetLength()), nullptr, nullptr, TRUE,
                                 CREATE_NO_WINDOW, nullptr, system, &startup, process.Receive()) != FALSE;
        command.ReleaseBuffer();
    }
    if (!started) {
        MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        if (ownFolder)
            MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
}

// The copy deletes only the program it was made from: a file of its own
// bytes. Started by hand with another path, it deletes nothing.
bool IsCopyOfSelf(const char* program)
{
    return FileOps::SameContent(OwnPath(), program);
}

} // namespace

namespace SelfRemoval {

bool StartCleanupCopy(const CString& program, const std::vector<CString>& folders, const CString& log)
{
    const CString self = OwnPath();
    if (self.IsEmpty())
        return false;
    const CString folder = CleanupFolder::Create();
    if (folder.IsEmpty())
        return false;
    const CString copy = folder + "\\" + COPY_NAME;
    // Nothing of the copy stays when it cannot be started.
    auto abandon = [&] {
        Undo::RemoveFile(copy);
        RemoveDirectoryA(folder);
        return false;
    };
    if (!CopyFileA(self, copy, TRUE))
        return abandon();

    // Query rights too: the copy ends the log with this process's exit code.
    ScopedHandle me;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), me.Receive(),
                         SYNCHRONIZE | PROCESS_QUERY_INFORMATION, TRUE, 0))
        return abandon();
    // No mutex (a caller that holds none) is passed as 0.
    ScopedHandle lock(SingleInstance::Inheritable());
    CString command;
    command.Format("%s %s %lu %lu %s %s", static_cast<const char*>(Quoted(copy)), CLEANUP_SWITCH,
                   static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(me.Get())),
                   static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(lock.Get())),
                   static_cast<const char*>(Quoted(log)), static_cast<const char*>(Quoted(program)));
    for (const CString& removed : folders)
        command += " " + Quoted(removed);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    ScopedProcess process;
    const bool started = CreateProcessA(copy, command.GetBuffer(command.GetLength()), nullptr, nullptr, TRUE, 0,
                                        nullptr, folder, &startup, process.Receive()) != FALSE;
    command.ReleaseBuffer();
    // The copy has its own handles to this process and the mutex now, or none.
    me.Close();
    lock.Close();
    return started ? true : abandon();
}

int RunCleanup(const char* arguments)
{
    std::vector<CString> parts;
    for (const CommandLine::Word& word : CommandLine::SplitWords(arguments))
        parts.push_back(word.Value);
    if (parts.size() < 4)
        return 1;
    auto handleAt = [&](size_t i) {
        return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(strtoul(parts[i], nullptr, 10)));
    };
    ScopedHandle original(handleAt(0));
    // Held from the uninstaller's start to the last removal here.
    ScopedHandle lock(handleAt(1));
    WaitForSingleObject(original.Get(), INFINITE);
    DWORD exitCode = 0;
    const bool knowsExitCode = GetExitCodeProcess(original.Get(), &exitCode) != FALSE;
    original.Close();

    const CString& log = parts[2];
    const CString& program = parts[3];
    bool gone = false;
    if (IsCopyOfSelf(program)) {
        // The log's lines go on where the uninstaller stopped; a log that is
        // gone or held by someone else stays as it is.
        if (!log.IsEmpty())
            RunLog::Append(log);
        for (int round = 0; round < REMOVAL_ROUNDS && !gone; ++round)
            gone = Undo::RemoveFile(program) || GetFileAttributesA(program) == INVALID_FILE_ATTRIBUTES;
        if (gone) {
            RunLog::Line("remove", "file removed: " + program);
        } else {
            const DWORD error = GetLastError();
            const bool scheduled = MoveFileExA(program, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
            RunLog::Line("left", CString(scheduled ? "file removed at the next restart: " : "file left: ") + program
                                     + ", " + RunLog::ErrorText(error));
        }
        for (size_t i = 4; i < parts.size(); ++i) {
            if (GetFileAttributesA(parts[i]) == INVALID_FILE_ATTRIBUTES)
                continue;
            if (Undo::RemoveFolderIfEmpty(parts[i]))
                RunLog::Line("remove", "folder removed: " + parts[i]);
            else
                RunLog::Line("left", "folder left, not empty: " + parts[i]);
        }
        if (RunLog::IsOpen())
            UninstReport::End(knowsExitCode ? static_cast<int>(exitCode) : -1);
    }
    // Before the command interpreter is started: it must not inherit it.
    lock.Close();
    ArrangeOwnRemoval();
    return gone ? 0 : 1;
}

} // namespace SelfRemoval
