// Install preparation: the destination is completed and created, every item
// of the package is listed with its size, and the destination drive is
// checked for room, all before the first byte is copied.
#include "install/TarvelDoc.h"

#include "base/FileOps.h"
#include "base/Links.h"
#include "base/MessageBoxes.h"
#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"
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

bool UserAgreesToCreate(const CTarvelDoc& doc)
{
    CWnd* mainWnd = AfxGetMainWnd();
    HWND owner = mainWnd ? mainWnd->GetSafeHwnd() : nullptr;
    int answer = MessageBoxes::Show(owner, doc.GetScriptValue(SEC_INSTALL, KEY_MAKE_FOLDER_CONF), doc.Caption,
                                    MB_YESNO | MB_ICONQUESTION);
    return answer == IDYES;
}

// A package item that is a link (junction, symbolic link, mount point):
// false, with the failure kept.
bool RefuseLink(CTarvelDoc& doc, const CString& path)
{
    SetLastError(ERROR_CANT_ACCESS_FILE);
    const CString text = doc.GetScriptValue(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED);
    return doc.FailWithText(text, "list package, a link", path) != FALSE;
}

// Scans "DATA_PATH" .. "DATA_PATH5" onto the end of the source list, up to
// the first empty one; false after the scan kept its failure.
bool ListDataFolders(CTarvelDoc& doc)
{
    for (int i = 1; i <= 5; ++i) {
        CString key = KEY_DATA_PATH;
        if (i > 1)
            key.Format(KEY_DATA_PATH_FMT, i);
        CString folder = doc.GetScriptValue(SEC_INSTALL, key);
        if (folder.IsEmpty())
            break;
        if (Links::IsLink("..\\" + folder))
            return RefuseLink(doc, "..\\" + folder);
        int end = 0;
        int start = static_cast<int>(doc.SourceList.size());
        if (doc.ScanSourceFolder("..\\" + folder + "\\*.*", doc.SourceList, start, &end) == -1)
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
bool ListNamedFiles(CTarvelDoc& doc)
{
    const CString names[] = {doc.GetScriptValue(SEC_UNINSTALL, KEY_UNINSTALL_FILE), SETUP_SCRIPT_FILE,
                             doc.GetScriptValue(SEC_INSTALL, KEY_ICON_NAME)};
    for (const CString& name : names) {
        SourceEntry entry;
        DWORD error = 0;
        if (!FindNamedFile(name, entry, error)) {
            SetLastError(error);
            return doc.FailWithText(doc.GetScriptValue(SEC_ERROR, error == ERROR_FILE_NOT_FOUND
                                                                      ? KEY_ERR_MES_FILE_NOT_EXIST
                                                                      : KEY_ERR_MES_ERROR_OCCURRED),
                                    "find package file", name);
        }
        if (entry.Attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return RefuseLink(doc, name);
        doc.SourceList.push_back(entry);
    }
    return true;
}

// The preparation's steps; 1 when the user declined to have the folder
// made, -1 with the failure kept.
int PrepareSteps(CTarvelDoc& doc, BOOL ask)
{
    doc.Record().SetLinkRoot(Change::Area::Package, doc.InstallFolder);
    // A run that was killed here left the earlier installation half
    // replaced: it is put back whole before this run looks at anything.
    KilledRuns::RecoverUnder(doc.InstallFolder);
    if (doc.IsSharedComponents == 1)
        KilledRuns::RecoverUnder(doc.SharedFolder);

    if (!FileOps::Exists(doc.InstallFolder)) {
        if (ask && !UserAgreesToCreate(doc))
            return 1;
        if (!RecordedFolders::CreateMissingLevels(doc.Record(), Change::Area::Package, doc.InstallFolder)) {
            doc.Fail(ERROR_CODE_WRITE, "create folder", doc.InstallFolder);
            return -1;
        }
    }

    if (doc.IsSharedComponents == 1 && !doc.PrepareSharedFolder())
        return -1;

    doc.SourceList.clear();
    if (!ListDataFolders(doc) || !ListNamedFiles(doc))
        return -1;

    return Volume::HasRoomFor(doc, doc.InstallFolder, doc.SourceList) ? 0 : -1;
}

} // namespace

int CTarvelDoc::PrepareInstall(BOOL ask)
{
    // A Shift-JIS trail byte may equal the backslash code, so the helper
    // appends one after any double-byte last character.
    InstallFolder = PathHelpers::WithTrailingBackslash(InstallFolder);
    const int result = PrepareSteps(*this, ask);
    if (result == -1)
        EndFailedRun();
    return result;
}

int CTarvelDoc::ScanSourceFolder(const CString& pattern, std::vector<SourceEntry>& list, int position,
                                 int* endPosition)
{
    if (position < 0) {
        Fail(ERROR_CODE_GENERAL, "list package", pattern);
        return -1;
    }
    WIN32_FIND_DATAA found;
    ScopedFind find(pattern, found);
    if (!find.IsOpen()) {
        // Whatever the system's reason, to the user the package is incomplete.
        FailWithText(GetScriptValue(SEC_ERROR, KEY_ERR_MES_FILE_NOT_EXIST), "list package", pattern);
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
            RefuseLink(*this, path);
            return -1;
        }
        PutEntry(list, position++, EntryFor(path, found));
        ++count;
        // Depth first: a folder's contents follow its own record, complete
        // before its next sibling.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            int inner = ScanSourceFolder(path + "\\*.*", list, position, &position);
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
        Fail(ERROR_CODE_GENERAL, "list package", pattern);
        return -1;
    }
    return count;
}
