// Bounds-checked little- and big-endian reads from byte spans; bytes past the end read as 0.
#pragma once

#include <cstdint>
#include <span>

namespace korvane::platform {

inline std::uint8_t ByteAt(std::span<const std::uint8_t> b, std::size_t i) {
    return i < b.size() ? b[i] : 0;
}

inline std::uint16_t ReadU16LE(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(ByteAt(b, at) | (ByteAt(b, at + 1) << 8));
}
inline std::uint16_t ReadU16BE(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>((ByteAt(b, at) << 8) | ByteAt(b, at + 1));
}
inline std::uint32_t ReadU32LE(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(ByteAt(b, at)) | (static_cast<std::uint32_t>(ByteAt(b, at + 1)) << 8) |
           (static_cast<std::uint32_t>(ByteAt(b, at + 2)) << 16) | (static_cast<std::uint32_t>(ByteAt(b, at + 3)) << 24);
}
inline std::uint32_t ReadU32BE(std::span<const std::uint8_t> b, std::size_t at) {
    return (static_cast<std::uint32_t>(ByteAt(b, at)) << 24) | (static_cast<std::uint32_t>(ByteAt(b, at + 1)) << 16) |
           (static_cast<std::uint32_t>(ByteAt(b, at + 2)) << 8) | static_cast<std::uint32_t>(ByteAt(b, at + 3));
}
inline std::int32_t ReadI32LE(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::int32_t>(ReadU32LE(b, at));
}
inline std::uint64_t ReadU64LE(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint64_t>(ReadU32LE(b, at)) | (static_cast<std::uint64_t>(ReadU32LE(b, at + 4)) << 32);
}
inline std::uint64_t ReadU64BE(std::span<const std::uint8_t> b, std::size_t at) {
    return (static_cast<std::uint64_t>(ReadU32BE(b, at)) << 32) | static_cast<std::uint64_t>(ReadU32BE(b, at + 4));
}
inline void WriteU32LE(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
    for (std::size_t k = 0; k < 4; ++k)
        if (at + k < b.size()) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

}  // namespace korvane::platform
