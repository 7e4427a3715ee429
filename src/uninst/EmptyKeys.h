// Registry keys that an uninstall leaves empty: a key goes only when it holds
// neither a value nor a sub-key, so whatever another program put there stays.
#pragma once

#include "base/afxstr.h"

namespace EmptyKeys {

// Deletes the key when it holds nothing. True when it is gone (or never was).
bool Remove(HKEY root, const char* keyPath);

// Removes the key and then each parent in turn while they are left empty,
// never going above 'stopAt' levels from the root ("Software\A\B\C" with a
// stopAt of 1 may remove C, B and A, never Software).
void RemoveUpwards(HKEY root, const CString& keyPath, int stopAt);

// Deletes one value of a key; nothing when the key or the value is absent.
void RemoveValue(HKEY root, const char* keyPath, const char* name);

// TRUE when the key holds a sub-key, or when that cannot be told: a caller
// that removes something once no sub-key is left must then leave it.
bool HoldsSubKeys(HKEY root, const char* keyPath);


} // namespace EmptyKeys
