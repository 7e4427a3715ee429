// The settings that the dialogs and the run driver need, copied out of the
// setup script once it has been read.
#include "install/TarvelDoc.h"

#include "script/ScriptKeys.h"

void CTarvelDoc::LoadDialogSettings()
{
    AppPathBase = GetScriptValue(SEC_INSTALL, KEY_APPPATH_BASE);
    FlagInstFolDialog = GetScriptValue(SEC_INSTALL, KEY_FLAG_INSTFOL_DIALOG);
    FlagStatusDialog = GetScriptValue(SEC_INSTALL, KEY_FLAG_STATUS_DIALOG);
    FlagEndDialog = GetScriptValue(SEC_INSTALL, KEY_FLAG_END_DIALOG);
    Caption = GetScriptValue(SEC_INSTALL, KEY_CAPTION);
}
