#include "script/ScriptValueRules.h"

#include "base/PathHelpers.h"
#include "script/ScriptKeys.h"

#include <cstdlib>
#include <cstring>

namespace ScriptValueRules {

namespace {

struct KeyForm
{
    const char* Section;
    const char* Key; // a format with %d for a numbered key
    Form Shape;
    int Last;        // the highest number read; 0 for a key without one, -1 for any number
};

const KeyForm KEY_FORMS[] = {
    {SEC_INSTALL, KEY_APPPATH_BASE, Form::Base, 0},
    {SEC_INSTALL, KEY_LIBFILEPATH_BASE, Form::Base, 0},
    {SEC_INSTALL, KEY_DATA_PATH, Form::Folder, 0},
    {SEC_INSTALL, KEY_DATA_PATH_FMT, Form::Folder, 5},
    {SEC_INSTALL, KEY_COMMON_PATH, Form::Folder, 0},
    {SEC_INSTALL, KEY_ICON_NAME, Form::File, 0},
    {SEC_INSTALL, KEY_BACKGROUND_FILE, Form::File, 0},
    {SEC_INSTALL, KEY_WRITE_FILE_FMT, Form::File, 5},
    {SEC_INSTALL, KEY_REG_LIBFILE_FMT, Form::File, 5},
    {SEC_INSTALL, KEY_PROGRAM_FOLDER_NAME, Form::Name, 0},
    {SEC_INSTALL, KEY_SHORTCUT_NAME, Form::Name, 0},
    {SEC_INSTALL, KEY_COMPANY_NAME, Form::KeyLevel, 0},
    {SEC_INSTALL, KEY_PRODUCT_NAME_FMT, Form::KeyLevel, -1},
    {SEC_INSTALL, KEY_PRODUCT_LANGUAGE_FMT, Form::KeyLevel, -1},
    {SEC_INSTALL, KEY_PRODUCT_KEY_FILE_FMT, Form::File, -1},
    {SEC_UNINSTALL, KEY_UNINSTALL_FILE, Form::File, 0},
    {SEC_UNINSTALL, KEY_UNINSTALL_KEY, Form::KeyLevel, 0},
};

// The number a numbered key carries, written as the installer formats it
// ("DATA_PATH2", never "DATA_PATH02"); 0 when the key is not of the format.
int NumberIn(const char* format, const char* key)
{
    const char* mark = std::strstr(format, "%d");
    const size_t prefix = static_cast<size_t>(mark - format);
    if (std::strncmp(key, format, prefix) != 0 || key[prefix] < '1' || key[prefix] > '9')
        return 0;
    char* end = nullptr;
    const long n = std::strtol(key + prefix, &end, 10);
    if (*end != '\0' || n <= 0 || n > 0x7FFFFFFF)
        return 0;
    CString spelled;
    spelled.Format(format, static_cast<int>(n));
    return spelled == key ? static_cast<int>(n) : 0;
}

CString PathRefusal(const CString& levels)
{
    if (levels.GetLength() > LONGEST_PATH_VALUE)
        return "longer than a path may be";
    if (levels.GetLength() >= 2 && levels[1] == ':')
        return "names a drive";
    if (levels.Left(2) == "\\\\" || levels.Left(2) == "//")
        return "names a network path";
    if (!PathHelpers::StaysInside(levels))
        return "leads out of its folder (an absolute path, a \"..\" level, an empty level, a device name or a "
               "character no name may hold)";
    return CString();
}

bool HasSeparator(const CString& name)
{
    return PathHelpers::LastComponentStart(name) != 0 || name.Find('/') >= 0;
}

} // namespace

CString Refusal(Form form, const char* value)
{
    CString text = value;
    if (text.IsEmpty())
        return CString();
    switch (form) {
    case Form::Base:
        // A drive or a network path is refused before the backslashes are dropped.
        if (text.GetLength() >= 2 && text[1] == ':')
            return "names a drive";
        if (text.Left(2) == "\\\\" || text.Left(2) == "//")
            return "names a network path";
        if (text[0] == '\\')
            text = text.Mid(1);
        return text.IsEmpty() ? CString() : PathRefusal(PathHelpers::WithoutTrailingBackslash(text));
    case Form::Folder:
        return PathRefusal(PathHelpers::WithoutTrailingBackslash(text));
    case Form::File:
        return PathRefusal(text);
    case Form::Name:
        if (HasSeparator(text))
            return "holds more than one level";
        return PathRefusal(text);
    case Form::KeyLevel:
        if (text.GetLength() > LONGEST_KEY_LEVEL)
            return "longer than a registry key name may be";
        if (HasSeparator(text))
            return "holds more than one key level";
        // A key may be called "Aux": device names are the file system's only.
        if (!PathHelpers::StaysInsideKey(text))
            return "is no key name (a \"..\" level, or a character the uninstaller does not take)";
        return CString();
    }
    return CString();
}

bool FormOf(const char* section, const char* key, Form& form)
{
    for (const KeyForm& rule : KEY_FORMS) {
        if (std::strcmp(section, rule.Section) != 0)
            continue;
        const bool matches = rule.Last == 0 ? std::strcmp(key, rule.Key) == 0 : [&] {
            const int n = NumberIn(rule.Key, key);
            return n > 0 && (rule.Last < 0 || n <= rule.Last);
        }();
        if (matches) {
            form = rule.Shape;
            return true;
        }
    }
    return false;
}

std::vector<BadValue> BadValues(const ScriptEntry* entries, int count)
{
    std::vector<BadValue> bad;
    for (int i = 0; i < count; ++i) {
        const ScriptEntry& entry = entries[i];
        Form form;
        if (!FormOf(entry.Section, entry.Key, form))
            continue;
        if (FindScriptEntry(entries, count, entry.Section, entry.Key) != i)
            continue;
        const CString reason = Refusal(form, entry.Value);
        if (!reason.IsEmpty())
            bad.push_back({entry.Section, entry.Key, entry.Value, reason});
    }
    return bad;
}

CString Describe(const BadValue& bad)
{
    return "[" + bad.Section + "] " + bad.Key + "=" + bad.Value + ", " + bad.Reason;
}

bool IsOneKeyLevel(const CString& name)
{
    return !name.IsEmpty() && Refusal(Form::KeyLevel, name).IsEmpty();
}

} // namespace ScriptValueRules
