#include "conversion/CpConvert.h"

namespace korvane {

namespace {
// byte -> position in cp_852 plus one, 0 when the byte is not there.
constexpr std::array<std::uint8_t, 256> kPosition = [] {
    std::array<std::uint8_t, 256> t{};
    for (std::size_t k = cp_852.size(); k-- > 0;) t[cp_852[k]] = static_cast<std::uint8_t>(k + 1);
    return t;
}();
}  // namespace

bool cp_Is852(std::string_view s) {
    for (char ch : s) {
        const auto b = static_cast<std::uint8_t>(ch);
        if (b > 0x80 && kPosition[b] == 0) return false;
    }
    return true;
}

void cp852ToWinInPlace(std::string& s) {
    for (char& ch : s) {
        const std::uint8_t k = kPosition[static_cast<std::uint8_t>(ch)];
        if (k != 0) ch = static_cast<char>(cp_Win[k - 1]);
    }
}

std::string cp852ToWin(std::string_view s) {
    std::string result(s);
    cp852ToWinInPlace(result);
    return result;
}

}  // namespace korvane
