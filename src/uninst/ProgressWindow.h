// The uninstaller's progress window: a text and a bar, no way to cancel (a
// half-removed package is worse than a finished removal).
#pragma once

#include "afxwin.h"

class CProgressWindow : public CDialog
{
public:
    CProgressWindow();

    // Opens the window with the caption and the text; FALSE when it cannot be made.
    BOOL Open(const CString& caption, const CString& text);
    // Moves the bar and lets the window paint.
    void Show(int done, int total);
    void Close();

    BOOL OnInitDialog() override;
    void OnCancel() override; // Esc and the close box change nothing

    CProgressCtrl Bar;
};
