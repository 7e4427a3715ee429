#include "rollback/KeptAside.h"

#include "base/HeldFiles.h"
#include "base/PathHelpers.h"
#include "base/SystemCalls.h"

namespace KeptAside {

namespace {

using RunJournal::FILES_PER_BUCKET;

bool StartJournal(ChangeRecord& record, const CString& folder)
{
    std::vector<RunJournal::Writer::Earlier> earlier;
    for (const Change& change : record.Changes())
        if (change.Type == Change::Kind::FileWritten || change.Type == Change::Kind::FolderCreated)
            earlier.push_back({change.Type == Change::Kind::FolderCreated, change.Path});
    return record.Journal().Start(folder, earlier);
}

// A new hidden folder under root, recorded, with its journal begun from what
// the run has done under root so far; empty when none can be made.
CString MakeAsideFolder(ChangeRecord& record, Change::Area area, const CString& root)
{
    const CString base = PathHelpers::WithTrailingBackslash(root);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        CString folder;
        folder.Format("%s~TarvelKept.%lu.%u", static_cast<const char*>(base),
                      static_cast<unsigned long>(GetCurrentProcessId()), attempt);
        if (Sys().CreateDirectoryA(folder, nullptr)) {
            record.Add(Change::Kind::AsideFolder, area, folder);
            HeldFiles::SetAttributes(folder, FILE_ATTRIBUTE_HIDDEN);
            if (!StartJournal(record, folder))
                return CString();
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
    // Numbered names, so that files of different folders never meet, in
    // sub-folders of a few hundred: the file system looks a name up by
    // reading its folder, and one folder of twenty thousand names would make
    // every rename slower than the last.
    const int number = record.KeptCount();
    CString bucket;
    bucket.Format("%s\\%d", static_cast<const char*>(folder), number / FILES_PER_BUCKET);
    if (!record.HasAsideFolder(bucket)) {
        if (!Sys().CreateDirectoryA(bucket, nullptr))
            return FALSE;
        record.Add(Change::Kind::AsideFolder, area, bucket);
    }
    Change change;
    change.Type = Change::Kind::FileKeptAside;
    change.Where = area;
    change.Path = path;
    change.Aside = RunJournal::AsidePath(folder, number);
    // Where it went must be on the disk before it goes: a run killed after
    // the rename leaves the next run only the journal to find it by.
    if (!record.Journal().Kept(folder, number, path)) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    // A rename keeps the attributes, the read-only bit included. It comes
    // right after an earlier run's file was read: a scanner may hold it still.
    if (!HeldFiles::Rename(path, change.Aside))
        return FALSE;
    record.Add(change);
    return TRUE;
}

BOOL Start(ChangeRecord& record, Change::Area area, const CString& root)
{
    if (!record.AsideFolderUnder(root).IsEmpty())
        return TRUE;
    return MakeAsideFolder(record, area, root).IsEmpty() ? FALSE : TRUE;
}

} // namespace KeptAside
