#include "conversion/TextFile.h"

#include <algorithm>
#include <cerrno>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>

#include "platform/CodePages.h"
#include "platform/Exception.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "platform/Unicode.h"

namespace korvane {

namespace {
// The longest path the system takes (its terminating zero not counted).
constexpr std::size_t kMaxPathBytes = platform::kMaxPath - 1;

// Writes out what the buffer holds; a write the system makes only in part goes on with the
// rest, and one that takes nothing at all fails as a full disk would.
void TextOut(TTextRec& t) {
    const std::size_t count = t.BufPos;
    t.BufPos = 0;
    std::size_t done = 0;
    while (done < count) {
        const platform::IoResult r = t.Handle->Write(t.BufPtr + done, count - done);
        if (r.error != 0 || r.count == 0) {
            SetPendingError(platform::MakeOsError(r.error != 0 ? r.error : ENOSPC));
            return;
        }
        done += static_cast<std::size_t>(r.count);
    }
}
}  // namespace

bool WriteFullBuffer(TTextRec& t) {
    TextOut(t);
    return InOutRes() == 0;
}

int& InOutRes() {
    thread_local int code = 0;
    return code;
}

namespace {
// The name of the file the last assignment or creation was about, for the message of code 3.
std::string& LastFileName() {
    thread_local std::string name;
    return name;
}
}  // namespace

int& PendingErrno() {
    thread_local int error = 0;
    return error;
}

void SetPendingError(const platform::OsError& error) {
    InOutRes() = error.code;
    PendingErrno() = error.errnoValue;
}

int IOResult() {
    const int code = InOutRes();
    InOutRes() = 0;
    PendingErrno() = 0;
    return code;
}

std::string InOutErrorMessage(int code, const std::string& fileName) {
    switch (code) {
        case 2:
            return "The specified file was not found";
        case 3:
            return fileName.empty() ? "Invalid file name" : "Invalid file name - " + fileName;
        case 4:
            return "Too many open files";
        case 5:
            return "File access denied";
        case 100:
            return "Read beyond end of file";
        case 101:
            return "Disk full";
        case 106:
            return "Invalid numeric input";
        case EFBIG:  // past the file size limit (ulimit -f), passed through as it is
            return "File too large";
        default:
            return "I/O error " + std::to_string(code);
    }
}

void IOTest() {
    if (InOutRes() == 0) return;
    const int error = PendingErrno();
    const int code = IOResult();
    throw EInOutError(InOutErrorMessage(code, LastFileName()), code, error);
}

void AssignText(TTextRec& t, const std::string& path, std::uint32_t codePage, const platform::PlatformSettings& system) {
    if (t.Handle) t.Handle->Close();
    t.Handle.reset();
    t.Mode = TextMode::Closed;
    t.CrLf = system.crlfLineBreak;
    t.SystemCodePage = system.ansiCodePage;
    t.BufPtr = t.Buffer;
    t.BufSize = kTextRecBufSize;
    t.BufPos = 0;
    t.CodePage = codePage == 0 ? system.ansiCodePage : codePage;
    t.MBCSLength = 0;
    t.MBCSBufPos = 0;
    t.FlushOnStatement = false;
    t.Name = platform::Utf8ToUtf16(path);
    t.Path = path;
    LastFileName() = path;
    if (t.Path.size() > kMaxPathBytes) SetPendingError({ENAMETOOLONG, kIoInvalidFileName});
}

void SetTextBuf(TTextRec& t, char* buffer, std::size_t size) {
    t.BufPtr = buffer;
    t.BufSize = size;
    t.BufPos = 0;
}

void RewritText(TTextRec& t) {
    if (t.Mode != TextMode::Closed) Close(t);
    LastFileName() = t.Path;
    platform::OsError error;
    std::unique_ptr<platform::IByteFile> handle =
        platform::SystemFiles().Open(t.Path, platform::FileAccess::CreateTruncate, error);
    if (!handle) {
        t.Mode = TextMode::Closed;
        SetPendingError(error);
        return;
    }
    RewritTextOn(t, std::move(handle));
}

void RewritTextOn(TTextRec& t, std::unique_ptr<platform::IByteFile> handle) {
    if (t.Mode != TextMode::Closed) Close(t);
    t.Handle = std::move(handle);
    t.Mode = TextMode::Output;
    t.BufPos = 0;
    switch (t.Handle->Type()) {
        case platform::FileType::Other:
            t.Handle->Close();
            t.Handle.reset();
            t.Mode = TextMode::Closed;
            InOutRes() = kIoNotOpenForOutput;
            break;
        case platform::FileType::CharacterDevice:
            t.FlushOnStatement = true;
            break;
        default:
            t.FlushOnStatement = false;
            break;
    }
}

void WriteBytes(TTextRec& t, const char* bytes, std::size_t count) {
    if (t.Mode != TextMode::Output) {
        InOutRes() = kIoNotOpenForOutput;
        return;
    }
    while (count > 0) {
        const std::size_t part = std::min(count, t.BufSize - t.BufPos);
        std::memcpy(t.BufPtr + t.BufPos, bytes, part);
        bytes += part;
        count -= part;
        if (!CommitBuffer(t, part)) return;  // the rest is dropped with the failed buffer
    }
}

namespace {
// UTF-16 to UTF-8 straight into the buffer: the common case of the document, without a copy.
void WriteUtf8(TTextRec& t, std::u16string_view text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        // ASCII goes straight in; a full buffer is written out at once.
        const std::size_t limit = std::min(n - i, t.BufSize - t.BufPos);
        const char16_t* src = text.data() + i;
        char* dest = t.BufPtr + t.BufPos;
        std::size_t k = 0;
#if defined(__SSE2__)
        // Eight units at a time: all below 0x80, then narrowed to eight bytes at once.
        const __m128i highBits = _mm_set1_epi16(static_cast<short>(0xFF80));
        while (k + 8 <= limit) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, highBits), _mm_setzero_si128())) != 0xFFFF) break;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(dest + k), _mm_packus_epi16(units, units));
            k += 8;
        }
