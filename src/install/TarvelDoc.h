// CTarvelDoc: the one document. It is the run's context (the state every
// step takes) and names the run's operations; each is a thin call into the
// module of its concern.
#pragma once

#include "install/RunContext.h"

class CTarvelDoc : public CDocument, public RunContext
{
public:
    // The framework makes the document inside the running program, which
    // keeps the run's record.
    CTarvelDoc() : RunContext(RunHost()) {}

// Setup script table (install/SetupScript.cpp)
    int ReadScript();
    int AddScriptEntry(const char* key, const char* value);
    int BeginSection(const char* name);

// Error reporting (app/ErrorReport.cpp)
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
    void RemoveCreatedInstallFolders();

// Install preparation (install/Prepare.cpp)
    void LoadDialogSettings();
    int PrepareInstall(BOOL ask);
    int ScanSourceFolder(const CString& pattern, std::vector<SourceEntry>& list, int position, int* endPosition);

// Install execution (install/Execute.cpp)
    BOOL RunInstall();
    int GetProgress() const { return ProgressPosition; }

// Links and registration (install/Shortcuts.cpp, install/EntryKeys.cpp),
// where the installation's layout (install/InstallLayout.cpp) puts them
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
    IProgress* ProgressView() const override;
};
