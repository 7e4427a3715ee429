// Shortcuts and registration: the last steps of an install. They make the
// package reachable (a Start-menu folder with its link, optionally a desktop
// link) and removable (the entry in the list of installed software), and
// record each product's key file. None of it is in the uninstall log, so a
// failing step takes back by hand what the steps before it made.
#include "app/PathHelpers.h"
#include "app/ScopedHandles.h"
#include "app/ShellFolders.h"
#include "app/SystemCalls.h"
#include "app/TarvelApp.h"
#include "app/TarvelDoc.h"
#include "install/RegistrationNames.h"
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

// TRUE when the folder is there afterwards: found, or created now.
bool EnsureFolder(const CString& folder)
{
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    if (!FitsInPath(folder))
        return false;
    return Sys().CreateDirectoryA(folder, nullptr) != FALSE;
}

// A link file that lay where the install writes one: a reinstall must not
// lose the earlier installation's link when it fails, so the undo puts these
// bytes back rather than deleting the path.
struct PriorFile
{
    bool Existed = false;
    std::string Bytes;
    DWORD Attributes = FILE_ATTRIBUTE_NORMAL;
};

PriorFile CaptureFile(const CString& path)
{
    PriorFile prior;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return prior;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return prior;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    // A link is a few hundred bytes; anything that is not is no link of ours.
    if (size != INVALID_FILE_SIZE && high == 0 && size <= 16 * 1024 * 1024) {
        std::string bytes(size, '\0');
        DWORD read = 0;
        if (size == 0 || (ReadFile(file, &bytes[0], size, &read, nullptr) && read == size)) {
            prior.Existed = true;
            prior.Bytes = std::move(bytes);
            prior.Attributes = attributes;
        }
    }
    CloseHandle(file);
    return prior;
}

void RestoreFile(const CString& path, const PriorFile& prior)
{
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    if (!prior.Bytes.empty())
        WriteFile(file, prior.Bytes.data(), static_cast<DWORD>(prior.Bytes.size()), &written, nullptr);
    CloseHandle(file);
    SetFileAttributesA(path, prior.Attributes);
}

// A value of an uninstall key that existed before this install, kept so
// that a failed reinstall leaves the earlier entry as it was.
struct PriorValue
{
    const char* Name = nullptr;
    bool Existed = false;
    DWORD Type = REG_NONE;
    std::vector<BYTE> Data;
};

PriorValue CaptureValue(HKEY key, const char* name)
{
    PriorValue prior;
    prior.Name = name;
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return prior;
    std::vector<BYTE> data(size);
    if (RegQueryValueExA(key, name, nullptr, &type, data.empty() ? nullptr : data.data(), &size)
        != ERROR_SUCCESS)
        return prior;
    data.resize(size);
    prior.Existed = true;
    prior.Type = type;
    prior.Data = std::move(data);
    return prior;
}

// Undo runs to the end: errors are ignored, and the real calls are used so
// that a test's failing stand-in for the writes does not stop the undo.
void RestoreValue(HKEY key, const PriorValue& prior)
{
    if (prior.Existed)
        RegSetValueExA(key, prior.Name, 0, prior.Type, prior.Data.empty() ? nullptr : prior.Data.data(),
                       static_cast<DWORD>(prior.Data.size()));
    else
        RegDeleteValueA(key, prior.Name);
}

LONG CreateKey(const CString& path, ScopedRegKey& key, DWORD* disposition)
{
    return Sys().RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 key.Receive(), disposition);
}

// A REG_SZ value, its terminating zero counted in its length. The text is
// written whole, however long.
bool SetText(HKEY key, const char* name, const CString& text)
{
    const DWORD bytes = static_cast<DWORD>(text.GetLength()) + 1;
    return Sys().RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(
        static_cast<const char*>(text)), bytes) == ERROR_SUCCESS;
}

} // namespace

BOOL CTarvelDoc::CreateShortcut(const CString& target, const CString& link, const CString& icon)
{
    // A link names its target and icon whole or is not made: the shell would
    // cut a longer path, and such a link opens the wrong thing.
    WCHAR linkPath[MAX_PATH];
    if (!FitsInPath(target) || !FitsInPath(icon) || !ToWidePath(link, linkPath)) {
        ShowErrorCode(ERROR_CODE_GENERAL);
        return FALSE;
    }

    ComApartment apartment;
    ComPtr<IShellLinkA> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                shellLink.Receive()))) {
        ShowErrorCode(ERROR_CODE_GENERAL);
        return FALSE;
    }
    // A link without its target would be saved as if all were well.
    if (FAILED(shellLink->SetPath(target)) || FAILED(shellLink->SetIconLocation(icon, 0))) {
        ShowErrorCode(ERROR_CODE_GENERAL);
        return FALSE;
    }
    ComPtr<IPersistFile> persist;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, persist.Receive()))) {
        ShowErrorCode(ERROR_CODE_GENERAL);
        return FALSE;
    }
    if (FAILED(persist->Save(linkPath, TRUE))) {
        ShowErrorCode(ERROR_CODE_GENERAL);
        return FALSE;
    }
    return TRUE;
}

