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

// Holds the reference a dataset handed out and gives it back however the holder ends.
class BlobStreamRef {
public:
    explicit BlobStreamRef(TBlobStream* stream) : FStream(stream) {}
    ~BlobStreamRef() {
        if (FStream) FStream->Release();
    }
    BlobStreamRef(const BlobStreamRef&) = delete;
    BlobStreamRef& operator=(const BlobStreamRef&) = delete;

    explicit operator bool() const { return FStream != nullptr; }
    TBlobStream* operator->() const { return FStream; }

private:
    TBlobStream* FStream;
};

}  // namespace korvane
