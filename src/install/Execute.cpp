// Install execution: copies every item of the source list into the
// destination with progress and cancel, writes the uninstall log, installs
// the shared components and hands over to the registration steps. A failing
// step keeps its failure; the driver undoes the whole run once and reports.
#include "install/Execute.h"

#include "base/FileOps.h"
#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"
#include "base/SystemCalls.h"
#include "install/TarvelDoc.h"
#include "install/Progress.h"
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
            if (PathHelpers::StartsWithLowered(path, prefix)) {
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

// The copy loop over the source list. Each step answers TRUE when it is
// done, else FALSE with the failure kept; the driver undoes and reports.
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

    BOOL Run()
    {
        const long long count = static_cast<long long>(m_doc.SourceList.size());
        for (long long i = 0; i < count; ++i) {
            const SourceEntry& record = m_doc.SourceList[static_cast<size_t>(i)];
            if (Cancelled())
                return CancelNow();
            m_doc.ProgressPosition = static_cast<int>(100 * (i + 1) / m_doc.ProgressDivisor);

            CString destination, relative;
            m_map.Map(record.Path, destination, relative);
            m_doc.CurrentItem = destination;
            m_doc.UpdateAllViews(nullptr);
            if (Cancelled())
                return CancelNow();

            const BOOL done = (record.Attributes & FILE_ATTRIBUTE_DIRECTORY)
                ? CopyFolderRecord(destination, relative)
                : CopyFileRecord(record, destination, relative);
            if (!done)
                return FALSE;
        }
        return TRUE;
    }

private:
    BOOL CopyFolderRecord(const CString& destination, const CString& relative)
    {
        const std::string key = Key(relative);
        const DWORD attributes =
            SurelyAbsent(relative, key) ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(destination);
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            if (Cancelled())
                return CancelNow();
            if (!Sys().CreateDirectoryA(destination, nullptr))
                return m_doc.Fail(ERROR_CODE_WRITE, "create folder", destination);
            // A folder that was there before is an earlier installation's or
            // the user's: the undo leaves it.
            m_doc.Record().FolderCreated(Change::Area::Package, destination);
            m_createdFolders.insert(relative.str());
        }
        Logged(key, COPIED_FOLDER_ENTRY, relative);
        return Cancelled() ? CancelNow() : TRUE;
    }

    BOOL CopyFileRecord(const SourceEntry& item, const CString& destination, const CString& relative)
    {
        const CString& source = item.Path;
        const std::string key = Key(relative);
        WIN32_FILE_ATTRIBUTE_DATA found = {};
        const DWORD attributes = SurelyAbsent(relative, key)
                || !GetFileAttributesExA(destination, GetFileExInfoStandard, &found)
            ? INVALID_FILE_ATTRIBUTES
            : found.dwFileAttributes;
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (!IsOurs(key)) {
                if (IsUnchanged(item, found, destination)) {
                    // An earlier installation's file that this copy would
                    // write again byte for byte, with the same time and
                    // attributes: it stays as it is, nothing to keep or undo.
                    m_doc.Record().FileLeft(Change::Area::Package, destination);
                    Logged(key, "", relative);
                    return Cancelled() ? CancelNow() : TRUE;
                }
                // The earlier file is renamed aside, read-only bit and all,
                // before anything touches it; what cannot be kept is not
                // overwritten.
                if (!m_doc.KeepAside(Change::Area::Package, m_map.Base(), destination))
                    return m_doc.Fail(CopyFailureCode(GetLastError()), "keep aside", destination);
            } else if ((attributes & FILE_ATTRIBUTE_READONLY)
                       && !Sys().SetFileAttributesA(destination, FileOps::WithoutReadOnly(attributes))) {
                // This run's own read-only copy, met again under a second data folder.
                return m_doc.Fail(ERROR_CODE_GENERAL, "set attributes", destination);
            }
        }
        if (Cancelled())
            return CancelNow();

        // Recorded before the copy: a copy that fails half-way leaves a file
        // that the undo must take away.
        m_doc.Record().FileCopied(Change::Area::Package, destination, source, item.Size());
        if (!Sys().CopyFileA(source, destination, FALSE))
            return m_doc.Fail(CopyFailureCode(GetLastError()), "copy file", destination);
        Logged(key, "", relative);

        if (m_doc.WritableFiles.GetSize() > 0 && !m_doc.MakeWritableIfListed(source, destination))
            return m_doc.Fail(ERROR_CODE_GENERAL, "set attributes", destination);
        return Cancelled() ? CancelNow() : TRUE;
    }

    // What a copy would leave there is there already: the same size, time
    // of last write and attributes (size and time tell most files apart
    // without reading them), and then the same bytes, as a package built
    // with fixed file times may change a file without changing either.
    bool IsUnchanged(const SourceEntry& item, const WIN32_FILE_ATTRIBUTE_DATA& found, const CString& destination)
    {
        return found.nFileSizeHigh == item.SizeHigh && found.nFileSizeLow == item.SizeLow
            && CompareFileTime(&found.ftLastWriteTime, &item.LastWrite) == 0
            && found.dwFileAttributes == item.Attributes
            // A file the script wants writable loses its read-only bit on
            // every copy: such a source never matches, and is copied.
            && !(m_doc.WritableFiles.GetSize() > 0 && (item.Attributes & FILE_ATTRIBUTE_READONLY))
            && FileOps::SameContent(item.Path, destination);
    }

    // An item is in place: this run has written its name, and the log lists it.
    void Logged(const std::string& key, const char* prefix, const CString& relative)
    {
        m_written.insert(key);
        m_doc.LogText += prefix;
        m_doc.LogText += relative;
        m_doc.LogText += LOG_SEPARATOR;
    }

    // The same as the document's PumpMessages, with the view looked up once.
    bool Cancelled() { return m_view && m_view->IsCancelRequested(); }
    BOOL CancelNow() { return m_doc.Fail(ERROR_CODE_CANCEL, "cancel"); }

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
    IProgress* m_view;
    std::unordered_set<std::string> m_written;
    // Folders (relative names, "" for the root) that were empty as this
    // loop began or that it created.
    std::unordered_set<std::string> m_createdFolders;
};

} // namespace

