// CTarvelApp: one start of the program is one install run. It keeps the
// program to one instance, creates the frame, document and view, makes the
// installer's own folder current, starts the run and ends the process after it.
#pragma once

#include "afxwin.h"
#include "install/RunHost.h"
#include "rollback/ChangeRecord.h"
#include "base/CommandLine.h"
#include "app/ExitCodes.h"
#include "base/Version.h"

class CTarvelApp : public CWinApp, public IRunHost
{
public:
// Data members
    int IsNtFamily = 0;
    char InstallerFolder[MAX_PATH] = {};
    HANDLE InstanceMutex = nullptr;
    char StartFolder[MAX_PATH] = {};
    int IsRunPosted = 0;
    // Everything the run changes, from the first folder the folder browser
    // makes to the last registry value; the undo replays it.
    ChangeRecord Changes;

    // The mode and the deployment switches, read once at start-up.
    CommandLine::Switches Switches;

    // The outcome of the run, handed back as the process exit code.
    int ExitCode = EXIT_FAILED_BEFORE_COPY;
    // 1 while the run is under way: the main window must not close under it.
    int IsRunning = 0;

// Construction
    CTarvelApp();

// Created-folders journal: the folder levels in the record
    void AddCreatedInstallFolder(CString folder);
    void AddCreatedSharedFolder(CString folder);
    int GetCreatedInstallFolders(CStringArray& folders) const;
    int GetCreatedSharedFolders(CStringArray& folders) const;

// Operations
    // FALSE when another instance holds the mutex (also when it appeared
    // between the check and the creation).
    BOOL AcquireSingleInstance();
    // The installer's own folder: the program path cut at its last
    // single-byte backslash (a trail byte 0x5C is not one).
    static CString InstallerFolderOf(const char* modulePath);

// Overridables
    ChangeRecord& RunChanges() override { return Changes; }
    BOOL RunsOnNtFamily() const override { return IsNtFamily; }
    const char* InstallerFolderPath() const override { return InstallerFolder; }
    BOOL IsRunUnderWay() const override { return IsRunning; }
    BOOL InitInstance() override;
    int Run() override;
    int ExitInstance() override;
    BOOL OnCmdMsg(UINT nID, int nCode) override;

// Command handlers
    void OnRunSetup();
    void OnAppAbout();
};

// The one application object.
CTarvelApp* TarvelApp();
