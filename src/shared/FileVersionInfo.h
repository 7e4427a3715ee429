// CFileVersionInfo: reads the "FileVersion" text of a file's version resource
// and compares two such texts number by number. It holds nothing; make one on
// the stack where a comparison is needed.
#pragma once

#include "base/afxstr.h"

class CFileVersionInfo : public CObject
{
public:
// Operations
    // The FileVersion text of the file's version resource; empty when the file
    // has none, has an empty translation table or cannot be read.
    CString GetFileVersion(CString path);

    // Reads up to four numbers from each text as "%d,%d,%d,%d" does (blanks
    // before a number skipped, reading stops at the first misfit, missing
    // numbers are 0) and compares them in order: 1 when the first text is the
    // higher version, 2 when the second is, 0 when equal, -1 when either text
    // is empty or blank.
    int CompareVersions(CString first, CString second);

    // The numbers of the version resource's fixed part (the FILEVERSION a
    // resource script gives), "a,b,c,d"; empty when the file has none.
    CString GetFixedFileVersion(CString path);

    // The four numbers CompareVersions reads from a text, "a,b,c,d"; empty
    // when it reads none (an empty or blank text).
    static CString VersionAsRead(CString text);

    // TRUE when CompareVersions reads the whole text: four numbers with a
    // comma after each of the first three, blanks at most around them. Any
    // other text ("1.0.0.3") reads as fewer numbers than it holds.
    static BOOL IsReadWhole(CString text);
};
