#include "app/windows/MainWindow.h"

#include <functional>

#include "app/GaugeValue.h"
#include "app/windows/Gauge.h"
#include "conversion/ConversionTexts.h"
#include "platform/EndingRun.h"
#include "platform/Exception.h"
#include "platform/OsError.h"
#include "platform/windows/WidePath.h"

namespace korvane::app::win {

namespace {

using platform::Narrow;
using platform::Wide;

// A view call the worker thread hands to the window's thread (lParam: a std::function<void()>*).
constexpr UINT kViewCall = WM_APP + 1;
// The worker thread's conversion has ended.
constexpr UINT kRunEnded = WM_APP + 2;
// The room a button's text keeps to its edges, on each side, at 96 dpi.
constexpr int kButtonTextMargin = 8;
// Windows' Ctrl-C, as the command line takes it: the unfinished document is removed.
constexpr int kInterrupt = 2;

struct ControlSpec {
    Item item;
    const wchar_t* windowClass;
    DWORD style;
    const char* text;
};

constexpr ControlSpec kControls[] = {
    {Item::b_OpenDBF, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, texts::kOpenDbfButton},
    {Item::l_DBF, L"STATIC", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, texts::kNoFileChosen},
    {Item::l_XML, L"STATIC", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, texts::kNothingYet},
    {Item::Label1, L"STATIC", SS_LEFT | SS_NOPREFIX, texts::kTableCaption},
    {Item::b_XML, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, texts::kChangeXmlButton},
    {Item::Label2, L"STATIC", SS_LEFT | SS_NOPREFIX, texts::kTargetCaption},
    // Drawn by the window, as a button's text colour is the theme's otherwise.
    {Item::b_Run, L"BUTTON", BS_OWNERDRAW | WS_TABSTOP, texts::kRunButton},
    {Item::Gauge, kGaugeClass, 0, ""},
    {Item::l_Info, L"STATIC", SS_LEFT | SS_NOPREFIX, texts::kChooseTable},
    {Item::Label3, L"STATIC", SS_RIGHT | SS_NOPREFIX, texts::kFooter},
};

// The run's view on the worker thread: each call is made by the window's thread, which the
// worker waits for; the gauge's progress only when its whole percentage changes.
class WorkerView : public IConversionView {
public:
    explicit WorkerView(HWND window) : FWindow(window) {}
    void SetVisible(Control c, bool visible) override {
        Call([=](IConversionView& v) { v.SetVisible(c, visible); });
    }
    void SetText(Control c, const std::string& text) override {
        Call([&](IConversionView& v) { v.SetText(c, text); });
    }
    void SetGaugeRange(int minValue, int maxValue) override {
        FGauge.SetRange(minValue, maxValue);
        Call([=](IConversionView& v) { v.SetGaugeRange(minValue, maxValue); });
    }
    void SetGaugeProgress(int progress) override {
        // The window's gauge may still show an earlier run's percentage: the first progress
        // always goes through.
        const bool changed = FGauge.SetProgress(progress);
        if (changed || FFirst) Call([=](IConversionView& v) { v.SetGaugeProgress(progress); });
        FFirst = false;
    }
    void ShowMessage(const std::string& text) override {
        Call([&](IConversionView& v) { v.ShowMessage(text); });
    }

private:
    void Call(const std::function<void(IConversionView&)>& call) {
        SendMessageW(FWindow, kViewCall, 0, reinterpret_cast<LPARAM>(&call));
    }
    HWND FWindow;
    GaugeValue FGauge;
    bool FFirst = true;
};

}  // namespace

TForm1::TForm1(HINSTANCE instance, TableOwner& owner, platform::PlatformSettings settings, std::string applicationTitle)
    : FInstance(instance),
      FOwner(owner),
      FLogic(
          *this, owner,
          [&] {
              ConversionOptions options;
              options.settings = std::move(settings);
              return options;
          }(),
          std::move(applicationTitle)) {
    RegisterGaugeClass(instance);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);

