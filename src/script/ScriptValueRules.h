// The rules for the script values that name a place: a path below a folder,
// a file or folder name, a registry key level. The installer refuses a
// package at load by them, the uninstaller's plan refuses an installation
// by them, and the checker reports them, so the three never disagree about
// what a package may name.
#pragma once

#include "script/ScriptTable.h"

#include <vector>

namespace ScriptValueRules {

enum class Form {
    Base,      // levels below the program-files folder; a leading and a trailing backslash are dropped
    Folder,    // levels below the package or the destination; a trailing backslash is dropped
    File,      // levels below the package or the destination, ending in a file name
    Name,      // one file or folder name
    KeyLevel,  // one registry key level
};

// The longest value of each kind: a path the file system and the
// uninstaller's own buffers take, a key name the registry takes.
enum {
    LONGEST_PATH_VALUE = 259,
    LONGEST_KEY_LEVEL = 255,
};

// Why a value of that form is refused, in a few words; empty when it is
// good. An empty value is good: the key's meaning when it is unset stays.
CString Refusal(Form form, const char* value);

// A name the script gives for one registry level: the install joins it with
// backslashes, so a name holding one (or none at all) could reach a key that
// is not the package's.
bool IsOneKeyLevel(const CString& name);

// The form of an [INSTALL] or [UNINSTALL] key, numbered keys included;
// false for a key that names no place.
bool FormOf(const char* section, const char* key, Form& form);

struct BadValue
{
    CString Section;
    CString Key;
    CString Value;
    CString Reason;
};

// Every entry of the table that breaks its rule, in table order; only the
// entry the installer reads counts for a key written twice.
std::vector<BadValue> BadValues(const ScriptEntry* entries, int count);

// "[INSTALL] KEY=value, reason": what a run log's failure line says of it.
CString Describe(const BadValue& bad);

} // namespace ScriptValueRules
