#include "conversion/OutputCursor.h"

#include "platform/CodePages.h"

namespace korvane {

void OutputCursor::Restart() {
    if (FOut.Mode == TextMode::Output) {
        FStart = FNext = FOut.BufPtr + FOut.BufPos;
        FEnd = FOut.BufPtr + FOut.BufSize;
    } else {
        // Nothing can go into the buffer: every piece takes the usual path and its error.
        FStart = FNext = FEnd = nullptr;
    }
}

void OutputCursor::Commit() {
    const bool written = CommitBuffer(FOut, static_cast<std::size_t>(FNext - FStart));
    Restart();
    if (!written) IOTest();
}

void OutputCursor::CommitDone() noexcept {
    FInScratch = false;
    // The buffer is never full here (a full one is written out at once), so this writes nothing.
    (void)CommitBuffer(FOut, static_cast<std::size_t>(FNext - FStart));
    Restart();
}

char* OutputCursor::ReserveScratch(std::size_t count) {
    Commit();
    if (FScratch.size() < count) FScratch.resize(count);
    FInScratch = true;
    return FScratch.data();
}

void OutputCursor::WriteScratch(const char* end) {
    FInScratch = false;
    WriteBytes(FOut, FScratch.data(), static_cast<std::size_t>(end - FScratch.data()));
    _Flush(FOut);
    Restart();
    IOTest();
}

void OutputCursor::Statement() {
    Commit();
    // A device's statement empties the buffer: the free end moves back to its start.
    _Flush(FOut);
    Restart();
    IOTest();
}

bool LineBreakIsPlain(std::uint32_t system) {
    std::u16string lineBreak;
    return system == platform::kCodePageUtf8 ||
           (platform::MultiByteToWide(system, {reinterpret_cast<const std::uint8_t*>("\r\n"), 2}, lineBreak) &&
            lineBreak == u"\r\n");
}

void EndRow(OutputCursor& cursor, TTextRec& out, bool plainLineBreak) {
    if (!plainLineBreak) {
        cursor.Commit();
        WriteLineStatement(out, u" />");
        return;
    }
    // The element's end and the line break: one line statement.
    char* d = cursor.Reserve(5);
    *d++ = ' ', *d++ = '/', *d++ = '>';
    if (out.CrLf) *d++ = '\r';
    *d++ = '\n';
    cursor.Done(d);
    cursor.Commit();
}

}  // namespace korvane
