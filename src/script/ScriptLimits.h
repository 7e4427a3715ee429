// How much of the setup script the reader takes.
#pragma once

// The bounds of one script line, in bytes. Longer names and values are cut
// at a character boundary (a double-byte character is never split).
enum {
    SCRIPT_MAX_ENTRIES = 200,
    SCRIPT_PIECE_BYTES = 541,
    SCRIPT_MAX_NAME = 99,
    SCRIPT_MAX_VALUE = 511,
};
