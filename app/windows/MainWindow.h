// Korvane's window on Windows: the window logic's controls as Win32 controls, the run on a
// worker thread that passes its view calls to the window.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <thread>

#include "app/Layout.h"
#include "app/WindowLogic.h"
#include "app/windows/Dialogs.h"

namespace korvane::app::win {

// The controls' identifiers: kFirstControlId + the Item.
inline constexpr int kFirstControlId = 100;
inline constexpr const wchar_t* kWindowClass = L"KorvaneWindow";

class TForm1 final : private IWindowView {
public:
    TForm1(HINSTANCE instance, TableOwner& owner, platform::PlatformSettings settings, std::string applicationTitle);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    HWND Handle() const { return FWindow; }
    // A table named on the command line, as "Open with" gives it.
    void ChooseTable(const std::string& path);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    // Fonts for the window's dots per inch: Tahoma 8 pt, bold for the status line.
    void MakeFonts();
    HWND ItemWindow(Item item) const { return FItems[static_cast<std::size_t>(item)]; }
    HWND ControlWindow(Control control) const;
    int TextWidth(Item item) const;
    TextWidths TextWidthsNow() const;
    // Widens the window as its texts need, then puts every control at its place.
    void FitTexts();
    void LayOut();
    LRESULT ColourOf(HDC dc, HWND control);
    void DrawRunButton(const DRAWITEMSTRUCT& item);
    void Click(Item item);
    void StartRun();
    void RunEnded();

    // The window logic's view.
    void SetVisible(Control control, bool visible) override;
    void SetText(Control control, const std::string& text) override;
    void SetGaugeRange(int minValue, int maxValue) override;
    void SetGaugeProgress(int progress) override;
    void ShowMessage(const std::string& text) override;
    void ShowPath(Control label, const std::string& path) override;
    std::optional<std::string> AskTable() override;
    std::optional<std::string> AskTarget(const std::string& current) override;
    void ShowError(const std::string& caption, const std::string& text) override;

    HINSTANCE FInstance;
    HWND FWindow = nullptr;
    std::array<HWND, kItemCount> FItems{};
    HFONT FFont = nullptr;
    HFONT FBoldFont = nullptr;
    int FDpi = 96;
    // The labels that show a path (elided in the middle by the system where it is long).
    std::array<bool, kItemCount> FShowsPath{};
    TableOwner& FOwner;
    FileDialogs FDialogs;
    TWindowLogic FLogic;
    std::thread FWorker;
    RunOutcome FOutcome;
    bool FRunning = false;
    bool FCloseAfterRun = false;
};

}  // namespace korvane::app::win
