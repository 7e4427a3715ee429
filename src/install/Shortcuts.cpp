// The links make the package reachable. None of them is in the uninstall
// log: the uninstaller finds them through the installation's layout, and the
// run's record holds them for the undo.
#include "install/Shortcuts.h"

#include "base/FileOps.h"
#include "base/PathHelpers.h"
#include "base/SystemCalls.h"
#include "rollback/KeptAside.h"
#include "rollback/RecordedFolders.h"

#include <objbase.h>
#include <shlguid.h>
#include <shlobj.h>

namespace {

// COM for the life of one link. Only a successful CoInitialize is balanced:
// an unbalanced CoUninitialize would tear down a caller's apartment.
class ComApartment
{
public:
    ComApartment() : m_result(CoInitialize(nullptr)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT m_result;
};

// Owns one interface pointer; declared after the ComApartment that it needs.
template <class T>
class ComPtr
{
public:
    ComPtr() = default;
    ~ComPtr()
    {
        if (m_p)
            m_p->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    void** Receive() { return reinterpret_cast<void**>(&m_p); }
    T* operator->() const { return m_p; }

private:
    T* m_p = nullptr;
};

// The path as the shell and the file system take it: UTF-16 within MAX_PATH
// characters, terminator included. FALSE when it does not fit, or when the
// text is no valid text of the code page (it would be saved under another
// name, which the undo could not find again).
bool ToWidePath(const CString& path, WCHAR (&wide)[MAX_PATH])
{
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, wide, MAX_PATH) != 0;
}

bool FitsInPath(const CString& path)
{
    WCHAR wide[MAX_PATH];
    return ToWidePath(path, wide);
}

// TRUE when the folder is there afterwards: found, or created now (and
// recorded, so that a folder that was there, even empty, is never removed).
bool EnsureFolder(ChangeRecord& record, const CString& folder)
{
    if (FileOps::IsFolder(folder))
        return true;
    if (!FitsInPath(folder))
        return false;
    return RecordedFolders::Create(record, Change::Area::Shortcuts, folder) != FALSE;
}

} // namespace

namespace Shortcuts {

BOOL Create(RunContext& run, const CString& target, const CString& link, const CString& icon)
{
    // A link names its target and icon whole or is not made: the shell would
    // cut a longer path, and such a link opens the wrong thing.
    WCHAR linkPath[MAX_PATH];
    if (!FitsInPath(target) || !FitsInPath(icon) || !ToWidePath(link, linkPath)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return run.Fail(ERROR_CODE_GENERAL, "save link", link);
    }

    ComApartment apartment;
    ComPtr<IShellLinkA> shellLink;
    HRESULT hr = Sys().CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                        shellLink.Receive());
    // A link without its target would be saved as if all were well.
    if (SUCCEEDED(hr))
        hr = shellLink->SetPath(target);
    if (SUCCEEDED(hr))
        hr = shellLink->SetIconLocation(icon, 0);
    ComPtr<IPersistFile> persist;
    if (SUCCEEDED(hr))
        hr = shellLink->QueryInterface(IID_IPersistFile, persist.Receive());
    if (SUCCEEDED(hr)) {
        // An earlier link comes back if the run fails; a save that fails
        // half-way may leave a file, which the undo takes away.
        const DWORD attributes = GetFileAttributesA(link);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return run.Fail(ERROR_CODE_GENERAL, "save link", link);
        }
        if (attributes != INVALID_FILE_ATTRIBUTES
            && !KeptAside::Keep(run.Record(), Change::Area::Shortcuts, PathHelpers::FolderOf(link), link))
            return run.Fail(ERROR_CODE_GENERAL, "keep aside", link);
        run.Record().FileWritten(Change::Area::Shortcuts, link);
        hr = persist->Save(linkPath, TRUE);
    }
    if (FAILED(hr)) {
        SetLastError(static_cast<DWORD>(hr));
        return run.Fail(ERROR_CODE_GENERAL, "save link", link);
    }
    return TRUE;
}

BOOL Make(RunContext& run, const InstallLayout& layout)
{
    // Without a folder of its own the menu link lies in the programs folder,
    // which is only used, never made or taken back.
    const CString folder = layout.ProgramFolder.IsEmpty() ? layout.ProgramsFolder : layout.ProgramFolder;
    if (layout.ProgramsFolder.IsEmpty())
        return run.Fail(ERROR_CODE_GENERAL, "create folder", folder);
    // A name that is no plain file name (or folder name) would put the link
    // where the uninstaller never looks.
    if (layout.MenuLink.IsEmpty()) {
        SetLastError(ERROR_INVALID_NAME);
        return run.Fail(ERROR_CODE_GENERAL, "save link", layout.LinkName);
    }
    if (!EnsureFolder(run.Record(), folder))
        return run.Fail(ERROR_CODE_GENERAL, "create folder", folder);

    if (!Create(run, layout.LinkTarget, layout.MenuLink, layout.LinkIcon))
        return FALSE;

    if (layout.DesktopLinkAsked) {
        if (layout.DesktopLink.IsEmpty())
            return run.Fail(ERROR_CODE_GENERAL, "find desktop");
        if (!Create(run, layout.LinkTarget, layout.DesktopLink, layout.LinkIcon))
            return FALSE;
    }
    return TRUE;
}

} // namespace Shortcuts