    FDpi = static_cast<int>(GetDpiForSystem());
    RECT outer = {0, 0, Scaled(kClientWidth, FDpi), Scaled(kClientHeight, FDpi)};
    AdjustWindowRectExForDpi(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0, static_cast<UINT>(FDpi));
    CreateWindowExW(0, kWindowClass, Wide(texts::kCaption).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                    CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, this);
    if (!FWindow) throw Exception("Cannot create the window: " + platform::SystemErrorText(platform::LastOsError().errnoValue));
    FDpi = static_cast<int>(GetDpiForWindow(FWindow));
    CreateControls();
    // The client area at the window's own dots per inch, should they differ from the system's.
    outer = {0, 0, Scaled(kClientWidth, FDpi), Scaled(kClientHeight, FDpi)};
    AdjustWindowRectExForDpi(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0, static_cast<UINT>(FDpi));
    SetWindowPos(FWindow, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
    FLogic.ShowStartState();
}

TForm1::~TForm1() {
    if (FWorker.joinable()) FWorker.join();
    if (FWindow) DestroyWindow(FWindow);
    for (HFONT font : {FFont, FBoldFont})
        if (font) DeleteObject(font);
}

void TForm1::MakeFonts() {
    for (HFONT font : {FFont, FBoldFont})
        if (font) DeleteObject(font);
    // 8 points: a character height of 11 pixels at 96 dpi.
    const int height = -MulDiv(8, FDpi, 72);
    auto make = [&](int weight) {
        return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
    };
    FFont = make(FW_NORMAL);
    FBoldFont = make(FW_BOLD);
    for (Item item : {Item::b_OpenDBF, Item::l_DBF, Item::l_XML, Item::Label1, Item::b_XML, Item::Label2, Item::b_Run,
                      Item::Gauge, Item::l_Info, Item::Label3})
        if (HWND control = ItemWindow(item))
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(item == Item::l_Info ? FBoldFont : FFont), TRUE);
}

void TForm1::CreateControls() {
    for (const ControlSpec& entry : kControls) {
        const auto id = static_cast<std::intptr_t>(kFirstControlId + static_cast<int>(entry.item));
        FItems[static_cast<std::size_t>(entry.item)] =
            CreateWindowExW(0, entry.windowClass, Wide(entry.text).c_str(), WS_CHILD | WS_VISIBLE | entry.style, 0, 0, 0, 0,
                            FWindow, reinterpret_cast<HMENU>(id), FInstance, nullptr);
    }
    MakeFonts();
    FitTexts();
}

void TForm1::ChooseTable(const std::string& path) {
    FLogic.Guarded([&] { FLogic.ChooseTable(path); });
}

HWND TForm1::ControlWindow(Control control) const {
    return ItemWindow(ItemOf(control));
}

int TForm1::TextWidth(Item item) const {
    HWND control = ItemWindow(item);
    if (!control || item == Item::Gauge || FShowsPath[static_cast<std::size_t>(item)]) return 0;
    const std::wstring text = WindowText(control);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    const bool button = item == Item::b_OpenDBF || item == Item::b_XML || item == Item::b_Run;
    return extent.cx + (button ? 2 * Scaled(kButtonTextMargin, FDpi) : 0);
}

TextWidths TForm1::TextWidthsNow() const {
    TextWidths widths{};
    for (const Placement& p : Placements()) widths[static_cast<std::size_t>(p.item)] = TextWidth(p.item);
    return widths;
}

