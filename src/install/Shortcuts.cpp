// Shortcuts and registration: the last steps of an install. They make the
// package reachable (a Start-menu folder with its link, optionally a desktop
// link) and removable (the entry in the list of installed software), and
// record each product's key file. None of it is in the uninstall log; the
// run's record holds it for the undo.
#include "base/FileOps.h"
#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"
#include "base/ShellFolders.h"
#include "base/SystemCalls.h"
#include "app/TarvelDoc.h"
#include "install/RegistrationNames.h"
#include "install/UninstallEntry.h"
#include "rollback/KeptAside.h"
#include "rollback/RecordedFolders.h"
#include "rollback/RecordedRegistry.h"
#include "script/ScriptKeys.h"
#include "script/ScriptProducts.h"

#include <objbase.h>
#include <shlguid.h>
#include <shlobj.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

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

CString JoinPath(const CString& folder, const CString& name)
{
    return PathHelpers::WithTrailingBackslash(folder) + name;
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

BOOL CTarvelDoc::CreateShortcut(const CString& target, const CString& link, const CString& icon)
{
    // A link names its target and icon whole or is not made: the shell would
    // cut a longer path, and such a link opens the wrong thing.
    WCHAR linkPath[MAX_PATH];
    if (!FitsInPath(target) || !FitsInPath(icon) || !ToWidePath(link, linkPath)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return Fail(ERROR_CODE_GENERAL, "save link", link);
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
            return Fail(ERROR_CODE_GENERAL, "save link", link);
        }
        if (attributes != INVALID_FILE_ATTRIBUTES
            && !KeptAside::Keep(Record(), Change::Area::Shortcuts, PathHelpers::FolderOf(link), link))
            return Fail(ERROR_CODE_GENERAL, "keep aside", link);
        Record().FileWritten(Change::Area::Shortcuts, link);
        hr = persist->Save(linkPath, TRUE);
    }
    if (FAILED(hr)) {
        SetLastError(static_cast<DWORD>(hr));
        return Fail(ERROR_CODE_GENERAL, "save link", link);
    }
    return TRUE;
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
    const bool allUsers = LinksForAllUsers() != FALSE;
    ChangeRecord& record = Record();
    constexpr Change::Area area = Change::Area::Shortcuts;

    // 1. The program folder in the Start menu.
    const CString programs = ShellFolders::Programs(allUsers);
    const CString keyFile1 = GetScriptValue(SEC_INSTALL, KEY_PRODUCT_KEY_FILE1);
    const CString folderName = GetScriptValue(SEC_INSTALL, KEY_PROGRAM_FOLDER_NAME);
    const CString linkName = GetScriptValue(SEC_INSTALL, KEY_SHORTCUT_NAME) + LINK_EXTENSION;
    // Without a folder name the link lies in the programs folder itself, which
    // is the system's and never ours to remove.
    const CString programFolder = folderName.IsEmpty() ? programs : JoinPath(programs, folderName);
    if (programs.IsEmpty() || !EnsureFolder(record, programFolder))
        return Fail(ERROR_CODE_GENERAL, "create folder", programFolder);

    // 2. The menu link.
    const CString target = InstallFolder + keyFile1;
    const CString icon =
        InstallFolder + PathHelpers::NamedFileDestination(GetScriptValue(SEC_INSTALL, KEY_ICON_NAME));
    if (!CreateShortcut(target, JoinPath(programFolder, linkName), icon))
        return FALSE;

    // 3. The desktop link, when the script asks for one.
    if (GetScriptValue(SEC_INSTALL, KEY_FLAG_DESKTOP_ICON).CompareNoCase(FLAG_TRUE) == 0) {
        const CString desktop = ShellFolders::Desktop(allUsers);
        if (desktop.IsEmpty())
            return Fail(ERROR_CODE_GENERAL, "find desktop");
        if (!CreateShortcut(target, JoinPath(desktop, linkName), icon))
            return FALSE;
    }

    // 4. The package's entry in the list of installed software, with every
    // value of the entry's one list (install/UninstallEntry.cpp). A key that
    // was there before (a reinstall, or an empty "UNINSTALL_KEY" naming the
    // list's own key) gets its earlier values back on failure; one this run
    // made goes.
    const CString uninstallKey = UninstallEntry::KeyPath(GetScriptValue(SEC_UNINSTALL, KEY_UNINSTALL_KEY));
    ScopedRegKey key;
    const LONG created = RecordedRegistry::CreateKey(record, area, KeysRoot, uninstallKey, key);
    if (created != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(created));
        return Fail(ERROR_CODE_GENERAL, "create key", uninstallKey);
    }
    UninstallEntry::Facts facts;
    facts.Script = SetupScript;
    facts.ScriptCount = ScriptCount;
    facts.InstallFolder = InstallFolder;
    facts.InstalledBytes = UninstallEntry::InstalledBytes(record, InstallFolder);
    GetLocalTime(&facts.Today);
    CString failedValue;
    const LONG written = UninstallEntry::Write(record, area, KeysRoot, key.Get(), uninstallKey, facts,
                                               UninstallEntry::Values(), failedValue);
    if (written != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(written));
        return Fail(ERROR_CODE_GENERAL, "set value", uninstallKey + "\\" + failedValue);
    }
    key.Close();

    // 5. Each complete product's key file. A product that cannot be recorded
    // does not stop the install: the package is in place and removable.
    const CString company = GetScriptValue(SEC_INSTALL, KEY_COMPANY_NAME);
    const int products = ScriptProducts::Count(GetScriptValue(SEC_INSTALL, KEY_PRODUCT_NUM));
    for (int i : ScriptProducts::Indexes(SetupScript, ScriptCount, products)) {
        CString name, language, keyFile;
        name.Format(KEY_PRODUCT_NAME_FMT, i);
        language.Format(KEY_PRODUCT_LANGUAGE_FMT, i);
        keyFile.Format(KEY_PRODUCT_KEY_FILE_FMT, i);
        const CString productName = GetScriptValue(SEC_INSTALL, name);
        const CString productLanguage = GetScriptValue(SEC_INSTALL, language);
        const CString productKeyFile = GetScriptValue(SEC_INSTALL, keyFile);
        if (productName.IsEmpty() || productLanguage.IsEmpty() || productKeyFile.IsEmpty())
            continue;
        ScopedRegKey productKey;
        const CString path = CString(SOFTWARE_ROOT) + company + "\\" + productName + "\\" + productLanguage;
        if (RecordedRegistry::CreateKey(record, area, KeysRoot, path, productKey) == ERROR_SUCCESS)
            RecordedRegistry::SetText(record, area, KeysRoot, productKey.Get(), path, VALUE_KEY_FILE,
                                      InstallFolder + productKeyFile);
    }
    return TRUE;
}
