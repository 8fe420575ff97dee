// Numbers as the C locale reads them, whatever the process's locale is.
#pragma once

namespace korvane::platform {

// strtod in the C locale ('.' the decimal point): the value of the decimal text at `text`.
double StrToDoubleC(const char* text);

}  // namespace korvane::platform
