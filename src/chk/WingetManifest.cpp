#include "chk/WingetManifest.h"

#include "base/RegistryRoot.h"
#include "base/RunGuards.h"
#include "base/ScopedHandles.h"
#include "chk/Console.h"
#include "chk/PackageFiles.h"
#include "install/RegistrationNames.h"
#include "install/UninstallEntry.h"
#include "script/ScriptKeys.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace Chk {

namespace {

enum ExitCode { PRINTED = 0, LACKS_VALUE = 1, UNREADABLE = 2 };

// The installer's exit codes that winget has a name for. 3 and 4 have none
// that fits (a failed preparation or an undone install): winget reports them
// as the installer's own failure, with the code, and the log says the rest.
const struct {
    int Code;
    const char* Response;
} RETURN_CODES[] = {
    {1, "installInProgress"}, // another installer runs: try again later
    {2, "cancelledByUser"},   // Cancel in the install-folder dialog
    {5, "cancelledByUser"},   // cancelled during the install, all undone
};

// A YAML scalar that holds any text: single-quoted, a quote doubled.
CString Quoted(const CString& text)
{
    CString out = "'";
    for (int i = 0; i < text.GetLength(); ++i) {
        out += text[i];
        if (text[i] == '\'')
            out += '\'';
    }
    return out + "'";
}

// One part of a package identifier: what winget allows, at most 32 characters.
CString IdentifierPart(const CString& text)
{
    const UINT codePage = RunGuards::PACKAGE_CODE_PAGE;
    const int length = MultiByteToWideChar(codePage, 0, text, text.GetLength(), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, text, text.GetLength(), &wide[0], length);
    std::wstring part;
    for (wchar_t c : wide) {
        if (c < 0x20 || c == 0x7F || wcschr(L".\\/:*?\"<>| \t\u3000", c))
            continue;
        if (part.size() < 32)
            part += c;
    }
    if (part.empty())
        return "Package";
    const int bytes = WideCharToMultiByte(codePage, 0, part.data(), static_cast<int>(part.size()), nullptr, 0,
                                          nullptr, nullptr);
    CString out;
    WideCharToMultiByte(codePage, 0, part.data(), static_cast<int>(part.size()), out.GetBuffer(bytes), bytes,
                        nullptr, nullptr);
    out.ReleaseBuffer(bytes);
    return out;
}


} // namespace

bool MakeWingetManifest(const CScriptModel& model, std::vector<CString>& lines, CString& why)
{
    UninstallEntry::Facts facts;
    facts.Script = model.Entries;
    facts.ScriptCount = model.Count;
    const auto& values = UninstallEntry::Values();
    const CString keyName = model.Value(SEC_UNINSTALL, KEY_UNINSTALL_KEY);
    const CString displayName = UninstallEntry::TextOf(values, VALUE_DISPLAY_NAME, facts);
    const CString publisher = UninstallEntry::TextOf(values, VALUE_PUBLISHER, facts);
    const CString version = UninstallEntry::TextOf(values, VALUE_DISPLAY_VERSION, facts);
    // winget finds an installed package by its entry's key and compares
    // its DisplayVersion; without them a manifest installs but never matches.
    const struct {
        const CString& Value;
        const char* Key;
    } needed[] = {{keyName, KEY_UNINSTALL_KEY}, {displayName, KEY_UNINSTALL_NAME}, {version, KEY_DISPLAY_VERSION}};
    for (const auto& need : needed) {
        if (need.Value.IsEmpty()) {
            why = CString(need.Key) + " is not set: winget matches an installed package by its uninstall "
                                      "entry's key, DisplayName and DisplayVersion";
            return false;
        }
    }

    const CString identifier = IdentifierPart(publisher) + "." + IdentifierPart(keyName);
    lines = {
        "# winget installer manifest, made by tarvelchk from " + CString(SETUP_SCRIPT_FILE) + ".",
        "# Fill in InstallerUrl and InstallerSha256 for the file you publish, and check",
        "# PackageIdentifier against the one the package has in its catalogue.",
        "PackageIdentifier: " + Quoted(identifier),
        "PackageVersion: " + Quoted(version),
        "InstallerType: exe",
        // winget looks for the entry where the installer writes it.
        CString("Scope: ") + (RegistryRoot::Package() == HKEY_CURRENT_USER ? "user" : "machine"),
        "InstallModes:",
        "  - interactive",
        "  - silent",
        "  - silentWithProgress",
        "InstallerSwitches:",
        CString("  Silent: ") + UninstallEntry::QUIET_UNINSTALL_ARGUMENTS,
        "  SilentWithProgress: /WD",
        "  Log: '/LOG=\"<LOGPATH>\"'",
        "ExpectedReturnCodes:",
    };
    for (const auto& code : RETURN_CODES) {
        CString number;
        number.Format("%d", code.Code);
        lines.push_back("  - InstallerReturnCode: " + number);
        lines.push_back(CString("    ReturnResponse: ") + code.Response);
    }
    lines.push_back("UpgradeBehavior: install");
    lines.push_back("ElevationRequirement: elevatesSelf");
    lines.push_back("ProductCode: " + Quoted(keyName));
    lines.push_back("AppsAndFeaturesEntries:");
    lines.push_back("  - DisplayName: " + Quoted(displayName));
    if (!publisher.IsEmpty())
        lines.push_back("    Publisher: " + Quoted(publisher));
    lines.push_back("    DisplayVersion: " + Quoted(version));
    lines.push_back("    ProductCode: " + Quoted(keyName));
    lines.push_back("    InstallerType: exe");
    lines.push_back("Installers:");
    lines.push_back("  - Architecture: x86");
    lines.push_back("    InstallerUrl: https://<the download of the package>");
    lines.push_back("    InstallerSha256: <SHA-256 of that file, in hex>");
    lines.push_back("ManifestType: installer");
    lines.push_back("ManifestVersion: 1.6.0");
    return true;
}

int PrintWingetManifest(const char* setupFolder)
{
    std::string bytes;
    if (!ReadFileBytes(CString(setupFolder) + "\\" + SETUP_SCRIPT_FILE, bytes)) {
        PrintLine(CString("tarvelchk: error: cannot read ") + SETUP_SCRIPT_FILE + " in \"" + setupFolder + "\"", true);
        return UNREADABLE;
    }
    CScriptModel model;
    model.Read(bytes);
    std::vector<CString> lines;
    CString why;
    if (!MakeWingetManifest(model, lines, why)) {
        PrintLine(CString(SETUP_SCRIPT_FILE) + ": error: no winget manifest: " + why, true);
        return LACKS_VALUE;
    }
    for (const CString& line : lines)
        PrintLine(line);
    return PRINTED;
}

} // namespace Chk
