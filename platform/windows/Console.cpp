// The standard streams on Windows. Messages are UTF-8 inside the program: a console is given
// them in UTF-16 (WriteConsoleW), so that Czech letters show whatever its code page; a file or
// a pipe gets the UTF-8 bytes, written as they are (no CR is added).
#include "platform/Console.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <cstring>
#include <memory>
#include <ostream>
#include <streambuf>

#include "platform/windows/WidePath.h"

namespace korvane::platform {

namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return ::GetConsoleMode(handle, &mode) != 0;
}

bool IsOpen(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(DWORD which) : FWhich(which) { setp(FBuffer, FBuffer + sizeof FBuffer); }
    ~ConsoleBuffer() override { sync(); }

protected:
    int_type overflow(int_type c) override {
        if (Flush() != 0) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return Flush(); }

private:
    int Flush() {
        const std::size_t count = static_cast<std::size_t>(pptr() - pbase());
        if (count == 0) return 0;
        const HANDLE handle = ::GetStdHandle(FWhich);
        std::size_t take = count;
        bool ok = true;
        if (IsConsole(handle)) {
            // A UTF-8 sequence cut at the buffer's end waits for the rest.
            std::size_t back = 0;
            while (back < 3 && back < count && (static_cast<unsigned char>(FBuffer[count - 1 - back]) & 0xC0) == 0x80) ++back;
            if (back < count) {
                const unsigned char lead = static_cast<unsigned char>(FBuffer[count - 1 - back]);
                const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
                if (need > back + 1) take = count - 1 - back;
            }
            const std::wstring text = Wide(std::string_view(FBuffer, take));
            DWORD done = 0;
            ok = text.empty() || ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
        } else if (IsOpen(handle)) {
            for (std::size_t at = 0; ok && at < take;) {
                DWORD done = 0;
                ok = ::WriteFile(handle, FBuffer + at, static_cast<DWORD>(take - at), &done, nullptr) && done > 0;
                at += done;
            }
        }
        const std::size_t left = count - take;
        std::memmove(FBuffer, FBuffer + take, left);
        setp(FBuffer, FBuffer + sizeof FBuffer);
        pbump(static_cast<int>(left));
        return ok ? 0 : -1;
    }

    DWORD FWhich;
    char FBuffer[4096];
};

}  // namespace

bool PrepareStandardStreams(StandardStreams& streams) {
    streams.outputOpen = IsOpen(::GetStdHandle(STD_OUTPUT_HANDLE));
    for (const DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        if (IsOpen(::GetStdHandle(which))) continue;
        const HANDLE null = ::CreateFileW(L"NUL", which == STD_INPUT_HANDLE ? GENERIC_READ : GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (!IsOpen(null) || !::SetStdHandle(which, null)) return false;
    }
    streams.errorIsTerminal = IsConsole(::GetStdHandle(STD_ERROR_HANDLE));
    // Every console handle of a process writes to its one console.
    streams.outputOnErrorTerminal = streams.outputOpen && streams.errorIsTerminal && IsConsole(::GetStdHandle(STD_OUTPUT_HANDLE));
    return true;
}

std::vector<std::string> ProgramArguments(int, char**) {
    // The C runtime's argv is in the 8-bit code page, where most Czech names have no bytes.
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide && i < count; ++i) args.push_back(Narrow(wide[i]));
    if (wide) ::LocalFree(wide);
    return args;
}

std::ostream& MessageOutput() {
    static ConsoleBuffer buffer(STD_OUTPUT_HANDLE);
    static std::ostream stream(&buffer);
    return stream;
}

std::ostream& MessageError() {
    static ConsoleBuffer buffer(STD_ERROR_HANDLE);
    // Unbuffered, as standard error is: a progress line shows as it is drawn.
    static std::ostream stream(&buffer);
    stream.setf(std::ios::unitbuf);
    return stream;
}

}  // namespace korvane::platform
