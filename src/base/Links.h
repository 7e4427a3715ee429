// Links inside a folder that is being removed: junctions, symbolic links and
// mount points (reparse points). Whatever a log names is removed only when
// no level between the folder it belongs to and itself is a link, and a
// link is removed as the link itself, never through it to its target.
#pragma once

#include "base/afxstr.h"

namespace Links {

// TRUE when the item is a reparse point (asked through the seam table).
bool IsLink(const char* path);

// The outermost level of 'path' strictly below 'root' that is a link, 'path'
// itself included; empty when there is none. A path that does not lie
// inside 'root' (or an empty root) has only itself checked.
CString FirstLinkBelow(const char* root, const char* path);

// Removes the link at 'path' itself. Only where the system opens the link
// and not its target, which the handle's own attributes tell (Windows does;
// Wine hands over the target, and deletes the target through its link),
// and only where the system can delete through a handle (Windows Vista and
// later). FALSE, with an error code, when the link stays.
bool RemoveLinkItself(const char* path);

} // namespace Links
