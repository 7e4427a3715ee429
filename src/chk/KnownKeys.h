// The catalogue of what the installer reads from "tarvel.eif", in the form the
// checker needs: which section each key belongs to, what kind of value it
// takes, and the nearest known name for one that is not read.
#pragma once

#include "base/afxstr.h"

#include <vector>

namespace Chk {

enum class ValueKind {
    Text,   // shown to the user
    Flag,   // TRUE or FALSE, any case
    Path,   // a file or folder name
    Name,   // a registry or shortcut name: a line feed in it is a fault too
    Number, // PRODUCT_NUM
};

struct KnownKey
{
    const char* Section;
    CString Key;
    ValueKind Kind;
};

// The three sections the installer reads.
bool IsKnownSection(const CString& name);
const std::vector<CString>& KnownSections();

// The key as the installer reads it in that section, or null. The product
// keys count for every number the installer can form ("PRODUCT_NAME7").
const KnownKey* FindKnownKey(const CString& section, const CString& key);
// The section that reads this key, or null when no section does.
const char* SectionOfKey(const CString& key);
// The known names of a section (products with the number 1).
std::vector<CString> KeysOf(const CString& section);

// The candidate closest to 'name', compared without regard to case, when it
// is close enough to be a slip of the pen; empty otherwise.
CString NearestName(const CString& name, const std::vector<CString>& candidates);

} // namespace Chk