namespace InstallExecution {

BOOL CopyFiles(CTarvelDoc& doc)
{
    // The log begins with the destination's levels that this run created,
    // or for a re-install, that the earlier install created.
    doc.LogText.Empty();
    std::vector<CString> levels = doc.Record().CreatedFolders(Change::Area::Package);
    if (levels.empty())
        levels = EarlierCreatedLevels(doc.InstallFolder);
    for (const CString& level : levels)
        doc.LogText += CREATED_FOLDER_ENTRY + level + LOG_SEPARATOR;

    long long items = static_cast<long long>(doc.SourceList.size());
    if (doc.IsSharedComponents && doc.SharedFileCount > 0)
        items += doc.SharedFileCount;
    doc.ProgressDivisor = ProgressStepsFor(items);

    if (!PackageCopy(doc).Run())
        return FALSE;
    if (doc.IsSharedComponents && !doc.CopySharedFiles())
        return FALSE;

    const int written = doc.WriteUninstallLog();
    doc.LogText = DecodeLogText(doc.LogText);
    if (!written)
        return FALSE;

    if (doc.IsSharedComponents) {
        if (!doc.WriteSharedFilesLog())
            return FALSE;
        // Both always run, then the outcome is checked: a library whose
        // registration failed is still counted, and the undo takes back
        // registration and count together.
        const BOOL registered = doc.RegistrationList.GetSize() > 0 ? doc.RegisterSharedLibraries() : TRUE;
        const RunError registration = doc.Failure;
        const BOOL counted = doc.IncrementSharedCounters();
        if (!registered || !counted) {
            // The first failure is the one to report.
            if (!registered)
                doc.Failure = registration;
            return FALSE;
        }
    }
    return TRUE;
}

BOOL CopyPackage(CTarvelDoc& doc)
{
    doc.IsUserCancel = 0;
    if (CopyFiles(doc))
        return TRUE;
    doc.EndFailedRun();
    return FALSE;
}

} // namespace InstallExecution

BOOL CTarvelDoc::RunInstall()
{
    if (!InstallExecution::CopyPackage(*this))
        return FALSE;
    if (!RegisterInstall())
        return FALSE;

    // The earlier installation's files are replaced for good now.
    Record().Commit();
    ProgressPosition = 100;
    UpdateAllViews(nullptr);
    return TRUE;
}
