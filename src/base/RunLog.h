// The run's log, for administrators who deploy a package to many machines
// (/LOG): one time-stamped line per event, in UTF-8 with a byte-order mark
// whatever the system's code page, written through at once so that a run
// that is killed still leaves every line before its end.
//
// Any part of the program may write to it; while no log is open a line goes
// nowhere, so callers never ask first. A line that cannot be written is
// dropped: the log must never be the reason an install fails.
#pragma once

#include "base/afxstr.h"

#include <windows.h>

#include <string>

namespace RunLog {

// The start of the installer's default log name.
constexpr char SETUP_LOG_STEM[] = "Tarvel Setup Log";

// Creates the log at 'path', emptying a file that is there. FALSE (with the
// system's error code from GetLastError) when it cannot be written.
BOOL Open(const CString& path);

// Creates "<stem> yyyy-mm-dd #nnn.txt" in 'folder' (which ends in a
// backslash) with the first number from 001 that no file has yet, so that
// runs on the same day never overwrite each other's log. 'path' gets the
// full name, also on failure.
BOOL OpenNumbered(const CString& folder, CString& path, const char* stem = SETUP_LOG_STEM);

// The log a command line asks for: 'asked' as written after "/LOG=", taken
// from the current folder when relative, or the numbered default in the
// temporary folder when empty. 'path' gets the full name, also on failure.
BOOL OpenAsAsked(const CString& asked, CString& path, const char* stem = SETUP_LOG_STEM);

// Opens an existing log to add lines after its last one: a program that
// hands its run over to another process lets that one finish the log.
BOOL Append(const CString& path);

void Close();

// The last line of a run, "exit code <n>: <meaning>", then the log closes.
void End(int exitCode, const char* meaning);
bool IsOpen();

// One event: "2024-05-01 09:30:12.045  category  text". Line ends inside
// 'text' become " / ", so that one event stays one line.
void Line(const char* category, const CString& text);
// The same for a text that must not pass through the code page: one
// built into the program in UTF-16.
void LineWide(const char* category, const wchar_t* text);

// A failed operation, in the form every failure line has:
// "<operation> failed: <path or key>, error <n> (<system text>)".
void Failure(const char* operation, const CString& pathOrKey, DWORD systemError);

// "error <n> (<system text>)", or "error <n>" when the system has no text.
CString ErrorText(DWORD systemError);

// The pieces a line and a log's name are made of.

// Text in the system's code page (Shift-JIS on a Japanese system) as UTF-8.
std::string ToUtf8(const char* text);
// The default file name for a day and a number.
CString NumberedName(const SYSTEMTIME& day, int number, const char* stem = SETUP_LOG_STEM);

} // namespace RunLog
