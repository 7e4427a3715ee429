// Values the installer reads otherwise than their author meant (line feeds
// in paths, spaces, flags, numbered lists with gaps, products), and what an
// empty or missing key will mean for the user.
#include "chk/ScriptCheckParts.h"

#include "chk/KnownKeys.h"
#include "script/ScriptKeys.h"
#include "script/ScriptProducts.h"
#include "script/ScriptValueRules.h"

#include <cstdlib>
#include <set>

namespace Chk {

namespace {

void CheckValueForms(const CScriptModel& model, CFindings& findings)
{
    for (int i = 0; i < model.Count; ++i) {
        const ScriptEntry& entry = model.Entries[i];
        const KnownKey* known = FindKnownKey(entry.Section, entry.Key);
        // Only the entry the installer reads: a later duplicate has its own finding.
        if (!known || FindScriptEntry(model.Entries, model.Count, entry.Section, entry.Key) != i)
            continue;
        const int line = model.EntryLine[i];
        const CString& value = entry.Value;
        if ((known->Kind == ValueKind::Path || known->Kind == ValueKind::Name) && value.Find('\n') >= 0) {
            findings.Error(line, "line-feed-in-path",
                           "the value " + Quote(value) + " holds a line feed: \"\\n\" is read as a line break "
                               "even in a path; write the letter after the backslash in upper case (\\N)");
        }
        if (known->Kind != ValueKind::Text && !value.IsEmpty()
            && (value[0] == ' ' || value[value.GetLength() - 1] == ' ')) {
            findings.Warning(line, "value-spaces",
                             "the value " + Quote(value) + " begins or ends with a space, which is part of it "
                                 "(\"KEY = value\" gives \" value\")");
        }
        if (known->Kind == ValueKind::Flag && !value.IsEmpty() && value.CompareNoCase(FLAG_TRUE) != 0
            && value.CompareNoCase(FLAG_FALSE) != 0) {
            findings.Warning(line, "flag-value",
                             Quote(value) + " is neither TRUE nor FALSE: the flag counts as not set");
        }
        if (known->Kind == ValueKind::Number) {
            char* end = nullptr;
            std::strtoll(value, &end, 10);
            if (end == static_cast<const char*>(value))
                findings.Warning(line, "product-count",
                                 Quote(value) + " is no number: no product key file is registered");
        }
    }
}

// A list that ends at its first empty key: the keys after it are never read.
void CheckNumberedList(const CScriptModel& model, const std::vector<CString>& keys, CFindings& findings)
{
    size_t end = 0;
    while (end < keys.size() && !model.Value(SEC_INSTALL, keys[end]).IsEmpty())
        ++end;
    for (size_t k = end + 1; k < keys.size(); ++k) {
        if (model.Value(SEC_INSTALL, keys[k]).IsEmpty())
            continue;
        const bool set = model.LineOf(SEC_INSTALL, keys[end]) != 0;
        findings.Error(model.LineOf(SEC_INSTALL, keys[k]), "numbered-gap",
                       Quote(keys[k]) + " is never read: the list ends at " + Quote(keys[end]) + ", which is "
                           + (set ? "empty" : "not set"));
    }
}

CString Format1(const char* format, int n)
{
    CString text;
    text.Format(format, n);
    return text;
}

void CheckLists(const CScriptModel& model, CFindings& findings)
{
    std::vector<CString> data = {KEY_DATA_PATH}, writable, libraries;
    for (int n = 2; n <= 5; ++n)
        data.push_back(Format1(KEY_DATA_PATH_FMT, n));
    for (int n = 1; n <= 5; ++n) {
        writable.push_back(Format1(KEY_WRITE_FILE_FMT, n));
        libraries.push_back(Format1(KEY_REG_LIBFILE_FMT, n));
    }
    CheckNumberedList(model, data, findings);
    CheckNumberedList(model, writable, findings);

    const CString first = model.Value(SEC_INSTALL, KEY_REG_LIBFILE1);
    if (first.CompareNoCase(VALUE_NONE) == 0) {
        for (size_t k = 1; k < libraries.size(); ++k) {
            if (!model.Value(SEC_INSTALL, libraries[k]).IsEmpty())
                findings.Error(model.LineOf(SEC_INSTALL, libraries[k]), "numbered-gap",
                               Quote(libraries[k]) + " is never read: REG_LIBFILE1 is NONE");
        }
    } else if (!first.IsEmpty()) {
        CheckNumberedList(model, libraries, findings);
    }
}

// Product i's number when the key is one of its three, else 0.
int ProductNumber(const CString& key)
{
    for (const char* format : {KEY_PRODUCT_NAME_FMT, KEY_PRODUCT_LANGUAGE_FMT, KEY_PRODUCT_KEY_FILE_FMT}) {
        const CString prefix = CString(format).Left(CString(format).Find('%'));
        if (key.Left(prefix.GetLength()) != prefix)
            continue;
        char* end = nullptr;
        const CString digits = key.Mid(prefix.GetLength());
        long long n = std::strtoll(digits, &end, 10);
        if (!digits.IsEmpty() && *end == '\0' && n > 0 && n <= 0x7FFFFFFF && Format1(format, static_cast<int>(n)) == key)
            return static_cast<int>(n);
    }
    return 0;
}

void CheckProducts(const CScriptModel& model, CFindings& findings)
{
    const CString countText = model.Value(SEC_INSTALL, KEY_PRODUCT_NUM);
    const int count = ScriptProducts::Count(countText);
    std::set<int> seen;
    for (int i = 0; i < model.Count; ++i) {
        const ScriptEntry& entry = model.Entries[i];
        const int n = entry.Section == SEC_INSTALL ? ProductNumber(entry.Key) : 0;
        if (!n || !seen.insert(n).second)
            continue;
        if (n > count) {
            // PRODUCT_KEY_FILE1 is the shortcuts' target as well: it is read anyway.
            if (n == 1 && entry.Key == KEY_PRODUCT_KEY_FILE1)
                continue;
            CString text;
            text.Format(" is never read as product %d's: PRODUCT_NUM makes %d product%s", n, count,
                        count == 1 ? "" : "s");
            findings.Warning(model.EntryLine[i], "product-beyond-count", Quote(entry.Key) + text);
            continue;
        }
        const CString keys[] = {Format1(KEY_PRODUCT_NAME_FMT, n), Format1(KEY_PRODUCT_LANGUAGE_FMT, n),
                                Format1(KEY_PRODUCT_KEY_FILE_FMT, n)};
        std::vector<CString> missing;
        for (const CString& key : keys) {
            if (model.Value(SEC_INSTALL, key).IsEmpty())
                missing.push_back(key);
        }
        // Product 1 with only its key file is the usual shortcut-only script.
        if (missing.empty() || missing.size() == 3 || (n == 1 && missing.size() == 2 && !model.Value(SEC_INSTALL, keys[2]).IsEmpty()))
            continue;
        CString text;
        text.Format("product %d is skipped: ", n);
        findings.Warning(model.EntryLine[i], "product-incomplete", text + JoinNames(missing) + " not set");
    }
}

// --- what empty or missing keys will mean --------------------------------------------

bool Shown(const CScriptModel& model, const char* flag)
{
    return model.Value(SEC_INSTALL, flag).CompareNoCase(FLAG_FALSE) != 0;
}

void CheckEmptyTexts(const CScriptModel& model, const char* what, const std::vector<const char*>& keys,
                     const char* section, CFindings& findings)
{
    std::vector<CString> empty;
    for (const char* key : keys) {
        if (model.Value(section, key).IsEmpty())
            empty.push_back(key);
    }
    if (!empty.empty())
        findings.Warning(0, "empty-text", CString(what) + JoinNames(empty, 10));
}

void CheckRequired(const CScriptModel& model, CFindings& findings)
{
    auto required = [&](const char* section, const char* key, const char* consequence) {
        if (model.Value(section, key).IsEmpty())
            findings.Error(model.LineOf(section, key), "missing-key",
                           CString("[") + section + "] " + key + " is not set: " + consequence);
    };
    required(SEC_UNINSTALL, KEY_UNINSTALL_FILE, "the installer stops at once with ERR_MES_FILE_NOT_EXIST");
    required(SEC_INSTALL, KEY_ICON_NAME, "the installer stops before copying with ERR_MES_FILE_NOT_EXIST");
    required(SEC_INSTALL, KEY_REG_LIBFILE1,
             "the installer stops at once with \"[REG_LIBFILE1]Key not found.\"; write REG_LIBFILE1=NONE for a "
             "package without shared libraries");
    const CString firstLibrary = model.Value(SEC_INSTALL, KEY_REG_LIBFILE1);
    if (!firstLibrary.IsEmpty() && firstLibrary.CompareNoCase(VALUE_NONE) != 0) {
        required(SEC_INSTALL, KEY_LIBFILEPATH_BASE, "the installer stops at once with \"[LIBFILEPATH_BASE]Key not found.\"");
        required(SEC_INSTALL, KEY_COMMON_PATH, "the installer stops at once with \"[COMMON_PATH]Key not found.\"");
    }
    // An empty name would be the list's own key, which the installer takes for another program's.
    required(SEC_UNINSTALL, KEY_UNINSTALL_KEY,
             "the installer refuses the package at load with \"[UNINSTALL_KEY]Key used by another program.\"");
}

void CheckDefaults(const CScriptModel& model, CFindings& findings)
{
    if (model.Value(SEC_INSTALL, KEY_CAPTION).IsEmpty())
        findings.Warning(model.LineOf(SEC_INSTALL, KEY_CAPTION), "empty-text",
                         "CAPTION is not set: message boxes are captioned \"Error\" and the dialogs have no title");
    if (Shown(model, KEY_FLAG_INSTFOL_DIALOG))
        CheckEmptyTexts(model, "the install-folder dialog and the folder browser show empty texts for ",
                        {KEY_MSG_FOLDER_SEL, KEY_FOLDER_TITLE, KEY_BUTTON_REF, KEY_BUTTON_OK, KEY_BUTTON_CANCEL,
                         KEY_MSG_SELECT_FOLDER, KEY_MAKE_FOLDER_CONF},
                        SEC_INSTALL, findings);
    if (Shown(model, KEY_FLAG_STATUS_DIALOG))
        CheckEmptyTexts(model, "the status dialog shows an empty text for ", {KEY_MSG_COPY_FILE}, SEC_INSTALL,
                        findings);
    if (Shown(model, KEY_FLAG_END_DIALOG))
        CheckEmptyTexts(model, "the end dialog shows empty texts for ", {KEY_MSG_INSTALL_END, KEY_BUTTON_OK},
                        SEC_INSTALL, findings);
    else
        findings.Note(model.LineOf(SEC_INSTALL, KEY_FLAG_END_DIALOG), "no-end-dialog",
                      "no end dialog: an interactive install ends without a word to the user");
    std::vector<const char*> errors = {KEY_ERR_MES_FILE_NOT_EXIST, KEY_ERR_MES_ERROR_OCCURRED,
                                       KEY_ERR_MES_WRITE_ERROR,    KEY_ERR_MES_COPY_ERROR,
                                       KEY_ERR_MES_NOSPACE,        KEY_ERR_MES_USER_CANCEL};
    if (Shown(model, KEY_FLAG_INSTFOL_DIALOG))
        errors.push_back(KEY_ERR_SEL_FOL_INVALID);
    CheckEmptyTexts(model, "these failures show an empty message box: ", errors, SEC_ERROR, findings);

    if (model.Value(SEC_INSTALL, KEY_UNINSTALL_NAME).IsEmpty())
        findings.Warning(model.LineOf(SEC_INSTALL, KEY_UNINSTALL_NAME), "empty-text",
                         "UNINSTALL_NAME is not set: the list of installed software shows the package without a name");
    if (model.Value(SEC_INSTALL, KEY_SHORTCUT_NAME).IsEmpty())
        findings.Warning(model.LineOf(SEC_INSTALL, KEY_SHORTCUT_NAME), "empty-text",
                         "SHORTCUT_NAME is not set: the shortcuts are named \".lnk\"");
    if (model.Value(SEC_INSTALL, KEY_PRODUCT_KEY_FILE1).IsEmpty())
        findings.Warning(model.LineOf(SEC_INSTALL, KEY_PRODUCT_KEY_FILE1), "empty-text",
                         "PRODUCT_KEY_FILE1 is not set: the shortcuts open the destination folder");

    const CString base = model.Value(SEC_INSTALL, KEY_APPPATH_BASE);
    const int baseLine = model.LineOf(SEC_INSTALL, KEY_APPPATH_BASE);
    if (base.IsEmpty()) {
        findings.Warning(baseLine, "destination",
                         "APPPATH_BASE is not set: the package is installed into the program-files folder itself");
    } else {
        for (const char* bad = ":*?\"<>|"; *bad; ++bad) {
            if (base.Find(*bad) >= 0) {
                findings.Error(baseLine, "destination",
                               "APPPATH_BASE " + Quote(base) + " holds \"" + CString(*bad, 1)
                                   + "\", which no folder name may: the destination cannot be created "
                                     "(write a path below the program-files folder, without a drive)");
                break;
            }
        }
    }
}

// The values the installer refuses at load by the rules it shares with the
// uninstaller: each one is an install that ends at once with exit code 3.
void CheckPlaces(const CScriptModel& model, CFindings& findings)
{
    for (const ScriptValueRules::BadValue& bad : ScriptValueRules::BadValues(model.Entries, model.Count)) {
        // The destination's and the line feed's own findings already tell why.
        if ((bad.Key == KEY_APPPATH_BASE && findings.Has("destination")) || bad.Value.Find('\n') >= 0)
            continue;
        const bool levels = bad.Key == KEY_PROGRAM_FOLDER_NAME && bad.Reason == "holds more than one level";
        findings.Error(model.LineOf(bad.Section, bad.Key), levels ? "program-folder-levels" : "unsafe-value",
                       bad.Key + " " + Quote(bad.Value) + " " + bad.Reason + ": the installer refuses the "
                           + "package at load with \"[" + bad.Key + "]Invalid value.\"");
    }
}

} // namespace

void CheckValues(const CScriptModel& model, CFindings& findings)
{
    CheckValueForms(model, findings);
    CheckLists(model, findings);
    CheckProducts(model, findings);
    CheckRequired(model, findings);
    CheckDefaults(model, findings);
    CheckPlaces(model, findings);
}

} // namespace Chk
