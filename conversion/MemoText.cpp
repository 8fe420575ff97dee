#include "conversion/MemoText.h"

#include <algorithm>

#include "conversion/XmlText.h"
#include "conversion/XsdValues.h"
#include "dbf/DbfFile.h"
#include "platform/CodePages.h"

namespace korvane {

namespace {
// Bytes rendered through the byte tables at once: the output of a part stays under 64 KiB.
constexpr std::size_t kRenderPart = 8 * 1024;
}  // namespace

MemoText::MemoText(dbf::TDbfFile& file, std::uint32_t systemCodePage, const SingleByteText* singleByte,
                   platform::TextDecoder* decoder, TextWatch* watch)
    : FFile(file),
      FSingleByte(decoder ? nullptr : singleByte),
      FSystem(SingleByteText::For(systemCodePage)),
      FDecoder(decoder),
      FWatch(watch) {}

std::int32_t MemoText::BlockOf(int column, std::span<const std::uint8_t> record) const {
    // The reference as the memo stream asks for it: an integer in non-native form.
    std::int32_t block = 0;
    if (record.empty() || !FFile.GetFieldData(column, ftInteger, record, &block, false)) return 0;
    return block;
}

void MemoText::WriteText(std::int32_t block, const Put& put) {
    if (FDecoder)
        WriteDecoded(block, put);
    else
        WriteSingleByte(block, put);
}

void MemoText::RenderBytes(std::span<const std::uint8_t> bytes, bool repaired, const Put& put, const SingleByteText& text) {
    FOut.resize(SingleByteText::Room(kRenderPart));
    for (std::size_t at = 0; at < bytes.size(); at += kRenderPart) {
        const char* end = text.WritePiece(bytes.subspan(at, std::min(kRenderPart, bytes.size() - at)), repaired, FOut.data());
        put({FOut.data(), static_cast<std::size_t>(end - FOut.data())});
    }
}

void MemoText::WriteSingleByte(std::int32_t block, const Put& put) {
    dbf::TMemoFile* memo = FFile.MemoFile();
    if (!memo) return;
    // The first reading decides the repair and fixes the length; a memo that fits one piece
    // is kept and written from there.
    FKept.clear();
    std::int64_t length = 0;
    bool blocked = false;
    bool kept = true;
    const bool watching = FWatch && FWatch->Active();
    memo->ReadMemo(block, [&](std::span<const std::uint8_t> piece) {
        length += static_cast<std::int64_t>(piece.size());
        blocked = blocked || FSingleByte->BlocksRepair(piece);
        if (watching) FWatch->See(piece);
        kept = kept && FKept.size() + piece.size() <= kPiece;
        if (kept) FKept.insert(FKept.end(), piece.begin(), piece.end());
    });
    if (watching) FWatch->EndValue();
    if (kept) {
        RenderBytes(FKept, !blocked, put, *FSingleByte);
        return;
    }
    // A memo that the file no longer holds in full ends where the file does.
    memo->ReadMemo(
        block, [&](std::span<const std::uint8_t> piece) { RenderBytes(piece, !blocked, put, *FSingleByte); }, length);
}

void MemoText::WriteDecoded(std::int32_t block, const Put& put) {
    bool first = true;
    auto decode = [&](std::span<const std::uint8_t> bytes, bool last) {
        const std::size_t took = FDecoder->DecodePiece(bytes, first, last, FText);
        first = false;
        FOut.resize(XmlAttributeUtf8Room(FText.size()));
        const char* end = WriteXmlAttributeUtf8(FText, FEscaped, FOut.data());
        put({FOut.data(), static_cast<std::size_t>(end - FOut.data())});
        return took;
    };
    FCarry.clear();
    if (dbf::TMemoFile* memo = FFile.MemoFile()) {
        memo->ReadMemo(block, [&](std::span<const std::uint8_t> piece) {
            // A sequence cut off at the end of the last piece begins this one.
            FCarry.insert(FCarry.end(), piece.begin(), piece.end());
            const std::size_t took = decode(FCarry, false);
            FCarry.erase(FCarry.begin(), FCarry.begin() + static_cast<std::ptrdiff_t>(took));
        });
    }
    decode(FCarry, true);
}

void MemoText::WriteBytes(std::int32_t block, const Put& put) {
    // Blobs hold bytes, not text: one reading, piece by piece, with no decision to make.
    if (dbf::TMemoFile* memo = FFile.MemoFile())
        memo->ReadMemo(block, [&](std::span<const std::uint8_t> piece) { RenderBytes(piece, false, put, *FSystem); });
}

void MemoText::WriteBase64(std::int32_t block, const Put& put) {
    FCarry.clear();
    if (dbf::TMemoFile* memo = FFile.MemoFile()) {
        memo->ReadMemo(block, [&](std::span<const std::uint8_t> piece) {
            // Whole groups of three bytes now; the rest waits for the next piece.
            FCarry.insert(FCarry.end(), piece.begin(), piece.end());
            const std::size_t whole = FCarry.size() / 3 * 3;
            put(Base64(std::span<const std::uint8_t>(FCarry).first(whole)));
            FCarry.erase(FCarry.begin(), FCarry.begin() + static_cast<std::ptrdiff_t>(whole));
        });
    }
    put(Base64(FCarry));
}

}  // namespace korvane
