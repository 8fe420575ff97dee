#include "app/ErrorText.h"

#include "platform/Paths.h"

namespace korvane::app {

std::string ErrorBoxText(const std::string& message) {
    // UTF-8: the last byte of a character beyond ASCII is above '.' as the character is.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

std::string ApplicationTitle(const std::string& programFilePath) {
    std::string name = platform::ExtractFileName(programFilePath);
    name = name.substr(0, name.find('.'));
    // Linux programs are named in lower case; the title starts with a capital all the same.
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (i == 0 && c >= 'a' && c <= 'z') name[i] = static_cast<char>(c - 'a' + 'A');
        if (i > 0 && c >= 'A' && c <= 'Z') name[i] = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

}  // namespace korvane::app
