#include "SeamRecorder.h"

#include <cstdio>

namespace {

SeamRecorder* g_current = nullptr;

// A recording entry for every signature of the table: records the entry's
// name, then calls the entry the recorder found in place.
template <typename Entry, Entry SystemCalls::*Member>
struct Recording;

template <typename Result, typename... Args, Result(WINAPI* SystemCalls::*Member)(Args...)>
struct Recording<Result(WINAPI*)(Args...), Member>
{
    static const char* Name;
    static Result WINAPI Call(Args... args)
    {
        SeamRecorder& recorder = SeamRecorder::Current();
        recorder.Add(Name);
        return (recorder.Forward().*Member)(args...);
    }
};

template <typename Result, typename... Args, Result(WINAPI* SystemCalls::*Member)(Args...)>
const char* Recording<Result(WINAPI*)(Args...), Member>::Name = nullptr;

// An entry missing from the table (a call the system lacks) stays missing.
#define RECORD(entry)                                                                                     \
    do {                                                                                                  \
        using Recorded = Recording<decltype(SystemCalls::entry), &SystemCalls::entry>;                    \
        Recorded::Name = #entry;                                                                          \
        Sys().entry = Sys().entry ? &Recorded::Call : nullptr;                                            \
    } while (false)

BOOL WINAPI RecordedSetDefaultDllDirectories(DWORD flags)
{
    char hex[16];
    std::snprintf(hex, sizeof(hex), "0x%lx", static_cast<unsigned long>(flags));
    SeamRecorder::Current().Add("SetDefaultDllDirectories", hex);
    return SeamRecorder::Current().DefaultDirectoriesAnswer();
}

BOOL WINAPI RecordedSetDllDirectoryA(LPCSTR folder)
{
    SeamRecorder::Current().Add("SetDllDirectoryA", folder ? folder : "<null>");
    return TRUE;
}

} // namespace

SeamRecorder::SeamRecorder() : m_forward(Sys())
{
    g_current = this;
    Sys().SetDefaultDllDirectories = &RecordedSetDefaultDllDirectories;
    Sys().SetDllDirectoryA = &RecordedSetDllDirectoryA;
    RECORD(OpenMutexA);
    RECORD(MessageBoxA);
    RECORD(ReadFile);
    RECORD(CopyFileA);
    RECORD(SetFileAttributesA);
    RECORD(DeleteFileA);
    RECORD(CreateDirectoryA);
    RECORD(GetTempPath2A);
    RECORD(MoveFileA);
    RECORD(CreateFileA);
    RECORD(WriteFile);
    RECORD(GetFileAttributesA);
    RECORD(GetFileInformationByHandle);
    RECORD(GetProcAddress);
    RECORD(GetDiskFreeSpaceA);
    RECORD(RegCreateKeyExA);
    RECORD(RegSetValueExA);
    RECORD(RegDeleteValueA);
    RECORD(LoadLibraryExA);
    RECORD(CoCreateInstance);
    RECORD(GetTokenInformation);
    RECORD(CheckTokenMembership);
    RECORD(GetACP);
    RECORD(MessageBoxW);
    RECORD(Sleep);
    static_assert(sizeof(SystemCalls) == 27 * sizeof(void*), "a new entry of the table is not recorded");
}

SeamRecorder::~SeamRecorder()
{
    Sys() = m_forward;
    g_current = nullptr;
}

void SeamRecorder::DefaultDirectoriesMissing()
{
    Sys().SetDefaultDllDirectories = nullptr;
}

SeamRecorder& SeamRecorder::Current()
{
    return *g_current;
}

std::string SeamRecorder::Listing() const
{
    std::string text;
    for (const SeamCall& call : m_calls)
        text += call.Entry + (call.Argument.empty() ? "" : "(" + call.Argument + ")") + " ";
    return text.empty() ? "<no call>" : text;
}
