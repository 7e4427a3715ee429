#include "uninst/UninstTexts.h"

#include "script/ScriptKeys.h"
#include "uninst/UninstallPlan.h"
#include "uninst/res/uninst_resource.h"

namespace {

struct TextSource
{
    const char* Key;
    UINT Resource;
};

const TextSource SOURCES[] = {
    {KEY_UNINSTALL_CAPTION, IDS_UNINST_CAPTION},   {KEY_MSG_UNINSTALL_CONF, IDS_UNINST_CONFIRM},
    {KEY_MSG_UNINSTALL_STATUS, IDS_UNINST_PROGRESS}, {KEY_MSG_UNINSTALL_END, IDS_UNINST_END},
    {KEY_MSG_UNINSTALL_LEFT, IDS_UNINST_LEFT},     {KEY_MSG_UNINSTALL_RESTART, IDS_UNINST_RESTART},
    {KEY_ERR_UNINSTALL_NOTHING, IDS_UNINST_NOTHING}, {KEY_ERR_UNINSTALL_LOG, IDS_UNINST_BAD_LOG},
    {KEY_ERR_UNINSTALL_RUNNING, IDS_UNINST_RUNNING},
};

} // namespace

CString TextOf(const UninstallPlan* plan, UninstText which)
{
    const TextSource& source = SOURCES[static_cast<int>(which)];
    if (plan) {
        CString value = plan->Value(SEC_UNINSTALL, source.Key);
        if (!value.IsEmpty())
            return value;
    }
    char buffer[1024] = {};
    LoadStringA(GetModuleHandleA(nullptr), source.Resource, buffer, sizeof(buffer));
    return buffer;
}
