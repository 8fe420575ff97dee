// Local date, a short pause and the host name.
#pragma once

#include <string>

namespace korvane::platform {

struct LocalDate {
    int year;   // e.g. 2026
    int month;  // 1..12
    int day;    // 1..31
};

LocalDate GetLocalDate();
void SleepOneMillisecond();
std::string ComputerName();

}  // namespace korvane::platform