#endif
        for (; k < limit; ++k) {
            const char16_t c = src[k];
            if (c >= 0x80) break;
            dest[k] = static_cast<char>(c);
        }
        i += k;
        if (!CommitBuffer(t, k)) return;
        if (i == n) break;
        if (text[i] < 0x80) continue;
        char bytes[4];
        const std::size_t count = platform::EncodeUtf8(platform::NextCodePoint(text, i), bytes);
        ++i;
        WriteBytes(t, bytes, count);
        if (InOutRes() != 0) return;
    }
}
}  // namespace

void Write0UString(TTextRec& t, std::u16string_view text) {
    if (text.empty()) return;
    if (t.CodePage == platform::kCodePageUtf8 && t.Mode == TextMode::Output) {
        WriteUtf8(t, text);
        return;
    }
    if (t.CodePage == platform::kCodePageUtf16LE) {
        for (char16_t c : text) {
            const char pair[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
            WriteBytes(t, pair, 2);
        }
        return;
    }
    t.Scratch.clear();
    platform::WideToMultiByte(t.CodePage, text, t.Scratch);
    WriteBytes(t, t.Scratch.data(), t.Scratch.size());
}

void Write0LString(TTextRec& t, AnsiText text) {
    t.MBCSLength = 0;
    t.MBCSBufPos = 0;
    if (text.bytes.empty()) return;
    if (text.codePage == t.CodePage) {
        WriteBytes(t, text.bytes.data(), text.bytes.size());
        return;
    }
    std::u16string wide;
    platform::MultiByteToWide(text.codePage, {reinterpret_cast<const std::uint8_t*>(text.bytes.data()), text.bytes.size()}, wide);
    Write0UString(t, wide);
}

void Write0Char(TTextRec& t, std::uint8_t c) {
    const std::uint32_t system = t.SystemCodePage;
    if (t.CodePage == system) {
        const char byte = static_cast<char>(c);
        WriteBytes(t, &byte, 1);
        return;
    }
    // The byte is part of a character of the system code page, collected until complete.
    if (t.MBCSLength == 0) {
        t.MBCSLength = 1;
        if (system == platform::kCodePageUtf8) {
            if (c >= 0xC2 && c <= 0xDF)
                t.MBCSLength = 2;
            else if (c >= 0xE0 && c <= 0xEF)
                t.MBCSLength = 3;
            else if (c >= 0xF0 && c <= 0xF4)
                t.MBCSLength = 4;
        } else if (platform::IsDBCSLeadByte(system, c)) {
            t.MBCSLength = 2;
        }
        t.MBCSBufPos = 0;
    }
    t.MBCSBuffer[t.MBCSBufPos++] = c;
    if (t.MBCSBufPos < t.MBCSLength) return;
    std::u16string wide;
    platform::MultiByteToWide(system, {t.MBCSBuffer, t.MBCSBufPos}, wide);
    t.MBCSLength = 0;
    t.MBCSBufPos = 0;
    Write0UString(t, wide);
}

void _Flush(TTextRec& t) {
    if (t.Mode == TextMode::Input) return;
    if (t.Mode != TextMode::Output && t.Mode != TextMode::InOut) {
        InOutRes() = kIoFileNotOpen;
        return;
    }
    if (t.FlushOnStatement) TextOut(t);
}

void WriteLineStatement(TTextRec& t, std::u16string_view text) {
    Write0UString(t, text);
    WriteLn(t);
    IOTest();
}

void WriteLn(TTextRec& t) {
    if (t.CrLf) Write0Char(t, '\r');
    Write0Char(t, '\n');
    _Flush(t);
}

void Close(TTextRec& t) {
    if (t.Mode == TextMode::Closed) {
        InOutRes() = kIoFileNotOpen;
        return;
    }
    if (t.Mode == TextMode::Output) {
        if (t.BufPos > 0) TextOut(t);
        if (InOutRes() != 0) {
            // The handle is released anyway; the failure is what gets reported.
            t.Handle->Close();
            t.Handle.reset();
            t.Mode = TextMode::Closed;
            return;
        }
    }
    if (const int e = t.Handle->Close(); e != 0) SetPendingError(platform::MakeOsError(e));
    t.Handle.reset();
    t.Mode = TextMode::Closed;
}

}  // namespace korvane
