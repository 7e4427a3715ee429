// The double-byte step: how many bytes the character at a position takes.
// Part of PathHelpers, in a file of its own so that CString's case change
// can walk its text the same way without depending on the path helpers.
#pragma once

namespace PathHelpers {

// Bytes taken by the character at 'text': 2 for a lead byte with a byte after
// it, else 1 (a lead byte that ends the text stands alone). The one home of
// the double-byte step; the script reader walks its lines with it too.
int CharLength(const char* text);

// TRUE for a lead byte of the system's double-byte code page, also where no
// trail byte follows (a reader that must drop half a character asks this).
bool IsLeadByte(char c);

} // namespace PathHelpers
