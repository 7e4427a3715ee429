#include "script/ScriptPieces.h"

#include "base/PathHelpers.h"

int CScriptPieceReader::PeekByte()
{
    if (m_pushedBack >= 0)
        return m_pushedBack;
    if (m_pos == m_size) {
        if (m_failed)
            return -2;
        if (m_end)
            return -1;
        int read = m_input.Read(m_buffer, static_cast<int>(sizeof(m_buffer)));
        if (read < 0 || read > static_cast<int>(sizeof(m_buffer))) {
            m_failed = true;
            return -2;
        }
        m_size = read;
        m_pos = 0;
        if (read == 0) {
            m_end = true;
            return -1;
        }
    }
    return static_cast<unsigned char>(m_buffer[m_pos]);
}

int CScriptPieceReader::NextByte()
{
    int c = PeekByte();
    if (m_pushedBack >= 0)
        m_pushedBack = -1;
    else if (c >= 0)
        ++m_pos;
    return c;
}

CScriptPieceReader::Result CScriptPieceReader::Next(ScriptPiece& piece)
{
    piece.Line = m_line;
    piece.Column = m_column;
    piece.EndsLine = false;
    int n = 0;
    while (n < SCRIPT_PIECE_BYTES) {
        int c = NextByte();
        if (c == -2)
            return ReadError;
        if (c < 0)
            break;
        if (c == '\r') {
            int after = PeekByte();
            if (after == -2)
                return ReadError;
            if (after == '\n')
                c = NextByte();
        }
        piece.Text[n++] = static_cast<char>(c);
        if (c == '\n') {
            piece.EndsLine = true;
            break;
        }
    }
    piece.Text[n] = '\0';

    // A full piece that would end on the lead byte of a character gives that
    // byte back: the next piece begins with the whole character.
    if (n == SCRIPT_PIECE_BYTES && !piece.EndsLine) {
        int i = 0;
        while (i + PathHelpers::CharLength(piece.Text + i) < n)
            i += PathHelpers::CharLength(piece.Text + i);
        if (PathHelpers::IsLeadByte(piece.Text[i]) && PathHelpers::CharLength(piece.Text + i) == 1) {
            m_pushedBack = static_cast<unsigned char>(piece.Text[i]);
            piece.Text[--n] = '\0';
        }
    }
    if (n == 0)
        return End;

    piece.Length = n;
    if (piece.EndsLine) {
        ++m_line;
        m_column = 0;
    } else {
        m_column += n;
    }
    return Piece;
}
