#include "install/UninstallEntry.h"

#include "base/PathHelpers.h"
#include "install/RegistrationNames.h"
#include "rollback/RecordedRegistry.h"
#include "script/ScriptKeys.h"

#include <cstring>

namespace UninstallEntry {

namespace {

CString InstallFolderText(const Facts& facts)
{
    return PathHelpers::WithoutTrailingBackslash(facts.InstallFolder);
}

CString UninstallerPath(const Facts& facts)
{
    return facts.InstallFolder
        + PathHelpers::NamedFileDestination(facts.Value(SEC_UNINSTALL, KEY_UNINSTALL_FILE));
}

CString DisplayName(const Facts& facts) { return facts.Value(SEC_INSTALL, KEY_UNINSTALL_NAME); }

// Unquoted and without arguments, as the entry has always held it: tools
// that split it themselves rely on that.
CString UninstallString(const Facts& facts) { return UninstallerPath(facts); }

CString DisplayIcon(const Facts& facts)
{
    const CString icon = facts.Value(SEC_INSTALL, KEY_ICON_NAME);
    return icon.IsEmpty() ? CString() : facts.InstallFolder + PathHelpers::NamedFileDestination(icon);
}

CString Publisher(const Facts& facts)
{
    const CString publisher = facts.Value(SEC_INSTALL, KEY_PUBLISHER);
    return publisher.IsEmpty() ? facts.Value(SEC_INSTALL, KEY_COMPANY_NAME) : publisher;
}

CString DisplayVersion(const Facts& facts) { return facts.Value(SEC_INSTALL, KEY_DISPLAY_VERSION); }

CString InstallDate(const Facts& facts)
{
    CString date;
    date.Format("%04u%02u%02u", facts.Today.wYear, facts.Today.wMonth, facts.Today.wDay);
    return date;
}

CString QuietUninstallString(const Facts& facts)
{
    return "\"" + UninstallerPath(facts) + "\" " + QUIET_UNINSTALL_ARGUMENTS;
}

CString UrlInfoAbout(const Facts& facts) { return facts.Value(SEC_INSTALL, KEY_URL_INFO_ABOUT); }

DWORD EstimatedSize(const Facts& facts) { return KilobytesRoundedUp(facts.InstalledBytes); }

// Windows offers "Modify" and "Repair" for an entry without these; both would
// only start the uninstaller.
DWORD One(const Facts&) { return 1; }

Value Text(const char* name, CString (*text)(const Facts&), bool omittedWhenEmpty = true, bool mayFail = false)
{
    return Value{name, REG_SZ, omittedWhenEmpty, mayFail, text, nullptr};
}

Value Number(const char* name, DWORD (*number)(const Facts&))
{
    return Value{name, REG_DWORD, false, false, nullptr, number};
}

} // namespace

CString Facts::Value(const char* section, const char* key) const
{
    return FindScriptValue(Script, ScriptCount, section, key);
}

const std::vector<Value>& Values()
{
    static const std::vector<Value> values = {
        // The first four, as every earlier version wrote them; an empty
        // display name is written too.
        Text(VALUE_DISPLAY_NAME, DisplayName, false),
        Text(VALUE_UNINSTALL_STRING, UninstallString, false),
        Text(VALUE_UNINSTALL_FOLDER, InstallFolderText, false),
        // Only a help to tools that read it; the entry works without it.
        Text(VALUE_INSTALL_LOCATION, InstallFolderText, false, true),
        Text(VALUE_DISPLAY_ICON, DisplayIcon),
        Text(VALUE_PUBLISHER, Publisher),
        Text(VALUE_DISPLAY_VERSION, DisplayVersion),
        Number(VALUE_ESTIMATED_SIZE, EstimatedSize),
        Text(VALUE_INSTALL_DATE, InstallDate),
        Number(VALUE_NO_MODIFY, One),
        Number(VALUE_NO_REPAIR, One),
        Text(VALUE_QUIET_UNINSTALL_STRING, QuietUninstallString),
        Text(VALUE_URL_INFO_ABOUT, UrlInfoAbout),
    };
    return values;
}

CString KeyPath(const CString& keyName)
{
    return CString(UNINSTALL_ROOT) + keyName;
}

bool MakeData(const Value& value, const Facts& facts, DWORD& type, std::vector<BYTE>& data)
{
    type = value.Type;
    if (value.Type == REG_DWORD) {
        const DWORD number = value.Number(facts);
        data.resize(sizeof(number));
        std::memcpy(data.data(), &number, sizeof(number));
        return true;
    }
    const CString text = value.Text(facts);
    if (text.IsEmpty() && value.OmittedWhenEmpty)
        return false;
    const char* bytes = text;
    // The terminating zero belongs to a REG_SZ value.
    data.assign(bytes, bytes + text.GetLength() + 1);
    return true;
}

CString TextOf(const std::vector<Value>& values, const char* name, const Facts& facts)
{
    for (const Value& value : values) {
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
        if (std::strcmp(value.Name, name) == 0 && value.Type == REG_SZ && MakeData(value, facts, type, data))
            return reinterpret_cast<const char*>(data.data());
    }
    return CString();
}

LONG Write(ChangeRecord& record, Change::Area area, HKEY root, HKEY key, const CString& keyPath,
           const Facts& facts, const std::vector<Value>& values, CString& failedName)
{
    for (const Value& value : values) {
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
        // A value this version leaves out goes, so that no earlier version's
        // number or address stays in the entry of this one.
        const LONG rc = MakeData(value, facts, type, data)
            ? RecordedRegistry::SetValue(record, area, root, key, keyPath, value.Name, type, data.data(),
                                         static_cast<DWORD>(data.size()))
            : RecordedRegistry::DeleteValue(record, area, root, key, keyPath, value.Name);
        if (rc != ERROR_SUCCESS && !value.MayFail) {
            failedName = value.Name;
            return rc;
        }
    }
    return ERROR_SUCCESS;
}

ULONGLONG InstalledBytes(const ChangeRecord& record, const CString& installFolder)
{
    ULONGLONG bytes = 0;
    for (const Change& change : record.Changes()) {
        if (change.Where != Change::Area::Package || !PathHelpers::IsInside(change.Path, installFolder))
            continue;
        if (change.Type == Change::Kind::FileWritten && !change.Source.IsEmpty()) {
            bytes += change.Size;
        } else if (change.Type == Change::Kind::FileWritten || change.Type == Change::Kind::FileLeft) {
            // The uninstall logs, and the files an earlier install left as
            // they are: their size is on the disk.
            WIN32_FILE_ATTRIBUTE_DATA found = {};
            if (GetFileAttributesExA(change.Path, GetFileExInfoStandard, &found)
                && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                bytes += (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        }
    }
    return bytes;
}

DWORD KilobytesRoundedUp(ULONGLONG bytes)
{
    const ULONGLONG kilobytes = bytes / 1024 + (bytes % 1024 ? 1 : 0);
    return kilobytes > 0xFFFFFFFFull ? 0xFFFFFFFFul : static_cast<DWORD>(kilobytes);
}

} // namespace UninstallEntry
