// Free space and folder creation as a test wants them: the installer asks
// through the seam table, and these fakes answer.
#pragma once

#include "app/TarvelDoc.h"

#include <string>
#include <vector>

struct FakeDisk
{
    bool hasEx = true;           // GetDiskFreeSpaceExA can be found
    bool exSucceeds = true;
    bool fallbackSucceeds = true;
    long long overTotal = 1;     // free space reported: the list's total plus this
    long long clusters = -1;     // the old call's free clusters of 8 x 512 bytes; -1: as many as make the free space
    const std::vector<SourceEntry>* list = nullptr; // whose total counts
    std::string root;            // the root last asked about
    int exCalls = 0;
    int fallbackCalls = 0;
};

// The disk the fakes describe; reset it in each test's set-up.
extern FakeDisk g_disk;

// Swaps the free-space calls of the seam table for the fakes.
void UseFakeDisk();

// Folder creation that lets the first g_creationsAllowed calls through,
// then fails with access denied.
extern int g_creationsAllowed;
BOOL WINAPI FailingCreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES security);
