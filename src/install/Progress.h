// IProgress: how the engine's long steps keep their window alive and hear a
// cancel. The view that shows the status window implements it; the engine
// raises the document's progress and calls IsCancelRequested between items.
#pragma once

#include <windows.h>

class IProgress
{
public:
    virtual ~IProgress() = default;

// Operations
    // Lets the status window repaint and take input; TRUE when the user
    // asked to cancel (always FALSE while no status window is shown).
    virtual BOOL IsCancelRequested() = 0;
    // The main window was asked to close during the run: a cancel request.
    virtual void RequestCancel() = 0;
};
