// Install execution: copies every item of the source list into the
// destination with progress and cancel, writes the uninstall log, installs
// the shared components and hands over to the registration steps. A failure
// is undone from the log text first and reported once afterwards.
#include "install/Execute.h"

#include "app/FileOps.h"
#include "app/PathHelpers.h"
#include "app/ScopedHandles.h"
#include "app/SystemCalls.h"
#include "app/TarvelApp.h"
#include "app/TarvelDoc.h"
#include "app/TarvelView.h"
#include "rollback/UninstallLog.h"
#include "script/ScriptKeys.h"

#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

constexpr char CREATED_FOLDER_ENTRY[] = "<f>:";
constexpr char COPIED_FOLDER_ENTRY[] = "<d>:";
constexpr int LAST_DATA_FOLDER = 5;

// Where an item of the source list lands. The contents of every data folder
// are merged into the destination root; the named files (uninstaller,
// script, icon) keep their script names there, never leading above it.
class DestinationMap {
public:
    explicit DestinationMap(const CTarvelDoc& doc)
        : m_base(PathHelpers::WithoutTrailingBackslash(doc.InstallFolder))
    {
        // An empty first data folder gives "..\\\\", which no item matches.
        AddPrefix(doc.GetScriptValue(SEC_INSTALL, KEY_DATA_PATH));
        for (int k = 2; k <= LAST_DATA_FOLDER; ++k) {
            CString key;
            key.Format(KEY_DATA_PATH_FMT, k);
            CString folder = doc.GetScriptValue(SEC_INSTALL, key);
            if (!folder.IsEmpty())
                AddPrefix(folder);
        }
    }

    // The destination path, and the name relative to the destination that
    // goes into the log. The first data folder that matches wins, so with
    // DOC and DOC\SUB an item of DOC\SUB still lands under SUB.
    void Map(const CString& path, CString& destination, CString& relative) const
    {
        for (const CString& prefix : m_prefixes) {
            const int length = prefix.GetLength();
            if (StartsWithLowered(path, prefix)) {
                // Keep the backslash that ends the prefix as the separator.
                destination = m_base + path.Mid(length - 1);
                relative = path.Mid(length);
                return;
            }
        }
        relative = PathHelpers::NamedFileDestination(path);
        destination = m_base + "\\" + relative;
    }

    // The destination root, without a trailing backslash; every item lands
    // at this plus "\" plus its relative name.
    const CString& Base() const { return m_base; }

private:
    // Whether the path begins with the lower-cased prefix, single-byte
    // letters compared without regard to case: the same answer as comparing
    // a lower-cased copy of the path, without making one for every item.
    static bool StartsWithLowered(const char* path, const CString& prefix)
    {
        const int length = prefix.GetLength();
        for (int i = 0; i < length; ++i) {
            const char c = path[i];
            if (IsDBCSLeadByte(static_cast<BYTE>(c))) {
                // A double-byte character matches byte for byte, its trail too.
                if (c != prefix[i] || (i + 1 < length && path[i + 1] != prefix[i + 1]))
                    return false;
                ++i;
            } else if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != prefix[i]) {
                // Also where the path ends: its zero matches no prefix byte.
                return false;
            }
        }
        return true;
    }

    void AddPrefix(const CString& folder)
    {
        // The lower-casing leaves double-byte characters alone, so a prefix
        // match always ends on a character boundary of the path.
        CString prefix = "..\\" + folder + "\\";
        prefix.MakeLower();
        m_prefixes.push_back(prefix);
    }

    CString m_base;
    std::vector<CString> m_prefixes;
};

// Progress steps: a tenth more than the items, so that the bar reaches 100
// only when the whole install is over. Integer arithmetic gives the exact
// truncation of n x 1.1 that floating point can miss by one.
int ProgressStepsFor(long long items)
{
    const long long steps = items * 11 / 10;
    return static_cast<int>(steps == items ? steps + 1 : steps);
}

// The attributes with the read-only bit cleared and the others kept.
DWORD WithoutReadOnly(DWORD attributes)
{
    DWORD rest = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    return rest ? rest : FILE_ATTRIBUTE_NORMAL;
}

