// The document's operations, each a thin call into the module of its
// concern, and its link to the view that shows progress and hears a cancel.
#include "app/TarvelDoc.h"

#include "base/MessageBoxes.h"
#include "install/EntryKeys.h"
#include "install/InstallLayout.h"
#include "install/PackageCopy.h"
#include "install/PackageLoading.h"
#include "install/Prepare.h"
#include "install/Progress.h"
#include "install/SharedComponents.h"
#include "install/Shortcuts.h"
#include "install/UninstallLogs.h"
#include "install/WritableFiles.h"
#include "script/ScriptKeys.h"

#include <functional>

IProgress* CTarvelDoc::ProgressView() const
{
    CFrameWnd* pFrame = dynamic_cast<CFrameWnd*>(AfxGetMainWnd());
    if (pFrame)
        if (IProgress* pView = dynamic_cast<IProgress*>(pFrame->GetActiveView()))
            return pView;
    return dynamic_cast<IProgress*>(m_pFirstView);
}

// --- loading: on a refusal, the one box for it

BOOL CTarvelDoc::Reported(BOOL loaded)
{
    if (loaded)
        return TRUE;
    ReportFailure();
    return FALSE;
}

BOOL CTarvelDoc::LoadScript()
{
    return Reported(PackageLoading::Load(*this));
}

int CTarvelDoc::ReadScript()
{
    return Reported(PackageLoading::ReadScript(*this));
}

int CTarvelDoc::AddScriptEntry(const char* key, const char* value)
{
    return PackageLoading::AddScriptEntry(*this, key, value);
}

int CTarvelDoc::BeginSection(const char* name)
{
    return PackageLoading::BeginSection(*this, name);
}

void CTarvelDoc::LoadDialogSettings()
{
    PackageLoading::LoadDialogSettings(*this);
}

int CTarvelDoc::LoadSharedComponentSettings()
{
    return Reported(PackageLoading::LoadSharedComponentSettings(*this));
}

// --- preparation

int CTarvelDoc::PrepareInstall(BOOL ask)
{
    const auto agreeToCreate = [this]() {
        CWnd* mainWnd = AfxGetMainWnd();
        HWND owner = mainWnd ? mainWnd->GetSafeHwnd() : nullptr;
        return MessageBoxes::Show(owner, GetScriptValue(SEC_INSTALL, KEY_MAKE_FOLDER_CONF), Caption,
                                  MB_YESNO | MB_ICONQUESTION)
            == IDYES;
    };
    const int result = Preparation::Prepare(*this, ask ? std::function<bool()>(agreeToCreate) : nullptr);
    if (result == -1)
        EndFailedRun();
    return result;
}

int CTarvelDoc::ScanSourceFolder(const CString& pattern, std::vector<SourceEntry>& list, int position,
                                 int* endPosition)
{
    return Preparation::ScanSourceFolder(*this, pattern, list, position, endPosition);
}

// --- the copy and the whole install

BOOL CTarvelDoc::CopyPackage()
{
    IsUserCancel = 0;
    if (PackageCopy::CopyFiles(*this))
        return TRUE;
    EndFailedRun();
    return FALSE;
}

BOOL CTarvelDoc::RunInstall()
{
    if (!CopyPackage())
        return FALSE;
    if (!RegisterInstall())
        return FALSE;

    // The earlier installation's files are replaced for good now.
    Record().Commit();
    ProgressPosition = 100;
    UpdateAllViews(nullptr);
    return TRUE;
}

int CTarvelDoc::MakeWritableIfListed(CString source, CString destination)
{
    return Writable::MakeWritableIfListed(*this, source, destination) ? 1 : 0;
}

// --- the links, the entry and the product keys

BOOL CTarvelDoc::CreateShortcut(const CString& target, const CString& link, const CString& icon)
{
    return Shortcuts::Create(*this, target, link, icon);
}

BOOL CTarvelDoc::RegisterInstall()
{
    if (RegisterSteps())
        return TRUE;
    EndFailedRun();
    return FALSE;
}

BOOL CTarvelDoc::RegisterSteps()
{
    const InstallLayout layout
        = InstallLayout::Of(SetupScript, ScriptCount, InstallFolder, KeysRoot, LinksForAllUsers() != FALSE);
    return Shortcuts::Make(*this, layout) && EntryKeys::Write(*this, layout) ? TRUE : FALSE;
}

// --- the uninstall logs

int CTarvelDoc::WriteUninstallLog()
{
    return UninstallLogs::Write(*this) ? 1 : 0;
}

int CTarvelDoc::WriteSharedFilesLog()
{
    return UninstallLogs::WriteShared(*this) ? 1 : 0;
}

// --- the undo

void CTarvelDoc::RollBackInstall()
{
    // One undo for every failure, whichever step met it: the record holds
    // the package's files, the links and registry entries, and each shared
    // library's counter, registration and files, so exactly this run's
    // changes go back and a library another product counts or installed
    // keeps its registration.
    Record().UndoAll();
}

void CTarvelDoc::RemoveCreatedInstallFolders()
{
    Record().UndoArea(Change::Area::Package);
}

// --- shared components

int CTarvelDoc::PrepareSharedFolder()
{
    return SharedComponents::PrepareFolder(*this) ? 1 : 0;
}

int CTarvelDoc::CopySharedFiles()
{
    return SharedComponents::CopyFiles(*this) ? 1 : 0;
}

int CTarvelDoc::CheckSharedFileVersion(CString source, CString destination)
{
    return SharedComponents::CheckFileVersion(*this, source, destination);
}

int CTarvelDoc::CallRegistrationEntry(const CString& path, BOOL registerIt)
{
    return SharedComponents::CallRegistrationEntry(path, registerIt) ? 1 : 0;
}

int CTarvelDoc::RegisterSharedLibraries()
{
    return SharedComponents::RegisterLibraries(*this) ? 1 : 0;
}

int CTarvelDoc::IncrementSharedCounters()
{
    return SharedComponents::RaiseCounters(*this) ? 1 : 0;
}

CounterRecord* CTarvelDoc::FindCounterEntry(const CString& name)
{
    return SharedComponents::FindCounter(*this, name);
}

CString CTarvelDoc::SharedLogText() const
{
    return SharedComponents::LogText(*this);
}
