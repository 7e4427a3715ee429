/* The library tvneedsdep.dll imports: it lies only beside it, in the shared
   folder, so registration finds it only if the library's own folder is
   searched for its imports. */
#include <windows.h>

__declspec(dllexport) int TvDepValue(void)
{
    return 42;
}
