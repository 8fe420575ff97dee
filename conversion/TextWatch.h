// Watches the stored text of a table's character and memo values while the document is
// written, to tell the user when the text is likely in another code page than it was read in:
// high bytes in a table that declares a code page other than 1250 and 852, or valid UTF-8 with
// multi-byte sequences in a table that declares none. It looks only as long as the answer can
// still change.
#pragma once

#include <cstdint>
#include <span>

namespace korvane {

class TextWatch {
public:
    enum class Looks { Nothing, ForHighBytes, ForUtf8 };
    explicit TextWatch(Looks looks = Looks::Nothing) : FLooks(looks) {}

    bool Active() const { return FLooks != Looks::Nothing && !FSettled; }
    // A value's bytes, or the next piece of a memo.
    void See(std::span<const std::uint8_t> bytes) {
        if (Active()) Look(bytes);
    }
    // The value ends: a multi-byte sequence cut off there is no valid UTF-8.
    void EndValue() {
        if (FNeed != 0) Invalid();
        FNeed = 0;
    }

    bool SawHighBytes() const { return FHigh; }
    // All text seen is valid UTF-8 and some of it takes more than one byte a character.
    bool SawUtf8() const { return FLooks == Looks::ForUtf8 && FHigh && FValidUtf8; }

private:
    void Look(std::span<const std::uint8_t> bytes);
    void Invalid() {
        FValidUtf8 = false;
        FSettled = true;
    }

    Looks FLooks;
    bool FSettled = false;  // nothing more can change the answer
    bool FHigh = false;
    bool FValidUtf8 = true;
    int FNeed = 0;                              // continuation bytes the sequence being read still needs
    std::uint8_t FLow = 0x80, FHighest = 0xBF;  // the range of the next continuation byte
};

}  // namespace korvane
