// What a blob field object sees of the dataset's blob stream.
#pragma once

#include <cstdint>
#include <span>

namespace korvane {

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

class TBlobStream {
public:
    virtual ~TBlobStream() = default;
    virtual std::span<const std::uint8_t> Bytes() const = 0;
    // Gives back the reference the dataset handed out.
    virtual void Release() = 0;
};

}  // namespace korvane
