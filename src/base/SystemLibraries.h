// Where the programs take their libraries from. A library that Windows does
// not always take from System32 (one that is not a KnownDLL) is looked for by
// its name in the program's folder first, then in the current folder. Users
// start installers from their Downloads folder, where any web page can leave
// a "version.dll", and the installer runs as administrator. So every program
// narrows the search before it does anything else, imports nothing but
// KnownDLLs, and loads the few other system libraries it needs from System32.
#pragma once

#include <windows.h>

namespace SystemLibraries {

// Keeps every later load by a bare name to System32, for the whole process.
// Where the system cannot (Windows 7 without its loader update), at least
// takes the current folder out of the search. The first thing every program
// does; it goes through the seam table so that tests can see it come first.
void RestrictSearch();

// A system library from System32 only, never from the program's or the
// current folder; the manifest's activation context still redirects it (the
// common controls 6). It stays loaded for the process. nullptr when it
// cannot be loaded.
HMODULE Load(const char* name);

} // namespace SystemLibraries
