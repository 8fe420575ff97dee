// How the application shows an error that leaves a handler.
#pragma once

#include <QString>

namespace korvane::app {

// The message with a full stop added when it is not empty and its last character sorts after '.'.
QString ErrorBoxText(const QString& message);
// The program file's name up to its first dot, capitalised: the first letter upper case, the rest lower.
QString ApplicationTitle(const QString& programFilePath);

}  // namespace korvane::app
