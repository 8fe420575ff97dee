// Local date, a short pause, the host name and the processors the process may use.
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
// The processors this process may run on (at least 1).
unsigned UsableProcessors();

}  // namespace korvane::platform
