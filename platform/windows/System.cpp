#include "platform/System.h"

#include <windows.h>

#include <bit>
#include <chrono>
#include <thread>

#include "platform/windows/WidePath.h"

namespace korvane::platform {

LocalDate GetLocalDate() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay};
}

void SleepOneMillisecond() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::string ComputerName() {
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!::GetComputerNameW(buffer, &size)) return {};
    return Narrow(std::wstring_view(buffer, size)).substr(0, 16);
}

unsigned UsableProcessors() {
    DWORD_PTR process = 0, system = 0;
    if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) || process == 0) return 1;
    return static_cast<unsigned>(std::popcount(static_cast<std::uint64_t>(process)));
}

}  // namespace korvane::platform
