#include "install/Prepare.h"

#include "base/FileOps.h"
#include "base/Links.h"
#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"
#include "install/SharedComponents.h"
#include "install/Volume.h"
#include "rollback/KilledRuns.h"
#include "rollback/RecordedFolders.h"
#include "script/ScriptKeys.h"

#include <cstring>

namespace {

// The scan's own "." and "..". Compared byte for byte: dots have no case,
// and lstrcmpiA would go through the locale's sort rules twice for every
// entry of the package.
bool IsDotEntry(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

SourceEntry EntryFor(const CString& path, const WIN32_FIND_DATAA& found)
{
    SourceEntry entry;
    entry.Path = path;
    entry.Attributes = found.dwFileAttributes;
    entry.SizeHigh = found.nFileSizeHigh;
    entry.SizeLow = found.nFileSizeLow;
    entry.LastWrite = found.ftLastWriteTime;
    return entry;
}

// The list grows under the scan: a package may hold any number of items.
void PutEntry(std::vector<SourceEntry>& list, int position, SourceEntry entry)
{
    if (static_cast<size_t>(position) >= list.size())
        list.resize(static_cast<size_t>(position) + 1);
    list[static_cast<size_t>(position)] = std::move(entry);
}

// A package item that is a link (junction, symbolic link, mount point):
// false, with the failure kept.
bool RefuseLink(RunContext& run, const CString& path)
{
    SetLastError(ERROR_CANT_ACCESS_FILE);
    const CString text = run.GetScriptValue(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED);
    return run.FailWithText(text, "list package, a link", path) != FALSE;
}

// Scans "DATA_PATH" .. "DATA_PATH5" onto the end of the source list, up to
// the first empty one; false after the scan kept its failure.
bool ListDataFolders(RunContext& run)
{
    for (int i = 1; i <= 5; ++i) {
        CString key = KEY_DATA_PATH;
        if (i > 1)
            key.Format(KEY_DATA_PATH_FMT, i);
        CString folder = run.GetScriptValue(SEC_INSTALL, key);
        if (folder.IsEmpty())
            break;
        if (Links::IsLink("..\\" + folder))
            return RefuseLink(run, "..\\" + folder);
        int end = 0;
        int start = static_cast<int>(run.SourceList.size());
        if (Preparation::ScanSourceFolder(run, "..\\" + folder + "\\*.*", run.SourceList, start, &end) == -1)
            return false;
    }
    return true;
}

// Finds one of the files that the installer copies from its own folder.
bool FindNamedFile(const CString& path, SourceEntry& entry, DWORD& error)
{
    // An empty script value names no file. A wildcard would find some other
    // file and record its size and attributes under this name.
    if (path.IsEmpty()) {
        error = ERROR_FILE_NOT_FOUND;
        return false;
    }
    if (path.Find('*') >= 0 || path.Find('?') >= 0) {
        error = ERROR_INVALID_NAME;
        return false;
    }
    WIN32_FIND_DATAA found;
    ScopedFind find(path, found);
    if (!find.IsOpen()) {
        error = GetLastError();
        return false;
    }
    entry = EntryFor(path, found);
    return true;
}

// Appends the uninstaller, the script and the icon.
bool ListNamedFiles(RunContext& run)
{
    const CString names[] = {run.GetScriptValue(SEC_UNINSTALL, KEY_UNINSTALL_FILE), SETUP_SCRIPT_FILE,
                             run.GetScriptValue(SEC_INSTALL, KEY_ICON_NAME)};
    for (const CString& name : names) {
        SourceEntry entry;
        DWORD error = 0;
        if (!FindNamedFile(name, entry, error)) {
            SetLastError(error);
            return run.FailWithText(run.GetScriptValue(SEC_ERROR, error == ERROR_FILE_NOT_FOUND
                                                                      ? KEY_ERR_MES_FILE_NOT_EXIST
                                                                      : KEY_ERR_MES_ERROR_OCCURRED),
                                    "find package file", name);
        }
        if (entry.Attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return RefuseLink(run, name);
        run.SourceList.push_back(entry);
    }
    return true;
}

// The preparation's steps; 1 when the user declined to have the folder
// made, -1 with the failure kept.
int PrepareSteps(RunContext& run, const std::function<bool()>& agreeToCreate)
{
    run.Record().SetLinkRoot(Change::Area::Package, run.InstallFolder);
    // A run that was killed here left the earlier installation half
    // replaced: it is put back whole before this run looks at anything.
    KilledRuns::RecoverUnder(run.InstallFolder);
    if (run.IsSharedComponents == 1)
        KilledRuns::RecoverUnder(run.SharedFolder);

    if (!FileOps::Exists(run.InstallFolder)) {
        if (agreeToCreate && !agreeToCreate())
            return 1;
        if (!RecordedFolders::CreateMissingLevels(run.Record(), Change::Area::Package, run.InstallFolder)) {
            run.Fail(ERROR_CODE_WRITE, "create folder", run.InstallFolder);
            return -1;
        }
    }

    if (run.IsSharedComponents == 1 && !SharedComponents::PrepareFolder(run))
        return -1;

    run.SourceList.clear();
    if (!ListDataFolders(run) || !ListNamedFiles(run))
        return -1;

    return Volume::HasRoomFor(run, run.InstallFolder, run.SourceList) ? 0 : -1;
}

} // namespace

namespace Preparation {

int Prepare(RunContext& run, const std::function<bool()>& agreeToCreate)
{
    // A Shift-JIS trail byte may equal the backslash code, so the helper
    // appends one after any double-byte last character.
    run.InstallFolder = PathHelpers::WithTrailingBackslash(run.InstallFolder);
    return PrepareSteps(run, agreeToCreate);
}

int ScanSourceFolder(RunContext& run, const CString& pattern, std::vector<SourceEntry>& list, int position,
                     int* endPosition)
{
    if (position < 0) {
        run.Fail(ERROR_CODE_GENERAL, "list package", pattern);
        return -1;
    }
    WIN32_FIND_DATAA found;
    ScopedFind find(pattern, found);
    if (!find.IsOpen()) {
        // Whatever the system's reason, to the user the package is incomplete.
        run.FailWithText(run.GetScriptValue(SEC_ERROR, KEY_ERR_MES_FILE_NOT_EXIST), "list package", pattern);
        return -1;
    }

    // Items are named by the pattern's folder part: "..\DOC\*.*" gives "..\DOC\".
    CString folder = pattern.Left(PathHelpers::LastBackslash(pattern) + 1);
    int count = 0;
    do {
        if (IsDotEntry(found.cFileName))
            continue;
        CString path = folder + found.cFileName;
        // A linked item would bring its target's files (a system folder, as
        // like as not) into the destination, and the uninstall could not
        // tell them from the package's.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            RefuseLink(run, path);
            return -1;
        }
        PutEntry(list, position++, EntryFor(path, found));
        ++count;
        // Depth first: a folder's contents follow its own record, complete
        // before its next sibling.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            int inner = ScanSourceFolder(run, path + "\\*.*", list, position, &position);
            if (inner == -1)
                return -1;
            count += inner;
        }
    } while (find.Next(found));

    DWORD error = GetLastError();
    if (endPosition)
        *endPosition = position;
    if (error != ERROR_NO_MORE_FILES) {
        SetLastError(error);
        run.Fail(ERROR_CODE_GENERAL, "list package", pattern);
        return -1;
    }
    return count;
}

} // namespace Preparation