// The copy loop over the source list. Each step answers 0 when it is done,
// else the code to report; the caller undoes and reports.
class PackageCopy {
public:
    explicit PackageCopy(CTarvelDoc& doc)
        : m_doc(doc)
        , m_map(doc)
        // The view stays for the whole run (the main window cannot be closed
        // under it), so it is looked up once and not at every pump.
        , m_view(doc.ProgressView())
    {
        // An empty destination root is as good as one this loop made: one
        // look now spares the look at every item that lands in it.
        if (FileOps::IsEmptyFolder(m_map.Base()))
            m_createdFolders.insert(std::string());
    }

    DWORD Run()
    {
        const long long count = static_cast<long long>(m_doc.SourceList.size());
        for (long long i = 0; i < count; ++i) {
            const SourceEntry& record = m_doc.SourceList[static_cast<size_t>(i)];
            if (Cancelled())
                return ERROR_CODE_CANCEL;
            m_doc.ProgressPosition = static_cast<int>(100 * (i + 1) / m_doc.ProgressDivisor);

            CString destination, relative;
            m_map.Map(record.Path, destination, relative);
            m_doc.CurrentItem = destination;
            m_doc.UpdateAllViews(nullptr);
            if (Cancelled())
                return ERROR_CODE_CANCEL;

            DWORD code = (record.Attributes & FILE_ATTRIBUTE_DIRECTORY)
                ? CopyFolderRecord(destination, relative)
                : CopyFileRecord(record.Path, destination, relative);
            if (code)
                return code;
        }
        return 0;
    }

private:
    DWORD CopyFolderRecord(const CString& destination, const CString& relative)
    {
        const std::string key = Key(relative);
        const DWORD attributes =
            SurelyAbsent(relative, key) ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(destination);
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            if (Cancelled())
                return ERROR_CODE_CANCEL;
            if (!Sys().CreateDirectoryA(destination, nullptr))
                return ERROR_CODE_WRITE;
            m_createdFolders.insert(relative.str());
        } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !IsOurs(key)) {
            // A folder of an earlier installation: the rollback removes it
            // when it ends up empty, so the restore must know to make it again.
            m_doc.SaveReplacedFile(destination);
        }
        m_written.insert(key);
        m_doc.LogText += COPIED_FOLDER_ENTRY;
        m_doc.LogText += relative;
        m_doc.LogText += LOG_SEPARATOR;
        return Cancelled() ? static_cast<DWORD>(ERROR_CODE_CANCEL) : 0;
    }

    DWORD CopyFileRecord(const CString& source, const CString& destination, const CString& relative)
    {
        const std::string key = Key(relative);
        const DWORD attributes =
            SurelyAbsent(relative, key) ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(destination);
        const bool present = attributes != INVALID_FILE_ATTRIBUTES;
        if (present) {
            // Keep the earlier file before anything touches it; what cannot
            // be kept is not overwritten.
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && !IsOurs(key)
                && !m_doc.SaveReplacedFile(destination))
                return CopyFailureCode(GetLastError());
            if ((attributes & FILE_ATTRIBUTE_READONLY)
                && !Sys().SetFileAttributesA(destination, WithoutReadOnly(attributes)))
                return ERROR_CODE_GENERAL;
        }
        if (Cancelled())
            return ERROR_CODE_CANCEL;

        if (!Sys().CopyFileA(source, destination, FALSE)) {
            const DWORD error = GetLastError();
            // The item is not in the log yet, so the rollback would not take
            // away what a half-done copy left; an earlier file comes back
            // through the restore instead.
            if (!present)
                DeleteFileA(destination);
            return CopyFailureCode(error);
        }
        m_written.insert(key);
        m_doc.LogText += relative;
        m_doc.LogText += LOG_SEPARATOR;

        if (m_doc.WritableFiles.GetSize() > 0 && !m_doc.MakeWritableIfListed(source, destination))
            return ERROR_CODE_GENERAL;
        return Cancelled() ? static_cast<DWORD>(ERROR_CODE_CANCEL) : 0;
    }

    // The same as the document's PumpMessages, with the view looked up once.
    bool Cancelled() { return m_view && m_view->PumpMessages(); }

    // An item cannot be there yet when its folder was empty as this loop
    // began or was made by it (only this run writes into it) and this name
    // has not been written since. Asking the file system anyway costs as
    // much as a small copy under Wine. Folders are matched by name as the
    // map spelt them, so one that a second data folder spells in another
    // case just gets the usual check.
    bool SurelyAbsent(const CString& relative, const std::string& key) const
    {
        const int cut = PathHelpers::LastBackslash(relative);
        if (cut == 0)
            return false; // a name that begins with a backslash: no folder of ours
        const std::string folder = cut < 0 ? std::string() : relative.Left(cut).str();
        return m_createdFolders.count(folder) != 0 && !IsOurs(key);
    }

    // Every item lands at the destination root plus its relative name, so
    // the relative name, lower-cased, tells items apart as the file system
    // does. Two data folders can hold the same name: what this install
    // already wrote must not be kept aside as if an earlier installation
    // had left it.
    bool IsOurs(const std::string& key) const { return m_written.count(key) != 0; }
    static std::string Key(CString relative) { return relative.MakeLower().str(); }

    CTarvelDoc& m_doc;
    DestinationMap m_map;
    CTarvelView* m_view;
    std::unordered_set<std::string> m_written;
    // Folders (relative names, "" for the root) that were empty as this
    // loop began or that it created.
    std::unordered_set<std::string> m_createdFolders;
};

} // namespace

