#include "app/ChangeLines.h"

#include "base/RegistryRoot.h"
#include "base/RunLog.h"

#include <cstring>
#include <string>

namespace ChangeLines {

namespace {

CString Number(ULONGLONG value)
{
    return std::to_string(value).c_str();
}

CString KeyText(HKEY root, const CString& keyPath)
{
    return RegistryRoot::Name(root) + ("\\" + keyPath);
}

CString ValuePath(const PriorValue& value)
{
    return KeyText(value.Root, value.KeyPath) + "\\" + value.Name;
}

void Done(const char* category, const Change& change)
{
    switch (change.Type) {
    case Change::Kind::FolderCreated:
        RunLog::Line(category, "folder created: " + change.Path);
        break;
    case Change::Kind::FileWritten:
        if (change.Source.IsEmpty())
            RunLog::Line(category, "file written: " + change.Path);
        else
            RunLog::Line(category, "copy " + change.Source + " -> " + change.Path + ", " + Number(change.Size) + " bytes");
        break;
    case Change::Kind::FileKeptAside:
        RunLog::Line(category, "kept aside until the install succeeds: " + change.Path + " as " + change.Aside);
        break;
    case Change::Kind::FileLeft:
        RunLog::Line(category, "left in place, unchanged or as new or newer: " + change.Path);
        break;
    case Change::Kind::AsideFolder:
        RunLog::Line(category, "folder for replaced files: " + change.Path);
        break;
    case Change::Kind::LibraryRegistered:
        RunLog::Line(category, "registering " + change.Path);
        break;
    case Change::Kind::LibraryReplaced:
        RunLog::Line(category, "replacing an installed library: " + change.Path);
        break;
    case Change::Kind::KeyCreated:
        RunLog::Line(category, "key created: " + KeyText(change.Root, change.Path));
        break;
    case Change::Kind::ValueSet:
        RunLog::Line(category, ValuePath(change.Written) + " = " + ValueText(change.Written) + " (was "
                                   + ValueText(change.Prior) + ")");
        break;
    }
}

void Undone(const Change& change)
{
    switch (change.Type) {
    case Change::Kind::FolderCreated:
    case Change::Kind::AsideFolder:
        RunLog::Line("undo", "folder removed when empty: " + change.Path);
        break;
    case Change::Kind::FileWritten:
        RunLog::Line("undo", "file removed: " + change.Path);
        break;
    case Change::Kind::FileKeptAside:
        RunLog::Line("undo", "put back: " + change.Path);
        break;
    case Change::Kind::FileLeft:
        break;
    case Change::Kind::LibraryRegistered:
        RunLog::Line("undo", "unregistered: " + change.Path);
        break;
    case Change::Kind::LibraryReplaced:
        RunLog::Line("undo", "earlier library registered again: " + change.Path);
        break;
    case Change::Kind::KeyCreated:
        RunLog::Line("undo", "key removed when empty: " + KeyText(change.Root, change.Path));
        break;
    case Change::Kind::ValueSet:
        RunLog::Line("undo", ValuePath(change.Prior) + " put back: " + ValueText(change.Prior));
        break;
    }
}

} // namespace

CString ValueText(const PriorValue& value)
{
    if (!value.Existed)
        return "absent";
    if ((value.Type == REG_SZ || value.Type == REG_EXPAND_SZ) && !value.Data.empty()) {
        const char* text = reinterpret_cast<const char*>(value.Data.data());
        size_t length = 0;
        while (length < value.Data.size() && text[length])
            ++length;
        return "\"" + CString(text, static_cast<int>(length)) + "\"";
    }
    if (value.Type == REG_DWORD && value.Data.size() == sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, value.Data.data(), sizeof(number));
        return Number(number);
    }
    return Number(value.Data.size()) + " bytes of type " + Number(value.Type);
}

void Write(const Change& change, bool undone)
{
    if (undone)
        Undone(change);
    else
        Done(change.Where == Change::Area::Shared ? "shared" : change.Where == Change::Area::Shortcuts ? "register" : "install", change);
}

} // namespace ChangeLines
