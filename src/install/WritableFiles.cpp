#include "install/WritableFiles.h"

#include "base/FileOps.h"
#include "base/HeldFiles.h"

namespace Writable {

BOOL IsListed(const RunContext& run, CString source)
{
    source.MakeLower();
    for (int i = 0; i < run.WritableFiles.GetSize(); ++i) {
        CString entry = run.WritableFiles[i];
        // An empty entry would be contained in every path.
        if (entry.IsEmpty())
            continue;
        entry.MakeLower();
        if (source.Find(entry) >= 0)
            return TRUE;
    }
    return FALSE;
}

BOOL MakeWritableIfListed(const RunContext& run, const CString& source, const CString& destination)
{
    if (!IsListed(run, source))
        return TRUE;
    const DWORD attributes = GetFileAttributesA(destination);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return HeldFiles::SetAttributes(destination, FileOps::WithoutReadOnly(attributes));
    return TRUE;
}

} // namespace Writable
