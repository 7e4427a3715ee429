#include "chk/FolderCheck.h"

#include "base/ScopedHandles.h"
#include "chk/PackageCheck.h"
#include "chk/PackageFiles.h"
#include "chk/ScriptCheck.h"
#include "chk/ScriptModel.h"
#include "res/resource.h"
#include "script/ScriptKeys.h"

#include <windows.h>

#include <string>

namespace Chk {

namespace {

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The banner control of the installer's own install-folder dialog, measured
// on this system (its size in pixels follows the dialog font).
void MeasureBanner(PackageOptions& options)
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_INSTALL_FOLDER), nullptr,
                                     QuietDialog, 0);
    if (!dialog)
        return;
    RECT client = {};
    if (HWND banner = GetDlgItem(dialog, IDC_BANNER); banner && GetClientRect(banner, &client)) {
        options.BannerWidth = client.right - client.left;
        options.BannerHeight = client.bottom - client.top;
    }
    DestroyWindow(dialog);
}

bool ReadScriptBytes(std::string& bytes)
{
    return ReadFileBytes(SETUP_SCRIPT_FILE, bytes);
}

// The caller's current folder comes back, whichever way the check ends: a
// test program checks many packages in one process.
class EnteredFolder
{
public:
    explicit EnteredFolder(const char* folder)
    {
        const DWORD length = GetCurrentDirectoryA(MAX_PATH, m_previous);
        if (length == 0 || length >= MAX_PATH)
            m_previous[0] = '\0';
        m_entered = SetCurrentDirectoryA(folder) != FALSE;
    }
    ~EnteredFolder()
    {
        if (m_entered && m_previous[0])
            SetCurrentDirectoryA(m_previous);
    }
    EnteredFolder(const EnteredFolder&) = delete;
    EnteredFolder& operator=(const EnteredFolder&) = delete;

    bool IsEntered() const { return m_entered; }

private:
    char m_previous[MAX_PATH] = {};
    bool m_entered = false;
};

} // namespace

FolderCheck CheckSetupFolder(const char* folder, CFindings& findings)
{
    // The installer runs in its own folder and names everything from there.
    EnteredFolder entered(folder);
    if (!entered.IsEntered())
        return FolderCheck::FolderUnreadable;
    std::string bytes;
    if (!ReadScriptBytes(bytes))
        return FolderCheck::ScriptUnreadable;

    CScriptModel model;
    model.Read(bytes);
    if (CheckScript(bytes, model, findings)) {
        PackageOptions options;
        MeasureBanner(options);
        CheckPackage(model, options, findings);
    }

    // The installer's own package loading has the last word: a package it
    // refuses is never passed, whatever the checks above missed.
    CString refusal;
    if (InstallerLoadFails(refusal) && findings.Count(Severity::Error) == 0)
        findings.Error(0, "load-fails", "the installer stops at once with the message " + Quote(refusal));
    return FolderCheck::Checked;
}

} // namespace Chk
