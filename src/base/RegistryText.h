// Reading a text value of the registry, of any length. The installer, the
// uninstaller and the checker all read back what an installation wrote
// (the entry's folder, a product's key file) this one way.
#pragma once

#include "base/afxstr.h"

namespace RegistryText {

// The REG_SZ value 'name' of an open key, as stored; with 'expandable' a
// REG_EXPAND_SZ is taken too, unexpanded. FALSE when the value is absent,
// is of another type, or cannot be read.
bool Read(HKEY key, const char* name, CString& text, bool expandable = false);

// The same below 'root': the key is opened for reading and closed again.
bool Read(HKEY root, const char* keyPath, const char* name, CString& text, bool expandable = false);

} // namespace RegistryText
