// The uninstaller's process exit codes, in the installer's style.
#pragma once

enum {
    UNINST_REMOVED = 0,
    UNINST_ANOTHER_RUNNING = 1, // an installer or uninstaller runs; nothing was done
    UNINST_DECLINED = 2,        // the user said No; nothing was done
    UNINST_NOTHING_CHANGED = 3, // no log, or one that cannot be trusted; nothing was done
    UNINST_ITEMS_LEFT = 4,      // removed, but some items stay (in use, or the user's)
};
