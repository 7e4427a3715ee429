#include "rollback/UndoSteps.h"

#include "base/FileOps.h"
#include "base/HeldFiles.h"
#include "base/Links.h"
#include "base/ScopedHandles.h"
#include "shared/SelfRegistration.h"

namespace Undo {

namespace {

// The read-only bit is cleared for the removal only: an item that stays (held
// open, or a folder that is not empty) gets its attributes back, and the
// caller still sees the removal's own error.
bool RemoveWritable(const char* path, const std::function<BOOL(const char*)>& remove)
{
    // A link goes as the link itself: its attributes and its target are not ours.
    if (Links::IsLink(path))
        return Links::RemoveLinkItself(path);
    const DWORD attributes = GetFileAttributesA(path);
    if (!FileOps::ClearReadOnly(path))
        return true;
    if (remove(path))
        return true;
    const DWORD error = GetLastError();
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path, attributes);
    SetLastError(error);
    return false;
}

} // namespace

bool RemoveFile(const char* path)
{
    return RemoveWritable(path, HeldFiles::Delete);
}

bool DropFile(const char* path)
{
    return DeleteFileA(path) || RemoveFile(path);
}

bool RemoveFolderIfEmpty(const char* folder)
{
    return RemoveWritable(folder, [](const char* item) { return RemoveDirectoryA(item); });
}

void PutBackFile(const char* aside, const char* path)
{
    // Whatever the run wrote there goes first: a rename does not replace.
    RemoveFile(path);
    // Another program reading the file (an icon extractor, a virus scanner)
    // holds up a rename for a moment; after the wait a copy still puts the
    // content back. The real rename, not the seam table's: while the
    // install's renames are swapped for failing ones, their undo still works.
    if (HeldFiles::Retried("put back", aside, [&] { return MoveFileA(aside, path); }))
        return;
    if (CopyFileA(aside, path, FALSE))
        RemoveFile(aside);
}

void UnregisterLibrary(const char* path)
{
    SelfRegistration::Call(path, FALSE);
}

void RegisterLibrary(const char* path)
{
    SelfRegistration::Call(path, TRUE);
}

bool RemoveKey(HKEY root, const char* keyPath)
{
    {
        ScopedRegKey key;
        if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
            return true;
        DWORD subKeys = 0;
        if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr) != ERROR_SUCCESS || subKeys > 0)
            return false;
    }
    return RegDeleteKeyA(root, keyPath) == ERROR_SUCCESS;
}

PriorValue CaptureValue(HKEY root, const CString& keyPath, const CString& name)
{
    PriorValue prior;
    prior.Root = root;
    prior.KeyPath = keyPath;
    prior.Name = name;
    ScopedRegKey key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return prior;
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return prior;
    std::vector<BYTE> data(size);
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, data.empty() ? nullptr : data.data(), &size)
        != ERROR_SUCCESS)
        return prior;
    data.resize(size);
    prior.Existed = true;
    prior.Type = type;
    prior.Data = std::move(data);
    return prior;
}

void PutBackValue(const PriorValue& prior)
{
    // The real calls, not the seam table: while the install's writes are
    // swapped for failing ones, their undo still reaches the registry.
    ScopedRegKey key;
    if (RegOpenKeyExA(prior.Root, prior.KeyPath, 0, KEY_SET_VALUE, key.Receive()) != ERROR_SUCCESS)
        return;
    if (prior.Existed)
        RegSetValueExA(key.Get(), prior.Name, 0, prior.Type, prior.Data.empty() ? nullptr : prior.Data.data(),
                       static_cast<DWORD>(prior.Data.size()));
    else
        RegDeleteValueA(key.Get(), prior.Name);
}

} // namespace Undo
