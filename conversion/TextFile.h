// A buffered text output file that writes text in a chosen code page, with pending I/O codes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ByteFile.h"
#include "platform/OsError.h"
#include "platform/Settings.h"

namespace korvane {

// 8-bit text with the code page it is written in.
struct AnsiText {
    std::string_view bytes;
    std::uint32_t codePage;
};

enum class TextMode { Closed, Input, Output, InOut };

constexpr std::size_t kTextRecBufSize = 128;
constexpr int kIoFileNotOpen = 103;
constexpr int kIoNotOpenForOutput = 105;
constexpr int kIoInvalidFileName = 3;

struct TTextRec {
    TTextRec() = default;
    TTextRec(const TTextRec&) = delete;
    TTextRec& operator=(const TTextRec&) = delete;

    std::unique_ptr<platform::IByteFile> Handle;
    TextMode Mode = TextMode::Closed;
    bool CrLf = true;
    std::size_t BufSize = kTextRecBufSize;
    std::size_t BufPos = 0;
    char* BufPtr = Buffer;
    char Buffer[kTextRecBufSize] = {};
    std::u16string Name;
    std::string Path;  // the name as the file system takes it
    std::uint32_t CodePage = 0;
    std::uint32_t SystemCodePage = 1250;  // what single bytes written with Write0Char are in
    std::uint8_t MBCSBuffer[6] = {};
    std::uint8_t MBCSLength = 0;
    std::uint8_t MBCSBufPos = 0;
    bool FlushOnStatement = false;  // character devices see every statement at once
    std::string Scratch;            // converted text, kept across writes
};

// The pending I/O error code of this thread; 0 when nothing failed.
int& InOutRes();
// The system's error behind the pending code (0: none); IOResult resets it too.
int& PendingErrno();
// Makes a system error the pending one: its code, and the error itself for the message.
void SetPendingError(const platform::OsError& error);
// Reads and resets the pending code.
int IOResult();
// Raises the pending error, if any, as EInOutError.
void IOTest();
// The message for a code; code 3 names the file of the failed operation.
std::string InOutErrorMessage(int code, const std::string& fileName = {});

// Names the file and its code page (0: the system's); line breaks and the system code page
// come from `system`.
void AssignText(TTextRec& t, const std::string& path, std::uint32_t codePage, const platform::PlatformSettings& system);
// Gives the file a buffer of the caller's own, which must outlive the file's use.
void SetTextBuf(TTextRec& t, char* buffer, std::size_t size);
void RewritText(TTextRec& t);
// Opens the file for output on a handle that is already open (a file created elsewhere, or
// standard output), as RewritText does after creating the file.
void RewritTextOn(TTextRec& t, std::unique_ptr<platform::IByteFile> handle);
void Write0UString(TTextRec& t, std::u16string_view text);
void Write0LString(TTextRec& t, AnsiText text);
void Write0Char(TTextRec& t, std::uint8_t c);
void WriteLn(TTextRec& t);
void _Flush(TTextRec& t);
void Close(TTextRec& t);
// A line statement: the text, the line end, then the pending-error test.
void WriteLineStatement(TTextRec& t, std::u16string_view text);
// Puts bytes into the buffer, writing it out whenever it is full.
void WriteBytes(TTextRec& t, const char* bytes, std::size_t count);

// Writes out a full buffer; false when that failed (the pending code says why).
bool WriteFullBuffer(TTextRec& t);
// The one buffer rule of every write path: `count` bytes were put into the free part of the
// buffer; the moment the buffer is full it is written out. False when that failed.
inline bool CommitBuffer(TTextRec& t, std::size_t count) {
    t.BufPos += count;
    return t.BufPos < t.BufSize || WriteFullBuffer(t);
}

}  // namespace korvane
