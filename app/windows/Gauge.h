// The progress gauge as a window of its own class: an aqua bar on white with a single border
// and its percentage as text, drawn as the Linux window draws it.
#pragma once

#include <windows.h>

namespace korvane::app::win {

// Registers the class "KorvaneGauge"; its windows take the messages below.
void RegisterGaugeClass(HINSTANCE instance);
inline constexpr const wchar_t* kGaugeClass = L"KorvaneGauge";

// wParam: the minimum, lParam: the maximum.
inline constexpr UINT kGaugeSetRange = WM_USER + 1;
// wParam: the progress (an int), clamped to the range.
inline constexpr UINT kGaugeSetProgress = WM_USER + 2;
// Answers the whole percentage shown.
inline constexpr UINT kGaugeGetPercent = WM_USER + 3;

}  // namespace korvane::app::win
