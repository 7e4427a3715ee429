// The package files that must stay writable after the install (a settings
// file shipped read-only on a CD, say, or the customer's notes): their copies
// lose the read-only bit.
#include "base/FileOps.h"
#include "base/HeldFiles.h"
#include "install/TarvelDoc.h"

BOOL CTarvelDoc::IsListedWritable(CString source) const
{
    source.MakeLower();
    for (int i = 0; i < WritableFiles.GetSize(); ++i) {
        CString entry = WritableFiles[i];
        // An empty entry would be contained in every path.
        if (entry.IsEmpty())
            continue;
        entry.MakeLower();
        if (source.Find(entry) >= 0)
            return TRUE;
    }
    return FALSE;
}

int CTarvelDoc::MakeWritableIfListed(CString source, CString destination)
{
    if (!IsListedWritable(source))
        return 1;
    const DWORD attributes = GetFileAttributesA(destination);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        if (!HeldFiles::SetAttributes(destination, FileOps::WithoutReadOnly(attributes)))
            return 0;
    }
    return 1;
}
