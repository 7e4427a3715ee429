// An open script file as the reader's input, for every program that reads
// "tarvel.eif" from a disk: the installer and the uninstaller.
#pragma once

#include "afxfile.h"
#include "script/ScriptPieces.h"
#include "script/ScriptTable.h"

class CScriptFileInput : public ScriptInput
{
public:
    explicit CScriptFileInput(CFile& file) : m_file(file) {}
    // A failed read (a vanished network drive) throws inside the file class;
    // the reader wants a count. The unwinding clears the system's error, so
    // it is put back for whoever logs why the read failed.
    int Read(char* buffer, int size) override
    {
        try {
            return static_cast<int>(m_file.Read(buffer, static_cast<UINT>(size)));
        } catch (const CFileException& e) {
            SetLastError(static_cast<DWORD>(e.m_lOsError));
            return -1;
        }
    }

private:
    CFile& m_file;
};

// The script an installation keeps in its folder, read whole into the
// table; false when it cannot be opened or read. Nothing is reported: what
// a missing script means is the caller's to say.
bool ReadInstalledScript(const CString& path, ScriptEntry* entries, int& count);
