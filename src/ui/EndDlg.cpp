#include "EndDlg.h"

#include "install/RunContext.h"
#include "res/resource.h"
#include "script/ScriptKeys.h"

CEndDlg::CEndDlg() : CDialog(IDD_END)
{
}

void CEndDlg::LoadTexts(const RunContext& run)
{
    Caption = run.GetScriptValue(SEC_INSTALL, KEY_CAPTION);
    Message = run.GetScriptValue(SEC_INSTALL, KEY_MSG_INSTALL_END);
    OkText = run.GetScriptValue(SEC_INSTALL, KEY_BUTTON_OK);
}

void CEndDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDOK, OkButton);
    DDX_Text(pDX, IDC_MESSAGE, Message);
}

LRESULT CEndDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SHOWWINDOW) {
        LRESULT result = Default(message, wParam, lParam);
        OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
        return result;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CEndDlg::OnShowWindow(BOOL, UINT)
{
    OkButton.SetWindowText(OkText);
    SetWindowText(Caption);
}
