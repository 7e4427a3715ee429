// A file that was just written is often held open for a moment by someone
// else: a virus scanner, an indexer, a thumbnail maker. A copy over it, a
// rename, a delete or an attribute change then fails with a sharing or lock
// violation, or with access denied. Such a call is worth a few short waits
// before it counts as failed; any other failure counts at once.
#pragma once

#include <windows.h>

#include <functional>

namespace HeldFiles {

// The pauses between the tries of one call, growing, about 2 s in all: long
// enough for a scanner to finish with a file, short enough that a file that
// stays held does not look like a hung run.
constexpr DWORD PAUSES_MS[] = {50, 100, 200, 350, 550, 750};
constexpr int PAUSE_COUNT = static_cast<int>(sizeof(PAUSES_MS) / sizeof(PAUSES_MS[0]));
constexpr DWORD WAIT_BOUND_MS = [] {
    DWORD sum = 0;
    for (DWORD pause : PAUSES_MS)
        sum += pause;
    return sum;
}();

// TRUE when 'error' from a call on 'path' says that someone holds the file
// for now. Access denied counts only for a file that is there, is no folder
// and is not read-only: those refuse for good.
bool IsHeld(DWORD error, const char* path);

// Calls 'call' until it succeeds, fails for another reason than a hold on
// 'path', or the pauses are spent. Each wait is a line of the run's log
// naming 'operation'. The last failure's error stays for GetLastError. The
// pauses go through the seam table, so that tests do not wait.
BOOL Retried(const char* operation, const char* path, const std::function<BOOL()>& call);

// The seam table's calls, retried. (Not named after the system calls:
// windows.h makes those names macros.)
BOOL CopyOver(const char* from, const char* to, BOOL failIfExists);
BOOL Rename(const char* from, const char* to);
BOOL Delete(const char* path);
BOOL SetAttributes(const char* path, DWORD attributes);

} // namespace HeldFiles
