#include "chk/ScriptModel.h"

#include "script/ScriptPieces.h"

#include <algorithm>
#include <cstring>

namespace Chk {

namespace {

class MemoryInput : public ScriptInput
{
public:
    explicit MemoryInput(const std::string& bytes) : m_bytes(bytes) {}
    int Read(char* buffer, int size) override
    {
        const size_t n = std::min(static_cast<size_t>(size), m_bytes.size() - m_pos);
        std::memcpy(buffer, m_bytes.data() + m_pos, n);
        m_pos += n;
        return static_cast<int>(n);
    }

private:
    const std::string& m_bytes;
    size_t m_pos = 0;
};

} // namespace

bool PieceRecord::Stored() const
{
    if (!Result)
        return false;
    return Parsed.kind == ScriptLine::Kind::Section || Parsed.kind == ScriptLine::Kind::Key;
}

void CScriptModel::Read(const std::string& bytes)
{
    CScriptTable table(Entries, Count);
    table.Clear();
    Pieces.clear();
    int headerLine = 0;
    MemoryInput input(bytes);
    auto watch = [&](const ScriptPiece& piece, int countBefore, int result) {
        PieceRecord record;
        record.Line = piece.Line;
        record.Column = piece.Column;
        record.Length = piece.Length;
        record.EndsLine = piece.EndsLine;
        record.HasZeroByte = static_cast<int>(std::strlen(piece.Text)) < piece.Length;
        record.Parsed = ScriptLine::Parse(piece.Text);
        record.Result = result;
        // A header completes the slot of a header before it that no key
        // followed; a key line completes its own slot.
        for (int slot = countBefore; slot < Count; ++slot)
            EntryLine[slot] = record.Parsed.kind == ScriptLine::Kind::Key ? piece.Line : headerLine;
        if (record.Parsed.kind == ScriptLine::Kind::Section && result)
            headerLine = piece.Line;
        Pieces.push_back(record);
    };
    ReadFailed = !table.Read(input, nullptr, watch);
}

CString CScriptModel::Value(const char* section, const char* key) const
{
    return FindScriptValue(Entries, Count, section, key);
}

int CScriptModel::LineOf(const char* section, const char* key) const
{
    const int slot = FindScriptEntry(Entries, Count, section, key);
    return slot < 0 ? 0 : EntryLine[slot];
}

} // namespace Chk
