// korvane.exe driven from outside as a user would drive it, on the X display Wine draws on:
// its states and boxes, each control's text, the room each text has at 96 and 192 dpi, and a
// picture of each state and box in the build folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <thread>

#include "app/Layout.h"
#include "app/windows/Gauge.h"
#include "app/windows/MainWindow.h"
#include "platform/Settings.h"
#include "platform/Version.h"
#include "platform/windows/WidePath.h"
#include "tests/app/windows/Picture.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::test {
namespace {

using platform::Narrow;
using platform::Wide;

// The controls in the order they are declared, as the window numbers them.
enum Item { b_OpenDBF, l_DBF, l_XML, Label1, b_XML, Label2, b_Run, Gauge, l_Info, Label3, kItems };
static_assert(kItems == app::kItemCount && Label3 == static_cast<int>(app::Item::Label3) &&
              l_Info == static_cast<int>(app::Item::l_Info));
const char* const kNames[] = {"b_OpenDBF", "l_DBF", "l_XML", "Label1", "b_XML", "Label2", "b_Run", "Gauge", "l_Info", "Label3"};

std::string TextOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return Narrow(text);
}

bool WaitFor(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // What the window draws reaches the X display a moment later.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return true;
}

// The visible top-level window of `process` of the class, or nullptr.
HWND WindowOf(DWORD process, const wchar_t* windowClass) {
    struct Search {
        DWORD process;
        const wchar_t* windowClass;
        HWND found;
    } search = {process, windowClass, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (owner != s->process || !IsWindowVisible(window) || std::wstring(name) != s->windowClass) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Sets the dots per inch that programs started from now on get.
void SetDpi(int dpi) {
    const DWORD value = static_cast<DWORD>(dpi);
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &value, sizeof value);
    RegSetKeyValueW(HKEY_CURRENT_CONFIG, L"Software\\Fonts", L"LogPixels", REG_DWORD, &value, sizeof value);
}

class Korvane {
public:
    explicit Korvane(const std::string& table, int dpi = 96) : FDpi(dpi) {
        SetDpi(dpi);
        std::wstring command = L"\"" + Wide(KORVANE_WINDOW) + L"\"";
        if (!table.empty()) command += L" \"" + Wide(table) + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &FProcess))
            ADD_FAILURE() << "korvane.exe did not start";
        WaitFor([&] { return (FWindow = WindowOf(FProcess.dwProcessId, L"KorvaneWindow")) != nullptr; });
    }
    ~Korvane() {
        if (FWindow) PostMessageW(FWindow, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(FProcess.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(FProcess.hProcess, 1);
        CloseHandle(FProcess.hThread);
        CloseHandle(FProcess.hProcess);
        SetDpi(96);
    }
    Korvane(const Korvane&) = delete;
    Korvane& operator=(const Korvane&) = delete;

    HWND Window() const { return FWindow; }
    HWND Control(Item item) const { return GetDlgItem(FWindow, app::win::kFirstControlId + item); }
    std::string Text(Item item) const { return TextOf(Control(item)); }
    // Visibility of b_OpenDBF, b_XML, b_Run, l_XML, l_Info, Gauge.
    std::string Visible() const {
        std::string s;
        for (Item item : {b_OpenDBF, b_XML, b_Run, l_XML, l_Info, Gauge}) s += IsWindowVisible(Control(item)) ? '1' : '0';
        return s;
    }
    // The button is pressed without waiting for what it opens.
    void Click(Item item) const { PostMessageW(Control(item), BM_CLICK, 0, 0); }
    // The message box the window shows, once it shows one.
    HWND Box() const {
        HWND box = nullptr;
        WaitFor([&] { return (box = WindowOf(FProcess.dwProcessId, L"#32770")) != nullptr; });
        return box;
    }
    void Picture(HWND window, const char* name) const {
        EXPECT_TRUE(SaveWindowPicture(window, std::string(KORVANE_PICTURE_DIR) + "\\win32-" + name + ".png")) << name;
    }
    // Every visible control's text fits it, measured in the font it is drawn in (Tahoma 8 pt
    // at the window's dots per inch, bold for the status line); buttons keep a margin.
    void ExpectTextsFit(const char* state) const {
        HDC dc = GetDC(FWindow);
        for (int i = 0; i < kItems; ++i) {
            const Item item = static_cast<Item>(i);
            const std::wstring text = Wide(Text(item));
            if (!IsWindowVisible(Control(item)) || text.empty()) continue;
            HFONT font = CreateFontW(-MulDiv(8, FDpi, 72), 0, 0, 0, item == l_Info ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                     DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
            HGDIOBJ old = SelectObject(dc, font);
            SIZE extent = {};
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
            SelectObject(dc, old);
            DeleteObject(font);
            RECT r;
            GetClientRect(Control(item), &r);
            const bool button = item == b_OpenDBF || item == b_XML || item == b_Run;
            EXPECT_LE(extent.cx + (button ? 2 * MulDiv(4, FDpi, 96) : 0), r.right)
                << state << " at " << FDpi << " dpi: " << kNames[i] << " \"" << Narrow(text) << "\"";
        }
        ReleaseDC(FWindow, dc);
    }

private:
    int FDpi;
    PROCESS_INFORMATION FProcess = {};
    HWND FWindow = nullptr;
};

std::string BoxText(HWND box) {
    return TextOf(GetDlgItem(box, 0xFFFF));
}

void CloseBox(HWND box) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    WaitFor([&] { return !IsWindow(box); });
}

const std::string kStart = "100010 Není vybrán žádný soubor|Zatím nic ...|Vyberte soubor DBF k převodu ...";

std::string Shown(const Korvane& k) {
    return k.Visible() + " " + k.Text(l_DBF) + "|" + k.Text(l_XML) + "|" + k.Text(l_Info);
}

TEST(Win32Window, StatesAtOneAndTwoTimesScale) {
    TempDir dir;
    const std::string table = dir.Write("adresy.dbf", TableBuilder()
                                                          .Field("JMENO", 'C', 10)
                                                          .Record({"\xAC"
                                                                   "ech"})
                                                          .Bytes());
    for (const int dpi : {96, 192}) {
        SCOPED_TRACE(dpi);
        {
            Korvane k("", dpi);
            ASSERT_TRUE(k.Window());
            EXPECT_EQ(TextOf(k.Window()), "Korvane ver. " KORVANE_VERSION);
            EXPECT_EQ(Shown(k), kStart);
            const std::vector<std::pair<Item, const char*>> texts = {
                {b_OpenDBF, "1. Nová DBF"},     {Label1, "Tabulka DBF:"},   {Label2, "Cílové XML:"},
                {b_XML, "2. Změnit cestu XML"}, {b_Run, "3. Vytvořit XML"}, {Label3, "Korvane — tabulky DBF do XML"}};
            for (const auto& [item, text] : texts) EXPECT_EQ(k.Text(item), text) << kNames[item];
            RECT client, button;
            GetClientRect(k.Window(), &client);
            GetWindowRect(k.Control(b_OpenDBF), &button);
            MapWindowPoints(nullptr, k.Window(), reinterpret_cast<POINT*>(&button), 2);
            EXPECT_EQ(client.bottom, MulDiv(232, dpi, 96));
            EXPECT_GE(client.right, MulDiv(467, dpi, 96));
            EXPECT_EQ(button.left, MulDiv(115, dpi, 96));
            EXPECT_EQ(button.top, MulDiv(12, dpi, 96));
            k.ExpectTextsFit("start");
            if (dpi == 96) k.Picture(k.Window(), "start");
        }
        Korvane k(table, dpi);
        ASSERT_TRUE(k.Window());
        EXPECT_EQ(Shown(k), "111100 " + table + "|" + dir.Path("adresy.xml") + "|Vyberte soubor DBF k převodu ...");
        k.ExpectTextsFit("chosen");
        if (dpi == 96) k.Picture(k.Window(), "chosen");
        k.Click(b_Run);
        ASSERT_TRUE(WaitFor([&] { return k.Text(l_Info) == "Hotovo ...."; }));
        EXPECT_EQ(Shown(k), "100010 Vyberte další soubor ....|" + dir.Path("adresy.xml") + "|Hotovo ....");
        EXPECT_EQ(SendMessageW(k.Control(Gauge), app::win::kGaugeGetPercent, 0, 0), 100);
        k.ExpectTextsFit("finished");
        if (dpi == 96) k.Picture(k.Window(), "finished");
        EXPECT_EQ(dir.Read("adresy.xml"), Convert(table, dir.Path("cli.xml"), platform::SettingsFromLocale()));
    }
}

// Each box as the user meets it, with the window behind it, and the state the window returns to.
TEST(Win32Window, Boxes) {
    TempDir dir;
    const std::string missing = dir.Path("chybi.dbf");
    const std::string blocked = dir.Write("blok.dbf", TableBuilder().Field("A", 'C', 4).Record({"x"}).Bytes());
    CreateDirectoryW(Wide(dir.Path("blok.xml")).c_str(), nullptr);  // the target is a folder
    const std::string stamps = dir.Write("cas.dbf", TableBuilder(0x30).Field("CAS", 'T', 8).RawRecord(Le32(0) + Le32(5)).Bytes());
    struct Case {
        const char* picture;
        std::string table;
        std::string caption;
        std::string text;
        std::string behind;
        std::string after;
    };
    const std::vector<Case> cases = {
        {"open-failure", missing, "Korvane ver. " KORVANE_VERSION, "Open DBF: Open: file not found: \"" + missing + "\".",
         "000111", kStart},
        {"run-failure", blocked, "Korvane", "File access denied.", "000111", kStart},
        {"values-left-empty", stamps, "Korvane ver. " KORVANE_VERSION,
         "Některé hodnoty nešlo přečíst (1); v dokumentu jsou prázdné. První: záznam 1, pole CAS: 00 00 00 00 05 00 00 00 "
         "není platné datum a čas",
         "100010", "100010 Vyberte další soubor ....|" + dir.Path("cas.xml") + "|Hotovo ...."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        Korvane k(c.table);
        ASSERT_TRUE(k.Window());
        k.Click(b_Run);
        HWND box = k.Box();
        ASSERT_TRUE(box);
        EXPECT_EQ(TextOf(box), c.caption);
        EXPECT_EQ(BoxText(box), c.text);
        EXPECT_EQ(k.Visible(), c.behind);
        if (std::string(c.picture) == "run-failure") k.Picture(k.Window(), "running");
        k.Picture(box, c.picture);
        CloseBox(box);
        EXPECT_TRUE(WaitFor([&] { return Shown(k) == c.after; })) << Shown(k);
    }
}

// The standard dialogs: a name typed without extension gets the dialog's, a cancelled dialog
// changes nothing.
TEST(Win32Window, FileDialogs) {
    TempDir dir;
    const std::string first = dir.Write("a.dbf", TableBuilder().Field("A", 'C', 4).Record({"x"}).Bytes());
    const std::string second = dir.Write("b.dbf", TableBuilder().Field("A", 'C', 4).Record({"x"}).Bytes());
    struct Step {
        Item button;
        std::string typed;  // empty: cancelled
        std::string after;
    };
    const std::vector<Step> steps = {
        {b_XML, dir.Path("jine"), "111100 " + first + "|" + dir.Path("jine.xml") + "|Vyberte soubor DBF k převodu ..."},
        {b_XML, "", "111100 " + first + "|" + dir.Path("jine.xml") + "|Vyberte soubor DBF k převodu ..."},
        {b_OpenDBF, second, "111100 " + second + "|" + dir.Path("b.xml") + "|Vyberte soubor DBF k převodu ..."},
        {b_OpenDBF, "", "111100 " + second + "|" + dir.Path("b.xml") + "|Vyberte soubor DBF k převodu ..."},
    };
    Korvane k(first);
    ASSERT_TRUE(k.Window());
    for (const Step& step : steps) {
        SCOPED_TRACE(step.after);
        k.Click(step.button);
        HWND dialog = k.Box();
        ASSERT_TRUE(dialog);
        // The dialog's file name field.
        constexpr int kFileName = 1152;
        if (step.button == b_XML && step.typed.empty()) k.Picture(dialog, "save-dialog");
        if (!step.typed.empty())
            SendMessageW(GetDlgItem(dialog, kFileName), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(step.typed).c_str()));
        PostMessageW(dialog, WM_COMMAND, step.typed.empty() ? IDCANCEL : IDOK, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
        EXPECT_EQ(Shown(k), step.after);
    }
}

}  // namespace
}  // namespace korvane::test

int main(int argc, char** argv) {
    // Coordinates and sizes as the screen has them, at every scale.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
