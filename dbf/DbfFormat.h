// On-disk constants of dBase-family table and memo files.
#pragma once

#include <cstdint>

namespace korvane::dbf {

constexpr std::size_t kMainHeaderSize = 32;
constexpr std::size_t kLevel7HeaderSize = 68;  // main header + 36-byte extension
constexpr std::size_t kLanguageDriverNameOffset = 32;
constexpr std::size_t kLanguageDriverNameSize = 32;
constexpr std::size_t kDescriptorSize = 32;
constexpr std::size_t kLevel7DescriptorSize = 48;

// Main header offsets.
constexpr std::size_t kHdrVersion = 0;
constexpr std::size_t kHdrYear = 1;
constexpr std::size_t kHdrMonth = 2;
constexpr std::size_t kHdrDay = 3;
constexpr std::size_t kHdrRecordCount = 4;
constexpr std::size_t kHdrHeaderSize = 8;
constexpr std::size_t kHdrRecordSize = 10;
constexpr std::size_t kHdrMdxFlag = 28;
constexpr std::size_t kHdrLanguageId = 29;

constexpr std::uint8_t kMemoBit = 0x80;
constexpr std::uint8_t kDescriptorTerminator = 0x0D;
constexpr std::uint8_t kEndOfFile = 0x1A;
constexpr std::uint8_t kDeletedFlag = '*';

// Descriptor offsets, levels up to 5.
constexpr std::size_t kDescName = 0;
constexpr std::size_t kDescNameSize = 11;
constexpr std::size_t kDescType = 11;
constexpr std::size_t kDescWidth = 16;
constexpr std::size_t kDescPrecision = 17;
constexpr std::size_t kDescFoxProFlags = 18;
constexpr std::uint8_t kFoxProNullable = 0x02;

// Descriptor offsets, level 7.
constexpr std::size_t kDesc7NameSize = 32;
constexpr std::size_t kDesc7Type = 32;
constexpr std::size_t kDesc7Width = 33;
constexpr std::size_t kDesc7Precision = 34;
constexpr std::size_t kDesc7NextAutoInc = 42;

// Level 7 field properties.
constexpr std::size_t kPropertiesHeaderSize = 16;
constexpr std::size_t kPropertyEntrySize = 15;

// Memo files.
constexpr std::size_t kMemoHeaderReadSize = 512;
constexpr std::uint32_t kDefaultMemoBlockLength = 512;
constexpr std::size_t kDbtBlockLenOffset = 20;
constexpr std::size_t kDbtVersionOffset = 16;
constexpr std::size_t kFptBlockLenOffset = 6;
constexpr std::uint32_t kDbtLengthFormSignature = 0x0008FFFF;  // FF FF 08 00
constexpr std::size_t kMemoBlockHeaderSize = 8;

constexpr int kMaxFieldCount = 4095;
constexpr int kUserNameLen = 16;

}  // namespace korvane::dbf