void TForm1::FitTexts() {
    if (!ItemWindow(Item::Label3)) return;  // the controls are still being made
    RECT client;
    GetClientRect(FWindow, &client);
    const int needed = NeededClientWidth(TextWidthsNow(), FDpi);
    if (client.right < needed) {
        RECT outer = {0, 0, needed, client.bottom};
        AdjustWindowRectExForDpi(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0, static_cast<UINT>(FDpi));
        SetWindowPos(FWindow, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
    }
    LayOut();
}

void TForm1::LayOut() {
    if (!ItemWindow(Item::Label3)) return;
    RECT client;
    GetClientRect(FWindow, &client);
    const TextWidths widths = TextWidthsNow();
    for (const Placement& p : Placements()) {
        const Box r = Place(p, client.right, client.bottom, widths[static_cast<std::size_t>(p.item)], FDpi);
        SetWindowPos(ItemWindow(p.item), nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(FWindow, nullptr, TRUE);
}

LRESULT TForm1::ColourOf(HDC dc, HWND control) {
    COLORREF colour = GetSysColor(COLOR_WINDOWTEXT);
    if (control == ItemWindow(Item::Label1) || control == ItemWindow(Item::Label2)) colour = GetSysColor(COLOR_GRAYTEXT);
    if (control == ItemWindow(Item::Label3)) colour = RGB(128, 128, 128);
    if (control == ItemWindow(Item::l_Info)) colour = RGB(0, 0, 255);
    SetTextColor(dc, colour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void TForm1::DrawRunButton(const DRAWITEMSTRUCT& item) {
    RECT r = item.rcItem;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    const std::wstring text = WindowText(item.hwndItem);
    HGDIOBJ old = SelectObject(item.hDC, FFont);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, RGB(255, 0, 0));
    if (pushed) OffsetRect(&r, 1, 1);
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(item.hDC, old);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -Scaled(4, FDpi), -Scaled(4, FDpi));
        DrawFocusRect(item.hDC, &focus);
    }
}

void TForm1::Click(Item item) {
    if (FRunning) return;
    if (item == Item::b_OpenDBF) FLogic.Guarded([this] { FLogic.b_OpenDBFClick(); });
    if (item == Item::b_XML) FLogic.Guarded([this] { FLogic.b_XMLClick(); });
    if (item == Item::b_Run) StartRun();
}

void TForm1::StartRun() {
    FLogic.Guarded([this] {
        RunJob job = FLogic.BeginRun();
        FRunning = true;
        // The window stays responsive: the conversion runs on a thread of its own and hands
        // what the window shows to the window's thread.
        FWorker = std::thread([this, job = std::move(job)] {
            WorkerView view(FWindow);
            FOutcome = TWindowLogic::Convert(view, FOwner, job);
            PostMessageW(FWindow, kRunEnded, 0, 0);
        });
    });
}

void TForm1::RunEnded() {
    FWorker.join();
    FRunning = false;
    FLogic.EndRun(FOutcome);
    FOutcome = {};
    if (FCloseAfterRun) DestroyWindow(FWindow);
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->FWindow = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return form ? form->Handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TForm1::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) Click(static_cast<Item>(LOWORD(wParam) - kFirstControlId));
            return 0;
        case WM_DRAWITEM:
            DrawRunButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return ColourOf(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_SIZE:
            LayOut();
            return 0;
        case WM_GETMINMAXINFO: {
            // The smallest outer size, widened as the texts need.
            const int extra = NeededClientWidth(TextWidthsNow(), FDpi) - Scaled(kClientWidth, FDpi);
            RECT outer = {0, 0, Scaled(kMinClientWidth, FDpi) + extra, Scaled(kMinClientHeight, FDpi)};
            AdjustWindowRectExForDpi(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0, static_cast<UINT>(FDpi));
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = {outer.right - outer.left, outer.bottom - outer.top};
            return 0;
        }
        case WM_DPICHANGED: {
            FDpi = HIWORD(wParam);
            MakeFonts();
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(FWindow, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            FitTexts();
            return 0;
        }
        case kViewCall:
            (*reinterpret_cast<const std::function<void(IConversionView&)>*>(lParam))(*this);
            return 0;
        case kRunEnded:
            RunEnded();
            return 0;
        case WM_CLOSE:
            if (FRunning) {
                // The unfinished document is removed and the program ends, as on Ctrl-C; a
                // document already taking its target's place finishes first.
                platform::EndRun(kInterrupt);
                FCloseAfterRun = true;
                ShowWindow(FWindow, SW_HIDE);
                return 0;
            }
            DestroyWindow(FWindow);
            return 0;
        case WM_DESTROY:
            FWindow = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(FWindow, message, wParam, lParam);
}

void TForm1::SetVisible(Control c, bool visible) {
    ShowWindow(ControlWindow(c), visible ? SW_SHOW : SW_HIDE);
}

void TForm1::SetText(Control c, const std::string& text) {
    FShowsPath[static_cast<std::size_t>(ItemOf(c))] = false;
    SetWindowTextW(ControlWindow(c), Wide(text).c_str());
    FitTexts();
}

void TForm1::SetGaugeRange(int minValue, int maxValue) {
    SendMessageW(ItemWindow(Item::Gauge), kGaugeSetRange, static_cast<WPARAM>(minValue), maxValue);
}

void TForm1::SetGaugeProgress(int progress) {
    SendMessageW(ItemWindow(Item::Gauge), kGaugeSetProgress, static_cast<WPARAM>(progress), 0);
}

void TForm1::ShowMessage(const std::string& text) {
    ShowPlainBox(FWindow, Wide(text));
}

void TForm1::ShowPath(Control c, const std::string& path) {
    FShowsPath[static_cast<std::size_t>(ItemOf(c))] = true;
    SetWindowTextW(ControlWindow(c), Wide(path).c_str());
    FitTexts();
}

std::optional<std::string> TForm1::AskTable() {
    const std::optional<std::wstring> chosen = FDialogs.OpenDBF(FWindow);
    if (!chosen) return std::nullopt;
    return Narrow(*chosen);
}

std::optional<std::string> TForm1::AskTarget(const std::string& current) {
    const std::optional<std::wstring> chosen = FDialogs.SaveXML(FWindow, Wide(current));
    if (!chosen) return std::nullopt;
    return Narrow(*chosen);
}

void TForm1::ShowError(const std::string& caption, const std::string& text) {
    ShowErrorBox(FWindow, Wide(caption), Wide(text));
}

}  // namespace korvane::app::win