namespace InstallExecution {

BOOL CopyPackage(CTarvelDoc& doc)
{
    CTarvelApp* app = TarvelApp();

    doc.LogText.Empty();
    CStringArray created;
    created.SetSize(10);
    const int createdCount = app->GetCreatedInstallFolders(created);
    for (int i = 0; i < createdCount; ++i)
        doc.LogText += CREATED_FOLDER_ENTRY + created[i] + LOG_SEPARATOR;

    long long items = static_cast<long long>(doc.SourceList.size());
    if (doc.IsSharedComponents && doc.SharedFileCount > 0)
        items += doc.SharedFileCount;
    doc.ProgressDivisor = ProgressStepsFor(items);

    // Every rollback deletes the uninstall log, also one that an earlier
    // installation left here; keep that one aside before anything can fail.
    const CString logPath = UninstallLogPath(doc.InstallFolder);
    const DWORD logAttributes = GetFileAttributesA(logPath);
    if (logAttributes != INVALID_FILE_ATTRIBUTES && !(logAttributes & FILE_ATTRIBUTE_DIRECTORY)
        && !doc.SaveReplacedFile(logPath)) {
        const DWORD code = CopyFailureCode(GetLastError());
        // Nothing is copied yet, and the rollback would take the log that
        // could not be kept: take back only the folders this run created.
        doc.RemoveCreatedInstallFolders();
        if (doc.IsSharedComponents)
            doc.RemoveCreatedSharedFolders();
        doc.ShowErrorCode(code);
        return FALSE;
    }

    const DWORD code = PackageCopy(doc).Run();
    if (code) {
        doc.RollBackInstall();
        if (doc.IsSharedComponents)
            doc.RemoveCreatedSharedFolders();
        doc.ShowErrorCode(code);
        if (code == ERROR_CODE_CANCEL)
            doc.IsUserCancel = 1;
        return FALSE;
    }

    if (doc.IsSharedComponents && !doc.CopySharedFiles()) {
        doc.RollBackInstall();
        return FALSE;
    }

    const int written = doc.WriteUninstallLog();
    doc.LogText = DecodeLogText(doc.LogText);
    if (!written) {
        doc.RollBackInstall();
        if (doc.IsSharedComponents)
            doc.RollBackSharedComponents();
        return FALSE;
    }

    if (doc.IsSharedComponents) {
        BOOL registered = TRUE;
        if (doc.RegistrationList.GetSize() > 0)
            registered = doc.RegisterSharedLibraries();
        // Counting this product as a user of libraries that failed to
        // register would only have to be taken back again.
        if (registered)
            registered = doc.IncrementSharedCounters();
        if (!registered) {
            doc.RollBackInstall();
            doc.RollBackSharedComponents();
            doc.ShowErrorCode(ERROR_CODE_GENERAL);
            return FALSE;
        }
    }
    return TRUE;
}

} // namespace InstallExecution

BOOL CTarvelDoc::RunInstall()
{
    IsUserCancel = 0;
    if (!InstallExecution::CopyPackage(*this))
        return FALSE;
    // Undoes and reports its own failures (the rollback included).
    if (!RegisterInstall())
        return FALSE;

    // The earlier installation's files are replaced for good now.
    DropReplacedFiles();
    ProgressPosition = 100;
    UpdateAllViews(nullptr);
    return TRUE;
}
