// Double-byte-aware path scans. A Shift-JIS trail byte may equal the code of a
// backslash ("表" is 0x95 0x5C), so every scan walks the text from its start,
// a lead byte taking its trail byte with it, and only a single-byte backslash
// counts as a separator. Every path scan in the installer goes through here.
#pragma once

#include "base/DoubleByte.h"
#include "base/afxstr.h"

namespace PathHelpers {

// Whether 'path' begins with 'loweredPrefix' (already lower-cased), single-byte
// letters compared without regard to case and a double-byte character byte
// for byte, its trail too: the answer of comparing a lower-cased copy of the
// path, without making one.
bool StartsWithLowered(const char* path, const CString& loweredPrefix);

// Index just after the last single-byte backslash; 0 when there is none;
// -1 when the text is empty or its last backslash is its last character.
int LastComponentStart(const char* text);

// 1 when the last character is a single-byte character; 0 when it is a
// double-byte character or the text is empty.
int EndsWithSingleByteChar(const char* text);

// TRUE when the text ends in a single-byte backslash.
bool EndsWithBackslash(const char* text);

// Byte index of the n-th (1-based) single-byte backslash at or after 'from',
// or -1 when there are fewer.
int FindNthBackslash(const char* text, int from, int n);

// Byte index of the last single-byte backslash, or -1 when there is none
// (the cut used for the installer's own folder).
int LastBackslash(const char* text);

// The path without its last component and the backslash before it; the
// path itself when it holds no backslash.
CString FolderOf(const CString& path);

// The text without one trailing single-byte backslash.
CString WithoutTrailingBackslash(const CString& path);

// The text with a trailing backslash: appended when the last character is not
// a single-byte backslash (always when it is double-byte or the text empty).
CString WithTrailingBackslash(const CString& path);

// A folder and a relative name below it, joined by exactly one backslash
// whether the folder ends in one, the name begins with one, both or neither.
CString JoinBelow(const CString& folder, const CString& name);

// Where a file that the script names from the installer's folder (the
// uninstaller, the icon) lands, relative to the destination: the name as it
// is, unless one of its levels leads upwards ("..", also "..." or ".. ",
// which the file system reads the same way); then its last component, so
// that "..\x.ico" lands in the destination's root and never above it.
CString NamedFileDestination(const CString& name);

// TRUE when a relative path can only name something below the folder it is
// joined to: not empty, no leading separator, no drive or stream colon, no
// level that is empty or made only of dots and blanks (the file system reads
// "..", "..." and ".. " as the level above), no wildcard or control character,
// no device name ("NUL", "com1.txt": the device, in whatever folder), and no
// lead byte before a byte that cannot be its trail byte (the system may read
// "\x81/.." as a character, a separator and "..").
// Both "\\" and "/" separate levels here, as they do for the file system.
bool StaysInside(const char* relative);

// The same for a path of registry keys, where a device name is a plain name.
bool StaysInsideKey(const char* relative);

// TRUE when 'level' is a drive-rooted folder ("C:\A", at least one level
// below the root) that is 'folder' itself or one of its ancestors. Single-byte
// letters compare without regard to case, double-byte characters byte for byte.
bool IsLevelOf(const char* level, const char* folder);

// TRUE when 'path' lies inside 'folder' (the folder itself does not count).
bool IsInside(const char* path, const char* folder);

} // namespace PathHelpers

using PathHelpers::EndsWithSingleByteChar;
using PathHelpers::LastComponentStart;
