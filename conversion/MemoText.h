// A memo's value streamed into the document in pieces, so that memory stays bounded by the
// pieces and not by the memo (a memo may hold hundreds of megabytes).
//
// Its text is written as the document's escaped UTF-8, exactly as the value would be whole:
// - in a single-byte system code page, through the byte tables; whether the memo is repaired
//   from code page 852 depends on all of its bytes, so a memo longer than the first piece is
//   read twice, first to decide, then to write, its length fixed by the first reading (another
//   program may change the memo file meanwhile);
// - in a code page the user asked for, decoded piece by piece, a sequence cut off at the end
//   of a piece carried over to the next.
// A blob's bytes are written as base64, three bytes at a time across the pieces.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/SingleByteText.h"
#include "conversion/TextWatch.h"
#include "platform/TextDecoder.h"

namespace korvane {

namespace dbf {
class TDbfFile;
}

class MemoText {
public:
    // Takes the document's bytes of a value, in order.
    using Put = std::function<void(std::string_view)>;

    // `singleByte` or `decoder` (at most one of them is used; the decoder first) say how text
    // is read; with neither the memo's text cannot be streamed.
    // `watch` (may be null) is shown the memo's text as stored.
    MemoText(dbf::TDbfFile& file, std::uint32_t systemCodePage, const SingleByteText* singleByte, platform::TextDecoder* decoder,
             TextWatch* watch = nullptr);

    bool StreamsText() const { return FDecoder || FSingleByte; }
    // Whether blobs' bytes can be streamed as text (the system's code page is single-byte).
    bool StreamsBytes() const { return FSystem != nullptr; }
    // The memo block field `column` of `record` refers to; 0 when it refers to none.
    std::int32_t BlockOf(int column, std::span<const std::uint8_t> record) const;
    // Writes the memo's text, escaped.
    void WriteText(std::int32_t block, const Put& put);
    // Writes the blob's bytes as text of the system's code page, never repaired, escaped.
    void WriteBytes(std::int32_t block, const Put& put);
    // Writes the blob's bytes as base64.
    void WriteBase64(std::int32_t block, const Put& put);

    // How many bytes of a memo are read at once, and kept for writing when the memo fits.
    static constexpr std::size_t kPiece = 64 * 1024;

private:
    void WriteSingleByte(std::int32_t block, const Put& put);
    void WriteDecoded(std::int32_t block, const Put& put);
    // Renders `bytes` through the byte tables in parts that keep the output buffer small.
    void RenderBytes(std::span<const std::uint8_t> bytes, bool repaired, const Put& put, const SingleByteText& text);

    dbf::TDbfFile& FFile;
    const SingleByteText* FSingleByte;
    std::unique_ptr<SingleByteText> FSystem;  // the system's code page, for blobs
    platform::TextDecoder* FDecoder;
    TextWatch* FWatch;
    std::vector<std::uint8_t> FKept;  // a memo that fits one piece, read once
    std::vector<std::uint8_t> FCarry;
    std::string FOut;
    std::u16string FText;
    std::u16string FEscaped;
};

}  // namespace korvane
