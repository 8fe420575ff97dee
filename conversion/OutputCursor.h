// Writing a row's pieces straight into a text file's buffer.
//
// Every piece of a row (the element's start, one attribute, the element's end) is a write
// statement of its own. The cursor lets a piece be rendered in place at the buffer's free end
// and takes it into the file only when it is done, so a piece whose value fails to decode
// leaves nothing behind, as a statement that never ran. A piece that needs more room than the
// buffer has left is rendered into a scratch buffer and written through the usual path. The
// bytes and the moments the buffer is written out are those of writing each piece on its own.
#pragma once

#include <cstddef>
#include <vector>

#include "conversion/TextFile.h"

namespace korvane {

class OutputCursor {
public:
    explicit OutputCursor(TTextRec& out) : FOut(out) { Restart(); }
    OutputCursor(const OutputCursor&) = delete;
    OutputCursor& operator=(const OutputCursor&) = delete;

    // A place with room for `count` bytes, where the next piece is rendered.
    char* Reserve(std::size_t count) {
        if (static_cast<std::size_t>(FEnd - FNext) >= count) return FNext;
        return ReserveScratch(count);
    }

    // The piece rendered at the reserved place ends at `end`.
    void Done(char* end) {
        if (FInScratch) {
            WriteScratch(end);
            return;
        }
        FNext = end;
        // A full buffer is written out the moment it is full, a device sees every statement.
        if (FNext == FEnd || FOut.FlushOnStatement) Statement();
    }

    // Takes the pieces done so far into the file. Raises a pending write error.
    void Commit();
    // The same when a piece failed: what is done stays, the failure is the one that travels.
    void CommitDone() noexcept;

private:
    void Restart();
    char* ReserveScratch(std::size_t count);
    void WriteScratch(const char* end);
    void Statement();

    TTextRec& FOut;
    char* FStart = nullptr;  // the free end of the buffer when the pending pieces began
    char* FNext = nullptr;
    char* FEnd = nullptr;
    bool FInScratch = false;
    std::vector<char> FScratch;
};

// Whether the system code page writes CR and LF as those bytes, so that a row's end and its line
// break can be put in place as bytes.
bool LineBreakIsPlain(std::uint32_t systemCodePage);
// A row's end (" />") and its line break, as one line statement, after the row's pieces.
void EndRow(OutputCursor& cursor, TTextRec& out, bool plainLineBreak);

}  // namespace korvane
