// The uninstaller's texts: the script's optional [UNINSTALL] keys, else the
// built-in Japanese ones of the resources. Old scripts have none of the keys
// and get the built-in texts.
#pragma once

#include "base/afxstr.h"

struct UninstallPlan;

// Which text. The script key of each is in UninstTexts.cpp.
enum class UninstText { Caption, Confirm, Progress, End, Left, Restart, Nothing, BadLog, Running };

// The text from the plan's script when it has the key, else the built-in one.
// 'plan' may be null (before any script is read).
CString TextOf(const struct UninstallPlan* plan, UninstText which);
