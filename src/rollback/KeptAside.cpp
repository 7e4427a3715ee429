#include "rollback/KeptAside.h"

#include "app/PathHelpers.h"
#include "app/SystemCalls.h"

namespace KeptAside {

namespace {

// A new hidden folder under root, recorded; empty when none can be made.
CString MakeAsideFolder(ChangeRecord& record, Change::Area area, const CString& root)
{
    const CString base = PathHelpers::WithTrailingBackslash(root);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        CString folder;
        folder.Format("%s~TarvelKept.%lu.%u", static_cast<const char*>(base),
                      static_cast<unsigned long>(GetCurrentProcessId()), attempt);
        if (Sys().CreateDirectoryA(folder, nullptr)) {
            record.Add(Change::Kind::AsideFolder, area, folder);
            SetFileAttributesA(folder, FILE_ATTRIBUTE_HIDDEN);
            return folder;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return CString();
}

} // namespace

BOOL Keep(ChangeRecord& record, Change::Area area, const CString& root, const CString& path)
{
    CString folder = record.AsideFolderUnder(root);
    if (folder.IsEmpty()) {
        folder = MakeAsideFolder(record, area, root);
        if (folder.IsEmpty())
            return FALSE;
    }
    // Numbered names: files of different folders never meet in the aside folder.
    Change change;
    change.Type = Change::Kind::FileKeptAside;
    change.Where = area;
    change.Path = path;
    change.Aside.Format("%s\\%d", static_cast<const char*>(folder), record.KeptCount());
    // A rename keeps the attributes, the read-only bit included.
    if (!Sys().MoveFileA(path, change.Aside))
        return FALSE;
    record.Add(change);
    return TRUE;
}

} // namespace KeptAside
