// CTarvelDoc: the one document. It holds all state of the install run and
// carries out every step of it; each operation lives in the source file of
// the subsystem it belongs to (install/, app/, rollback/, shared/).
#pragma once

#include "afxwin.h"
#include "base/RegistryRoot.h"
#include "install/RunError.h"
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

class CTarvelDoc : public CDocument
{
public:
// Data members
    CString Caption;
    CString CurrentItem;
    ScriptEntry SetupScript[SCRIPT_MAX_ENTRIES];
    CString InstallFolder;
    // Where this run keeps the entry and the product keys, chosen once.
    HKEY KeysRoot = RegistryRoot::Package();
    CString SharedFolder;
    CString SharedSourceFolder;
    CString AppPathBase;
    CString FlagInstFolDialog;
    CString FlagStatusDialog;
    CString FlagEndDialog;
    CStringArray RegistrationList;
    CStringArray LibraryList;
    int IsSharedComponents = 0;
    // Grows without bound; the stored log format does not depend on a buffer.
    CString LogText;
    // Grows as the scan finds items; the count is its size.
    std::vector<SourceEntry> SourceList;
    int ProgressPosition = 0;
    int ScriptCount = 0;
    CStringArray WritableFiles;
    int SharedFileCount = 0;
    int ProgressDivisor = 1;
    std::vector<SourceEntry> SharedFileList;
    int IsProductInstalled = 0;
    CounterRecord CounterRecords[5];

    // 1 when the install ended because the user cancelled it.
    int IsUserCancel = 0;
    // What the failing step of the run left for its driver to report.
    RunError Failure;

// Setup script table (install/SetupScript.cpp)
    int ReadScript();
    int AddScriptEntry(const char* key, const char* value);
    int BeginSection(const char* name);
    CString GetScriptValue(const char* section, const char* key) const;

// Error reporting (app/ErrorReport.cpp)
    // A step's failure: kept for the driver, with the system's error of the
    // moment. Always FALSE, for "return Fail(...)".
    BOOL Fail(DWORD code, const char* operation, const CString& path = CString());
    BOOL FailWithText(const CString& text, const char* operation, const CString& path = CString());
    // Shows the one box for the kept failure and forgets it.
    void ReportFailure();
    // The drivers' end of a failed or cancelled run: the one undo, then the one box.
    void EndFailedRun();
    void ShowErrorCode(DWORD code);
    void ShowMessage(CString text);
    void ShowTwoLineMessage(CString first, CString second);
    // A refusal while the package loads: a failure line naming the missing
    // file or key, then the box. A package file that the existence test did
    // not find is worded by [ERROR] as the system error says; a script
    // without that text (or without [ERROR] at all, as one read as a single
    // line) still gets a box that names the file. Always FALSE.
    BOOL RefuseMissingFile(const CString& path, DWORD systemError);
    // A key that must be there and is not: the failure line, then 'text', or
    // without one "[KEY]Key not found." and "Abort installation.". The line
    // tells when the script read as less than it holds (CR alone as line
    // end, a full table). Always FALSE.
    BOOL RefuseMissingKey(const char* key, const CString& text = CString());

// Package loading (app/LoadScript.cpp)
    BOOL LoadScript();

// The record of the run's changes (kept by the run host) and its undo
    ChangeRecord& Record() const;
    void RemoveCreatedInstallFolders();

// Install preparation (install/Prepare.cpp)
    void LoadDialogSettings();
    int PrepareInstall(BOOL ask);
    int ScanSourceFolder(const CString& pattern, std::vector<SourceEntry>& list, int position, int* endPosition);

// Install execution (install/Execute.cpp)
    BOOL RunInstall();
    int GetProgress() const { return ProgressPosition; }

// Shortcuts and registration (install/Shortcuts.cpp)
    BOOL CreateShortcut(const CString& target, const CString& link, const CString& icon);
    // The last steps of RunInstall: program folder, links, uninstall entry,
    // product key files. FALSE after the failure has been undone and reported.
    BOOL RegisterInstall();
    // The same steps without the undo and report, for a driver.
    BOOL RegisterSteps();

// Uninstall log and rollback (rollback/)
    int WriteUninstallLog();
    // "sharedf.cfn": the shared files this run (and earlier installs into the
    // same folder) wrote, for the uninstaller. Only with shared components.
    int WriteSharedFilesLog();
    // Writes a log's stored bytes to 'path' read-only, an earlier file kept
    // aside and the new one recorded; 0 after a failure has been kept.
    int StoreLogFile(const CString& path, const CString& stored);
    // The undo of a failed or cancelled run: every change in the record,
    // area by area, silent and always to its end.
    void RollBackInstall();
    // Keeps an existing file aside before it is replaced; FALSE when it
    // cannot be kept (the install must not go on and lose it).
    BOOL KeepAside(Change::Area area, const CString& root, const CString& path);

// Shared components (shared/)
    int LoadSharedComponentSettings();
    int PrepareSharedFolder();
    int CopySharedFiles();
    // TRUE when 'source' is one of the script's shared libraries.
    BOOL IsSharedLibrary(const CString& source) const;
    int CheckSharedFileVersion(CString source, CString destination);
    int MakeWritableIfListed(CString source, CString destination);
    // TRUE when 'source' is a package file the script names as writable.
    BOOL IsListedWritable(CString source) const;
    int CallRegistrationEntry(const CString& path, BOOL registerIt);
    int RegisterSharedLibraries();
    int IncrementSharedCounters();
    CounterRecord* FindCounterEntry(const CString& name);
    // The shared log text: the shared folder's levels and the folders and
    // files that this run's shared copy made there.
    CString SharedLogText() const;

// Implementation
    // The view that shows progress and answers the cancel question, or null.
    IProgress* ProgressView() const;
};
