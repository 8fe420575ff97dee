#include "tests/support/ProgramRun.h"

#include <windows.h>

#include <thread>

#include "platform/Unicode.h"

namespace korvane::test {

namespace {
std::wstring Wide(const std::string& text) {
    const std::u16string wide = platform::Utf8ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

// One argument as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& arg) {
    std::wstring out = L"\"";
    std::size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, L'\\');
    return out + L"\"";
}

void Drain(HANDLE pipe, std::string& into) {
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) into.append(buffer, n);
}
}  // namespace

std::string ProgramPath() {
    // dbf2xml.exe is built in cli/ beside the tests' folder.
    wchar_t own[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring path(own, n);
    path = path.substr(0, path.find_last_of(L"\\/"));
    path = path.substr(0, path.find_last_of(L"\\/")) + L"\\cli\\dbf2xml.exe";
    return platform::Utf16ToUtf8(std::u16string(path.begin(), path.end()));
}

ProgramResult RunProgram(const std::vector<std::string>& args) {
    ProgramResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0) || !::CreatePipe(&errRead, &errWrite, &inherit, 0)) return result;
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    std::wstring line = Quoted(Wide(ProgramPath()));
    for (const std::string& a : args) line += L" " + Quoted(Wide(a));
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = outWrite;
    start.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    const bool started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process);
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    if (started) {
        std::thread errors([&] { Drain(errRead, result.err); });
        Drain(outRead, result.out);
        errors.join();
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        ::GetExitCodeProcess(process.hProcess, &code);
        result.status = static_cast<int>(code);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
    }
    ::CloseHandle(outRead);
    ::CloseHandle(errRead);
    return result;
}

}  // namespace korvane::test
