// RunContext: everything one install run works on, in one object that is
// handed to every step: the script table, the settings read from it, the
// destination, the record of the run's changes, the uninstall log's text,
// the registry root and the run's failure. The steps take it as a
// parameter; nothing in the engine looks the run up anywhere else.
#pragma once

#include "afxwin.h"
#include "base/RegistryRoot.h"
#include "install/RunError.h"
#include "install/RunHost.h"
#include "rollback/ChangeRecord.h"
#include "script/ScriptTable.h"

#include <vector>

class IProgress;

// Program error codes; any other code shown is a system error code.
enum : DWORD {
    ERROR_CODE_WRITE = 0x2100,
    ERROR_CODE_COPY = 0x2110,
    ERROR_CODE_NOSPACE = 0x2120,
    ERROR_CODE_CANCEL = 0x2130,
    ERROR_CODE_GENERAL = 0x2ff0,
};

// The code to report for a failed file copy. Error 13 is how a full disk
// shows up on the 95 family; the NT family says so in its own words, and a
// user told "copy error" for a full disk would look for the wrong cause.
inline DWORD CopyFailureCode(DWORD systemError)
{
    switch (systemError) {
    case ERROR_INVALID_DATA:
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ERROR_CODE_NOSPACE;
    default:
        return ERROR_CODE_COPY;
    }
}

// One item to install: path relative to the installer's folder, the
// attributes it had when found, and its size.
struct SourceEntry
{
    CString Path;
    DWORD Attributes = 0;
    DWORD SizeHigh = 0;
    DWORD SizeLow = 0;
    FILETIME LastWrite = {};

    ULONGLONG Size() const { return (static_cast<ULONGLONG>(SizeHigh) << 32) | SizeLow; }
};

// The user counter of one shared library, as read at load and as raised.
struct CounterRecord
{
    CString LibraryPath;
    LONG CounterBefore = 0;
    LONG CounterNow = 0;
};

// TRUE when a script flag reads "FALSE" in any case.
BOOL IsFlagFalse(const CString& flag);

class RunContext
{
public:
    // 'host' is the program that runs the install: it keeps the record and
    // says which folders the links go to. Without one (the checker, which
    // only loads) the context keeps a record of its own.
    explicit RunContext(IRunHost* host = nullptr) : m_host(host) {}
    virtual ~RunContext() = default;
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

// The script table
    ScriptEntry SetupScript[SCRIPT_MAX_ENTRIES];
    int ScriptCount = 0;
    CString GetScriptValue(const char* section, const char* key) const;

// The settings read from it when the package loads
    CString Caption;
    CString AppPathBase;
    CString FlagInstFolDialog;
    CString FlagStatusDialog;
    CString FlagEndDialog;
    // The install-folder dialog's banner: empty when the script names none
    // or its file is not there.
    CString BannerFile;
    CStringArray WritableFiles;
    int IsSharedComponents = 0;
    CString SharedFolder;
    CString SharedSourceFolder;
    CStringArray RegistrationList;
    CStringArray LibraryList;
    int IsProductInstalled = 0;
    CounterRecord CounterRecords[5];

// The destination, and where the entry and the product keys go
    CString InstallFolder;
    // Decided once per run; every recorded key carries it.
    HKEY KeysRoot = RegistryRoot::Package();
    // TRUE when the links go to the all-users folders (the NT family).
    BOOL LinksForAllUsers() const;

// The copy
    // Grows as the scan finds items; the count is its size.
    std::vector<SourceEntry> SourceList;
    std::vector<SourceEntry> SharedFileList;
    int SharedFileCount = 0;
    CString CurrentItem;
    int ProgressPosition = 0;
    int ProgressDivisor = 1;
    // The window that shows progress and hears a cancel, or null.
    virtual IProgress* ProgressView() const { return nullptr; }
    // The position or the current item moved on: the window shows it.
    virtual void ProgressChanged() {}

// The record of the run's changes, and the uninstall log's text
    ChangeRecord& Record() const;
    // Grows without bound; the stored log format does not depend on a buffer.
    CString LogText;

// The outcome
    // 1 when the install ended because the user cancelled it.
    int IsUserCancel = 0;
    // What the failing step of the run left for its driver to report.
    RunError Failure;
    // A step's failure: kept for the driver, with the system's error of the
    // moment. Always FALSE, for "return run.Fail(...)".
    BOOL Fail(DWORD code, const char* operation, const CString& path = CString());
    BOOL FailWithText(const CString& text, const char* operation, const CString& path = CString());

private:
    IRunHost* m_host;
    mutable ChangeRecord m_ownRecord;
};
