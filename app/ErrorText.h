// How the application shows an error that leaves a handler.
#pragma once

#include <string>

namespace korvane::app {

// The message with a full stop added when it is not empty and its last character sorts after '.'.
std::string ErrorBoxText(const std::string& message);
// The program file's name up to its first dot, capitalised: the first letter upper case, the rest lower.
std::string ApplicationTitle(const std::string& programFilePath);

}  // namespace korvane::app
