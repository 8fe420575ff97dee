#include "app/windows/Gauge.h"

#include <string>

#include "app/GaugeValue.h"

namespace korvane::app::win {

namespace {

GaugeValue* ValueOf(HWND window) {
    return reinterpret_cast<GaugeValue*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Paint(HWND window, const GaugeValue& value) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT r;
    GetClientRect(window, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const int percent = value.PercentDone();
    RECT filled = {1, 1, 1 + (r.right - 2) * percent / 100, r.bottom - 1};
    HBRUSH aqua = CreateSolidBrush(RGB(0, 255, 255));
    FillRect(dc, &filled, aqua);
    DeleteObject(aqua);
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    // The window's font, as the parent set it with WM_SETFONT.
    const auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    std::wstring text = std::to_wstring(percent) + L"%";
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (old) SelectObject(dc, old);
    EndPaint(window, &ps);
}

LRESULT CALLBACK GaugeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    GaugeValue* value = ValueOf(window);
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new GaugeValue));
            break;
        case WM_NCDESTROY:
            delete value;
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            break;
        case WM_SETFONT:
            SetPropW(window, L"KorvaneFont", reinterpret_cast<HANDLE>(wParam));
            if (LOWORD(lParam)) InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(GetPropW(window, L"KorvaneFont"));
        case kGaugeSetRange:
        case kGaugeSetProgress: {
            const bool changed = message == kGaugeSetRange ? value->SetRange(static_cast<int>(wParam), static_cast<int>(lParam))
                                                           : value->SetProgress(static_cast<int>(wParam));
            // Redrawn at once, as the Linux gauge does, so the percentage follows the run.
            if (changed) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            return 0;
        }
        case kGaugeGetPercent:
            return value ? value->PercentDone() : 0;
        case WM_PAINT:
            if (value) {
                Paint(window, *value);
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            return 1;
        default:
            break;
    }
    if (message == WM_NCDESTROY) RemovePropW(window, L"KorvaneFont");
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
