#include "chk/KnownKeys.h"

#include "script/ScriptKeys.h"

#include <algorithm>
#include <cstdlib>

namespace Chk {

namespace {

CString Numbered(const char* format, int n)
{
    CString key;
    key.Format(format, n);
    return key;
}

std::vector<KnownKey> BuildCatalogue()
{
    std::vector<KnownKey> keys;
    auto add = [&](const char* section, const CString& key, ValueKind kind) {
        keys.push_back(KnownKey{section, key, kind});
    };
    for (const char* text : {KEY_CAPTION, KEY_MSG_FOLDER_SEL, KEY_FOLDER_TITLE, KEY_BUTTON_REF, KEY_BUTTON_OK,
                             KEY_BUTTON_CANCEL, KEY_MSG_SELECT_FOLDER, KEY_MAKE_FOLDER_CONF, KEY_MSG_COPY_FILE,
                             KEY_MSG_INSTALL_END, KEY_UNINSTALL_NAME})
        add(SEC_INSTALL, text, ValueKind::Text);
    // Shown in the list of installed software; all optional.
    for (const char* text : {KEY_PUBLISHER, KEY_DISPLAY_VERSION, KEY_URL_INFO_ABOUT})
        add(SEC_INSTALL, text, ValueKind::Text);
    for (const char* flag :
         {KEY_FLAG_INSTFOL_DIALOG, KEY_FLAG_STATUS_DIALOG, KEY_FLAG_END_DIALOG, KEY_FLAG_DESKTOP_ICON})
        add(SEC_INSTALL, flag, ValueKind::Flag);
    for (const char* path : {KEY_BACKGROUND_FILE, KEY_APPPATH_BASE, KEY_DATA_PATH, KEY_ICON_NAME,
                             KEY_PROGRAM_FOLDER_NAME, KEY_LIBFILEPATH_BASE, KEY_COMMON_PATH})
        add(SEC_INSTALL, path, ValueKind::Path);
    for (int n = 2; n <= 5; ++n)
        add(SEC_INSTALL, Numbered(KEY_DATA_PATH_FMT, n), ValueKind::Path);
    for (int n = 1; n <= 5; ++n) {
        add(SEC_INSTALL, Numbered(KEY_WRITE_FILE_FMT, n), ValueKind::Path);
        add(SEC_INSTALL, Numbered(KEY_REG_LIBFILE_FMT, n), ValueKind::Path);
    }
    for (const char* name : {KEY_SHORTCUT_NAME, KEY_COMPANY_NAME})
        add(SEC_INSTALL, name, ValueKind::Name);
    add(SEC_INSTALL, KEY_PRODUCT_NUM, ValueKind::Number);
    add(SEC_INSTALL, KEY_PRODUCT_NAME1, ValueKind::Name);
    add(SEC_INSTALL, KEY_PRODUCT_LANGUAGE1, ValueKind::Name);
    add(SEC_INSTALL, KEY_PRODUCT_KEY_FILE1, ValueKind::Path);
    add(SEC_UNINSTALL, KEY_UNINSTALL_FILE, ValueKind::Path);
    add(SEC_UNINSTALL, KEY_UNINSTALL_KEY, ValueKind::Name);
    // The uninstaller's own texts, all optional.
    for (const char* text : {KEY_UNINSTALL_CAPTION, KEY_MSG_UNINSTALL_CONF, KEY_MSG_UNINSTALL_STATUS,
                             KEY_MSG_UNINSTALL_END, KEY_MSG_UNINSTALL_LEFT, KEY_MSG_UNINSTALL_RESTART,
                             KEY_ERR_UNINSTALL_NOTHING, KEY_ERR_UNINSTALL_LOG, KEY_ERR_UNINSTALL_RUNNING})
        add(SEC_UNINSTALL, text, ValueKind::Text);
    for (const char* text : {KEY_ERR_MES_FILE_NOT_EXIST, KEY_ERR_MES_ERROR_OCCURRED, KEY_ERR_MES_WRITE_ERROR,
                             KEY_ERR_MES_COPY_ERROR, KEY_ERR_MES_NOSPACE, KEY_ERR_MES_USER_CANCEL,
                             KEY_ERR_SEL_FOL_INVALID})
        add(SEC_ERROR, text, ValueKind::Text);
    return keys;
}

const std::vector<KnownKey>& Catalogue()
{
    static const std::vector<KnownKey> keys = BuildCatalogue();
    return keys;
}

// A product key with any number the installer forms: "PRODUCT_NAME12", not
// "PRODUCT_NAME012". The entry for number 1 stands for all of them.
const KnownKey* FindProductKey(const CString& key)
{
    for (const char* format : {KEY_PRODUCT_NAME_FMT, KEY_PRODUCT_LANGUAGE_FMT, KEY_PRODUCT_KEY_FILE_FMT}) {
        const CString prefix = CString(format).Left(CString(format).Find('%'));
        if (key.Left(prefix.GetLength()) != prefix)
            continue;
        const CString digits = key.Mid(prefix.GetLength());
        char* end = nullptr;
        long long n = std::strtoll(digits, &end, 10);
        if (digits.IsEmpty() || *end != '\0' || n <= 0 || n > 0x7FFFFFFF)
            continue;
        if (Numbered(format, static_cast<int>(n)) != key)
            continue;
        const CString first = Numbered(format, 1);
        for (const KnownKey& known : Catalogue()) {
            if (known.Key == first)
                return &known;
        }
    }
    return nullptr;
}

int Distance(const CString& a, const CString& b)
{
    CString x(a), y(b);
    x.MakeUpper();
    y.MakeUpper();
    const int n = x.GetLength(), m = y.GetLength();
    std::vector<int> row(static_cast<size_t>(m) + 1);
    for (int j = 0; j <= m; ++j)
        row[static_cast<size_t>(j)] = j;
    for (int i = 1; i <= n; ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= m; ++j) {
            const int above = row[static_cast<size_t>(j)];
            const int cost = x[i - 1] == y[j - 1] ? 0 : 1;
            row[static_cast<size_t>(j)] = std::min({above + 1, row[static_cast<size_t>(j) - 1] + 1, diagonal + cost});
            diagonal = above;
        }
    }
    return row[static_cast<size_t>(m)];
}

} // namespace

