// The script file cut into the pieces that the reader parses: a line of up to
// SCRIPT_PIECE_BYTES bytes arrives whole, a longer one in several pieces, each
// parsed as a line of its own. CR LF arrives as a single line feed (a CR
// alone is an ordinary byte). A piece never ends inside a double-byte
// character: a trail byte that began the next piece would be read as a
// character of its own, and 0x5B ("ー" is 0x81 0x5B) as a "[".
#pragma once

#include "script/ScriptLimits.h"

// Where the script's bytes come from.
class ScriptInput
{
public:
    virtual ~ScriptInput() = default;
    // Fills at most 'size' bytes; the count read, 0 at the end, -1 on a
    // read error. May return fewer bytes than asked at any time.
    virtual int Read(char* buffer, int size) = 0;
};

// One piece, and where it stands in the file (for the checker's reports).
struct ScriptPiece
{
    // Zero-terminated; holds the line feed when the line ends here. A zero
    // byte of the file ends the text early, as it does for the parser.
    char Text[SCRIPT_PIECE_BYTES + 1] = {};
    int Length = 0;  // bytes taken from the file, line feed included
    int Line = 0;    // 1-based line of the file
    int Column = 0;  // byte offset of the piece in its line
    bool EndsLine = false;
};

class CScriptPieceReader
{
public:
    explicit CScriptPieceReader(ScriptInput& input) : m_input(input) {}
    CScriptPieceReader(const CScriptPieceReader&) = delete;
    CScriptPieceReader& operator=(const CScriptPieceReader&) = delete;

    enum Result { Piece, End, ReadError };
    Result Next(ScriptPiece& piece);

private:
    // Next byte, or -1 at the end; -2 after a read error.
    int NextByte();
    int PeekByte();

    ScriptInput& m_input;
    char m_buffer[4096];
    int m_size = 0;
    int m_pos = 0;
    bool m_end = false;
    bool m_failed = false;
    int m_pushedBack = -1;
    int m_line = 1;
    int m_column = 0;
};
