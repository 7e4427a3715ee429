// The script's values that the uninstall entry carries for deployment tools.
// The installer writes DISPLAY_VERSION as it is, so a version that tools
// cannot compare is a warning, not an error: the package installs.
#include "chk/ScriptCheckParts.h"

#include "script/ScriptKeys.h"

namespace Chk {

bool IsDottedVersion(const CString& text)
{
    int parts = 0;
    const char* p = text;
    for (;;) {
        int digits = 0;
        long number = 0;
        while (*p >= '0' && *p <= '9' && digits < 6) {
            number = number * 10 + (*p - '0');
            ++p;
            ++digits;
        }
        if (digits == 0 || number > 65535)
            return false;
        if (++parts > 4)
            return false;
        if (*p == '\0')
            return true;
        if (*p != '.')
            return false;
        ++p;
    }
}

void CheckEntryValues(const CScriptModel& model, CFindings& findings)
{
    const int line = model.LineOf(SEC_INSTALL, KEY_DISPLAY_VERSION);
    const CString version = model.Value(SEC_INSTALL, KEY_DISPLAY_VERSION);
    if (line == 0 || version.IsEmpty() || IsDottedVersion(version))
        return;
    findings.Warning(line, "display-version",
                     Quote(version) + " is no version of 1 to 4 dotted numbers of 0 to 65535 (\"2.10\", "
                         "\"1.0.3.12\"): winget and Intune compare DisplayVersion part by part, and may take "
                         "an installed package for an older or another one");
}

} // namespace Chk
