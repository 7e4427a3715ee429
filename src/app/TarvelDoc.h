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

// Package loading (install/PackageLoading.h); FALSE after the failure has
// been reported with its one box.
    BOOL LoadScript();
    int ReadScript();
    int AddScriptEntry(const char* key, const char* value);
    int BeginSection(const char* name);
    void LoadDialogSettings();
    int LoadSharedComponentSettings();

// Error reporting (app/ErrorReport.cpp): the drivers' one box
    // Shows the one box for the kept failure and forgets it.
    void ReportFailure();
    // The drivers' end of a failed or cancelled run: the one undo, then the one box.
    void EndFailedRun();
    void ShowErrorCode(DWORD code);
    void ShowMessage(CString text);
    void ShowTwoLineMessage(CString first, CString second);

// Install preparation (install/Prepare.h)
    // Asks before it makes a missing destination when 'ask' is TRUE.
    int PrepareInstall(BOOL ask);
    int ScanSourceFolder(const CString& pattern, std::vector<SourceEntry>& list, int position, int* endPosition);

// The copy, and the whole install (install/PackageCopy.h)
    // The copy step; FALSE after the run has been undone and reported.
    BOOL CopyPackage();
    BOOL RunInstall();
    int GetProgress() const { return ProgressPosition; }
    void ProgressChanged() override { UpdateAllViews(nullptr); }
    int MakeWritableIfListed(CString source, CString destination);

// Links and registration (install/Shortcuts.cpp, install/EntryKeys.cpp),
// where the installation's layout (install/InstallLayout.cpp) puts them
    BOOL CreateShortcut(const CString& target, const CString& link, const CString& icon);
    // The last steps of RunInstall: program folder, links, uninstall entry,
    // product key files. FALSE after the failure has been undone and reported.
    BOOL RegisterInstall();
    // The same steps without the undo and report, for a driver.
    BOOL RegisterSteps();

// The uninstall logs (install/UninstallLogs.h)
    int WriteUninstallLog();
    int WriteSharedFilesLog();

// The undo of a failed or cancelled run: every change in the record, area
// by area, silent and always to its end.
    void RollBackInstall();
    // Before the copy the package's changes are the folders the run made.
    void RemoveCreatedInstallFolders();

// Shared components (install/SharedComponents.h)
    int PrepareSharedFolder();
    int CopySharedFiles();
    int CheckSharedFileVersion(CString source, CString destination);
    int CallRegistrationEntry(const CString& path, BOOL registerIt);
    int RegisterSharedLibraries();
    int IncrementSharedCounters();
    CounterRecord* FindCounterEntry(const CString& name);
    CString SharedLogText() const;

// Implementation
    // The view that shows progress and answers the cancel question, or null.
    IProgress* ProgressView() const override;

private:
    // A load step's result: on FALSE its failure is shown and forgotten.
    BOOL Reported(BOOL loaded);
};