const std::vector<CString>& KnownSections()
{
    static const std::vector<CString> sections = {SEC_INSTALL, SEC_UNINSTALL, SEC_ERROR};
    return sections;
}

bool IsKnownSection(const CString& name)
{
    const std::vector<CString>& sections = KnownSections();
    return std::find(sections.begin(), sections.end(), name) != sections.end();
}

const KnownKey* FindKnownKey(const CString& section, const CString& key)
{
    for (const KnownKey& known : Catalogue()) {
        if (known.Key == key)
            return section == known.Section ? &known : nullptr;
    }
    const KnownKey* product = FindProductKey(key);
    return product && section == product->Section ? product : nullptr;
}

const char* SectionOfKey(const CString& key)
{
    for (const KnownKey& known : Catalogue()) {
        if (known.Key == key)
            return known.Section;
    }
    const KnownKey* product = FindProductKey(key);
    return product ? product->Section : nullptr;
}

std::vector<CString> KeysOf(const CString& section)
{
    std::vector<CString> keys;
    for (const KnownKey& known : Catalogue()) {
        if (section == known.Section)
            keys.push_back(known.Key);
    }
    return keys;
}

CString NearestName(const CString& name, const std::vector<CString>& candidates)
{
    // A third of the name may be mistyped, at least one byte, at most three.
    const int allowed = std::max(1, std::min(3, name.GetLength() / 3));
    CString best;
    int bestDistance = allowed + 1;
    for (const CString& candidate : candidates) {
        const int d = Distance(name, candidate);
        if (d < bestDistance) {
            best = candidate;
            bestDistance = d;
        }
    }
    return best;
}

} // namespace Chk
