// The package files that must stay writable after the install (a settings
// file shipped read-only on a CD, say): their copies lose the read-only bit.
#include "app/SystemCalls.h"
#include "app/TarvelDoc.h"

int CTarvelDoc::MakeWritableIfListed(CString source, CString destination)
{
    source.MakeLower();
    for (int i = 0; i < WritableFiles.GetSize(); ++i) {
        CString entry = WritableFiles[i];
        // An empty entry would be contained in every path.
        if (entry.IsEmpty())
            continue;
        entry.MakeLower();
        if (source.Find(entry) < 0)
            continue;

        const DWORD attributes = GetFileAttributesA(destination);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
            DWORD rest = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
            if (!Sys().SetFileAttributesA(destination, rest ? rest : FILE_ATTRIBUTE_NORMAL))
                return 0;
        }
        break;
    }
    return 1;
}
