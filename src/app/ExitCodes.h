// The outcome of a run as the process hands it back.
#pragma once

// Process exit codes, as deployment tools read them.
enum {
    EXIT_INSTALLED = 0,
    EXIT_ANOTHER_INSTANCE = 1,
    EXIT_USER_ENDED = 2,        // Cancel in the install-folder dialog, nothing installed
    EXIT_FAILED_BEFORE_COPY = 3, // loading or preparation failed
    EXIT_FAILED_INSTALL = 4,    // the install failed and was undone
    EXIT_CANCELLED_INSTALL = 5, // the user cancelled the install, which was undone
};
