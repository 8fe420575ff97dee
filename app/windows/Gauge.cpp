#include "app/windows/Gauge.h"

#include <string>

#include "app/GaugeValue.h"

namespace korvane::app::win {

namespace {

// What a gauge window holds: its numbers and the font its parent gave it.
struct GaugeState {
    GaugeValue value;
    HFONT font = nullptr;
};

GaugeState* StateOf(HWND window) {
    return reinterpret_cast<GaugeState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Paint(HWND window, const GaugeState& state) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT r;
    GetClientRect(window, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const int percent = state.value.PercentDone();
    RECT filled = {1, 1, 1 + (r.right - 2) * percent / 100, r.bottom - 1};
    HBRUSH aqua = CreateSolidBrush(RGB(0, 255, 255));
    FillRect(dc, &filled, aqua);
    DeleteObject(aqua);
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HGDIOBJ old = state.font ? SelectObject(dc, state.font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    const std::wstring text = std::to_wstring(percent) + L"%";
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (old) SelectObject(dc, old);
    EndPaint(window, &ps);
}

LRESULT CALLBACK GaugeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    GaugeState* state = StateOf(window);
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new GaugeState));
    } else if (message == WM_NCDESTROY) {
        delete state;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    } else if (state) {
        switch (message) {
            case WM_SETFONT:
                state->font = reinterpret_cast<HFONT>(wParam);
                if (LOWORD(lParam)) InvalidateRect(window, nullptr, TRUE);
                return 0;
            case WM_GETFONT:
                return reinterpret_cast<LRESULT>(state->font);
            case kGaugeSetRange:
            case kGaugeSetProgress: {
                const bool changed = message == kGaugeSetRange
                                         ? state->value.SetRange(static_cast<int>(wParam), static_cast<int>(lParam))
                                         : state->value.SetProgress(static_cast<int>(wParam));
                // Redrawn at once, as the Linux gauge does, so the percentage follows the run.
                if (changed) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                return 0;
            }
            case kGaugeGetPercent:
                return state->value.PercentDone();
            case WM_PAINT:
                Paint(window, *state);
                return 0;
            case WM_ERASEBKGND:
                return 1;
            default:
                break;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void RegisterGaugeClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = GaugeProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kGaugeClass;
    RegisterClassExW(&wc);
}

}  // namespace korvane::app::win
