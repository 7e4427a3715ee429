// Fuzz target for the path guards: the checks that a path read from a log or
// a script stays inside the folder it is joined to (StaysInside, IsLevelOf,
// IsInside with JoinBelow), and that a registry name stays one level
// (ScriptValueRules::IsOneKeyLevel). The invariant, on every input: nothing they accept leads
// outside its root once the system has read the joined path (PathModel.h:
// "." and "..", case, both slashes, double-byte characters, "\\?\" and
// device names, streams).
#include "base/PathHelpers.h"
#include "script/ScriptValueRules.h"
#include "uninst/UninstallPlan.h"
#include "FuzzDriver.h"
#include "PathModel.h"

#include <cstring>

namespace {

// Roots as the uninstaller and the installer have them: with and without the
// trailing backslash, one ending in a character whose trail byte is 0x5C.
const char* const ROOTS[] = {
    "C:\\Program Files\\Zerdane\\Pkg",
    "C:\\Program Files\\Zerdane\\Pkg\\",
    "C:\\\x95\x5C",
    "d:\\a\\b\\c\\",
};

// Whether a registry name, read as the system reads it, has a separator or
// is empty; both readings of a lead byte before a byte that is no trail byte.
bool IsOneRegistryLevel(const std::string& name)
{
    for (bool pairInvalid : {false, true}) {
        if (name.empty())
            return false;
        for (size_t i = 0; i < name.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(name[i]);
            const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
            const unsigned char next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
            const bool trail = (next >= 0x40 && next <= 0x7E) || (next >= 0x80 && next <= 0xFC);
            if (lead && next && (pairInvalid || trail))
                ++i;
            else if (c == '\\')
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    // The guards take zero-terminated text: what comes after a zero is not theirs.
    const CString candidate(input.c_str());
    const std::string text = static_cast<const char*>(candidate);

    for (const char* root : ROOTS) {
        const std::string base = static_cast<const char*>(PathHelpers::WithTrailingBackslash(root));
        const CString joined = PathHelpers::JoinBelow(root, candidate);
        FUZZ_EXPECT(std::strncmp(joined, base.c_str(), base.size()) == 0);
        if (PathHelpers::StaysInside(candidate)) {
            FUZZ_EXPECT(PathModel::StrictlyBelow(static_cast<const char*>(joined), root));
            FUZZ_EXPECT(PathModel::StrictlyBelow(base + text, root));
        }
        // The shared folder: the script's levels below the program-files
        // folder, a leading and a trailing backslash allowed.
        const CString levels =
            PathHelpers::WithoutTrailingBackslash(text[0] == '\\' ? candidate.Mid(1) : candidate);
        if (PathHelpers::StaysInside(levels))
            FUZZ_EXPECT(PathModel::StrictlyBelow(static_cast<const char*>(joined), root));

        if (PathHelpers::IsLevelOf(candidate, root))
            FUZZ_EXPECT(PathModel::LevelOf(text, root));
        if (PathHelpers::IsInside(candidate, root)
            && PathHelpers::StaysInside(candidate.Mid(static_cast<int>(base.size()))))
            FUZZ_EXPECT(PathModel::StrictlyBelow(text, root));
    }

    if (PathHelpers::StaysInside(candidate))
        FUZZ_EXPECT(PathHelpers::StaysInsideKey(candidate));
    if (ScriptValueRules::IsOneKeyLevel(candidate))
        FUZZ_EXPECT(IsOneRegistryLevel(text));
    return 0;
}

namespace {

const char* const PATH_TOKENS[] = {
    "\\", "/", ".", "..", "...", ". .", " ", "\\..", "..\\", "../", ":", "::$DATA", ":$I30:$INDEX_ALLOCATION",
    "C:", "c:\\program files\\zerdane\\pkg", "C:\\PROGRAM FILES\\ZERDANE", "\\\\?\\", "\\\\.\\", "\\??\\",
    "\\\\server\\share", "CON", "nul.txt", "Com1", "LPT9 .x", "CONOUT$", "AUX", "\x81", "\x95\x5C", "\x81/",
    "\x81.", "\x81 ", "\x81:", "\xFC\xFC", "\xFD", "a", "*", "?", "\t",
};

} // namespace

// A path the uninstaller builds is far below the 511 bytes of a script value
// and the entries of a log; a few thousand bytes cover both.
const FuzzTarget FUZZ_TARGET = {"path", PATH_TOKENS, sizeof PATH_TOKENS / sizeof PATH_TOKENS[0], 4096};
