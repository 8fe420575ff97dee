#include "dbf/DbfBlobStream.h"

#include <algorithm>

#include "dbf/Dbf.h"
#include "fields/OtherFields.h"

namespace korvane::dbf {

namespace {
constexpr std::size_t kTranslateChunk = 512;
}

void TDbfBlobStream::Release() {
    // The table keeps its own reference, so the memo stays cached between requests.
    if (FRefCount == 1) FData = {};
    if (FRefCount > 0) --FRefCount;
}

bool TDbfBlobStream::GetTransliterate() const {
    const auto* blob = dynamic_cast<const TBlobField*>(&FBlobField);
    return blob != nullptr && blob->Transliterate;
}

void TDbfBlobStream::Translate(bool toOem) {
    if (!GetTransliterate() || FData.empty()) return;
    const std::size_t size = FData.size();
    FData.push_back(0);
    for (std::size_t start = 0; start < size; start += kTranslateChunk) {
        const std::size_t end = std::min(start + kTranslateChunk, size);
        const std::uint8_t saved = FData[end];
        FData[end] = 0;
        FDbf.Translate(FData.data() + start, FData.data() + start, toOem);
        FData[end] = saved;
    }
    FData.pop_back();
}

}  // namespace korvane::dbf
