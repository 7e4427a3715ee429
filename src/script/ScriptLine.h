// One line of "tarvel.eif" as the reader sees it: what kind of line it is, and
// the name and value it holds before the table cuts them to size. The table
// stores what this finds, and the checker reports on it, so both always agree
// about what a line means.
#pragma once

#include "base/afxstr.h"

namespace ScriptLine {

enum class Kind {
    Ignored,       // no "[", "=" or ";" at all: blank lines and stray text
    Comment,       // ";" comes first
    Section,       // "[name]"; text after the "]" is lost
    BadSection,    // "[" without a "]" after it, or "[]"
    Key,           // "key=value"
    EmptyKey,      // "=value", or nothing but spaces before the "="
};

struct Parsed
{
    Kind kind = Kind::Ignored;
    // The section or key name, whole.
    CString name;
    // The value after unescaping, whole.
    CString value;
    // A key line: bytes that follow the key before the "=" (dropped).
    bool textBeforeEquals = false;
    // A section line: bytes that follow the "]" (dropped).
    bool textAfterSection = false;
};

// Reads one piece of a line (at most one line, its line feed included).
Parsed Parse(const char* piece);

// A header: the name between the first "[" and the first "]" after it.
Parsed ParseHeader(const char* text);

// The longest start of 'text' that fits in maxBytes without splitting a
// double-byte character.
CString CutAtCharBoundary(const char* text, int maxBytes);

} // namespace ScriptLine