BOOL CTarvelDoc::RegisterInstall()
{
    const bool allUsers = TarvelApp()->IsNtFamily != 0;
    auto rollBackShared = [this] {
        if (IsSharedComponents == 1)
            RollBackSharedComponents();
    };

    // 1. The program folder in the Start menu.
    const CString programs = ShellFolders::Programs(allUsers);
    const CString keyFile1 = GetScriptValue(SEC_INSTALL, KEY_PRODUCT_KEY_FILE1);
    const CString folderName = GetScriptValue(SEC_INSTALL, KEY_PROGRAM_FOLDER_NAME);
    const CString linkName = GetScriptValue(SEC_INSTALL, KEY_SHORTCUT_NAME) + LINK_EXTENSION;
    // Without a folder name the link lies in the programs folder itself, which
    // is the system's and never ours to remove.
    const bool ownFolder = !folderName.IsEmpty();
    const CString programFolder = ownFolder ? JoinPath(programs, folderName) : programs;
    if (programs.IsEmpty() || !EnsureFolder(programFolder)) {
        RollBackInstall();
        rollBackShared();
        ShowErrorCode(ERROR_CODE_GENERAL);
        return FALSE;
    }

    // 2. The menu link.
    const CString menuLink = JoinPath(programFolder, linkName);
    const CString target = InstallFolder + keyFile1;
    const CString icon =
        InstallFolder + PathHelpers::NamedFileDestination(GetScriptValue(SEC_INSTALL, KEY_ICON_NAME));
    const PriorFile priorMenuLink = CaptureFile(menuLink);
    auto takeBackMenuLink = [&] {
        if (priorMenuLink.Existed)
            RestoreFile(menuLink, priorMenuLink);
        else if (ownFolder)
            DeleteFileAndEmptyFolder(menuLink, programFolder);
        else
            DeleteFileA(menuLink);
    };
    if (!CreateShortcut(target, menuLink, icon)) {
        RollBackInstall();
        takeBackMenuLink();
        rollBackShared();
        return FALSE;
    }

    // 3. The desktop link, when the script asks for one.
    const bool wantsDesktopLink =
        GetScriptValue(SEC_INSTALL, KEY_FLAG_DESKTOP_ICON).CompareNoCase(FLAG_TRUE) == 0;
    CString desktopLink;
    PriorFile priorDesktopLink;
    auto takeBackDesktopLink = [&] {
        if (desktopLink.IsEmpty())
            return;
        if (priorDesktopLink.Existed)
            RestoreFile(desktopLink, priorDesktopLink);
        else
            DeleteFileA(desktopLink);
    };
    if (wantsDesktopLink) {
        const CString desktop =
            ShellFolders::Desktop(allUsers);
        BOOL saved = FALSE;
        if (desktop.IsEmpty()) {
            ShowErrorCode(ERROR_CODE_GENERAL);
        } else {
            desktopLink = JoinPath(desktop, linkName);
            priorDesktopLink = CaptureFile(desktopLink);
            saved = CreateShortcut(target, desktopLink, icon);
        }
        if (!saved) {
            RollBackInstall();
            takeBackMenuLink();
            // A save that failed half-way may have left a file behind.
            takeBackDesktopLink();
            rollBackShared();
            return FALSE;
        }
    }

    // 4. The package's entry in the list of installed software.
    const CString uninstallKey = CString(UNINSTALL_ROOT) + GetScriptValue(SEC_UNINSTALL, KEY_UNINSTALL_KEY);
    const CString uninstallFile =
        PathHelpers::NamedFileDestination(GetScriptValue(SEC_UNINSTALL, KEY_UNINSTALL_FILE));
    const CString displayName = GetScriptValue(SEC_INSTALL, KEY_UNINSTALL_NAME);
    ScopedRegKey key;
    DWORD disposition = 0;
    if (CreateKey(uninstallKey, key, &disposition) != ERROR_SUCCESS) {
        RollBackInstall();
        takeBackMenuLink();
        takeBackDesktopLink();
        rollBackShared();
        ShowErrorCode(ERROR_CODE_GENERAL);
        return FALSE;
    }

    // 5. Its values. A key that was there before (a reinstall, or an empty
    // "UNINSTALL_KEY" naming the list's own key) is not deleted on failure:
    // its earlier values are put back instead.
    const bool createdKey = disposition == REG_CREATED_NEW_KEY;
    std::vector<PriorValue> priorValues;
    if (!createdKey) {
        for (const char* name : {VALUE_DISPLAY_NAME, VALUE_UNINSTALL_STRING, VALUE_UNINSTALL_FOLDER})
            priorValues.push_back(CaptureValue(key.Get(), name));
    }
    const CString installFolderText = PathHelpers::WithoutTrailingBackslash(InstallFolder);
    if (!SetText(key.Get(), VALUE_DISPLAY_NAME, displayName)
        || !SetText(key.Get(), VALUE_UNINSTALL_STRING, InstallFolder + uninstallFile)
        || !SetText(key.Get(), VALUE_UNINSTALL_FOLDER, installFolderText)) {
        RollBackInstall();
        if (createdKey) {
            key.Close();
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, uninstallKey);
        } else {
            for (const PriorValue& prior : priorValues)
                RestoreValue(key.Get(), prior);
            key.Close();
        }
        takeBackMenuLink();
        takeBackDesktopLink();
        rollBackShared();
        ShowErrorCode(ERROR_CODE_GENERAL);
        return FALSE;
    }
    // Only a help to tools that read it; the entry works without it.
    SetText(key.Get(), VALUE_INSTALL_LOCATION, installFolderText);
    key.Close();

    // 6. Each complete product's key file. A product that cannot be recorded
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
        DWORD ignored = 0;
        const CString path = CString(SOFTWARE_ROOT) + company + "\\" + productName + "\\" + productLanguage;
        if (CreateKey(path, productKey, &ignored) == ERROR_SUCCESS)
            SetText(productKey.Get(), VALUE_KEY_FILE, InstallFolder + productKeyFile);
    }
    return TRUE;
}
