// The window logic through a view that keeps what a window would show: the states, their
// texts, the proposed target, the run and the way back after a failure.
#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "app/ErrorText.h"
#include "app/WindowLogic.h"
#include "tests/support/ScriptedFiles.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::app {
namespace {

using test::TableBuilder;

class ShownWindow : public IWindowView {
public:
    void SetVisible(Control c, bool v) override { visible[c] = v; }
    void SetText(Control c, const std::string& t) override { text[c] = t; }
    void SetGaugeRange(int, int maxValue) override { gaugeMax = maxValue; }
    void SetGaugeProgress(int p) override { progress = p; }
    void ShowMessage(const std::string& t) override { Box("plain: " + t); }
    void ShowPath(Control c, const std::string& path) override { text[c] = path; }
    std::optional<std::string> AskTable() override { return Next(); }
    std::optional<std::string> AskTarget(const std::string& current) override {
        askedWith = current;
        return Next();
    }
    void ShowError(const std::string& caption, const std::string& t) override { Box("error: " + caption + ": " + t); }

    // Visibility of b_OpenDBF, b_XML, b_Run, l_XML, l_Info, Gauge.
    std::string Visible() {
        std::string s;
        for (Control c : {Control::b_OpenDBF, Control::b_XML, Control::b_Run, Control::l_XML, Control::l_Info, Control::Gauge})
            s += visible[c] ? '1' : '0';
        return s;
    }

    std::map<Control, bool> visible;
    std::map<Control, std::string> text;
    int gaugeMax = 100;
    int progress = -1;
    std::deque<std::optional<std::string>> answers;
    std::string askedWith;
    // Each box with the controls' visibility behind it.
    std::vector<std::string> boxes;

private:
    void Box(const std::string& what) { boxes.push_back(Visible() + " " + what); }
    std::optional<std::string> Next() {
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

// Each step's action, then the window after it: visibility, the three labels, the boxes shown.
TEST(WindowLogic, StatesAndTransitions) {
    test::TempDir dir;
    const std::string target = dir.Path("out.xml");
    test::ScriptedFileSystem files;
    files.Put("/d/t.dbf", Bytes(TableBuilder()
                                    .Field("JMENO", 'C', 10)
                                    .Record({"\xAC"
                                             "ech"})
                                    .Record({"x"})
                                    .Bytes()));
    // The memo file fails on the second of three records: the run ends with an error.
    TableBuilder memoTable(0x83);
    memoTable.Field("M", 'M', 10);
    for (int i = 0; i < 3; ++i) memoTable.Record({i == 1 ? "1" : ""});
    files.Put("/d/m.dbf", Bytes(memoTable.Bytes()));
    files.Put("/d/m.dbt", Bytes(test::MemoBuilder::Dbt(512).Block(1, "memo\x1A\x1A").Bytes()));
    files.Script("/d/m.dbt", {512, 5, 0, 0});
    files.Put("/d/ts.dbf", Bytes(TableBuilder(0x30).Field("CAS", 'T', 8).RawRecord(test::Le32(0) + test::Le32(5)).Bytes()));

    TableOwner owner;
    ShownWindow view;
    ConversionOptions options;
    options.settings = test::DefaultTestSettings();
    options.files = &files;
    TWindowLogic logic(view, owner, options, "Korvane");
    logic.ShowStartState();

    const std::string start = "100010 Není vybrán žádný soubor|Zatím nic ...|Vyberte soubor DBF k převodu ...";
    const std::string finished = "100010 Vyberte další soubor ....|" + target + "|Hotovo ....";
    struct Step {
        const char* action;
        std::vector<std::optional<std::string>> answers;
        std::string window;
        std::vector<std::string> boxes;
    };
    const std::vector<Step> steps = {
        {"start", {}, start, {}},
        {"open", {std::nullopt}, start, {}},
        {"open", {"/d/ADRESY.DBF"}, "111100 /d/ADRESY.DBF|/d/ADRESY.xml|Vyberte soubor DBF k převodu ...", {}},
        {"xml", {"/x/jine.xml"}, "111100 /d/ADRESY.DBF|/x/jine.xml|Vyberte soubor DBF k převodu ...", {}},
        {"xml", {std::nullopt}, "111100 /d/ADRESY.DBF|/x/jine.xml|Vyberte soubor DBF k převodu ...", {}},
        // A table chosen again proposes a new target; a name without extension gets one.
        {"open", {"/d.old/ADRESY"}, "111100 /d.old/ADRESY|/d.old/ADRESY.xml|Vyberte soubor DBF k převodu ...", {}},
        {"run", {}, start, {"000111 plain: Open DBF: Open: file not found: \"/d.old/ADRESY\"."}},
        {"open", {"/d/t.dbf"}, "111100 /d/t.dbf|/d/t.xml|Vyberte soubor DBF k převodu ...", {}},
        {"xml", {target}, "111100 /d/t.dbf|" + target + "|Vyberte soubor DBF k převodu ...", {}},
        {"run", {}, finished, {}},
        {"open", {std::nullopt}, finished, {}},
        {"open", {"/d/m.dbf"}, "111100 /d/m.dbf|/d/m.xml|Hotovo ....", {}},
        {"xml", {target}, "111100 /d/m.dbf|" + target + "|Hotovo ....", {}},
        {"run", {}, start, {"000111 error: Korvane: Error while reading occured."}},
        {"open", {"/d/ts.dbf"}, "111100 /d/ts.dbf|/d/ts.xml|Vyberte soubor DBF k převodu ...", {}},
        {"xml", {target}, "111100 /d/ts.dbf|" + target + "|Vyberte soubor DBF k převodu ...", {}},
        // The values left empty are told once the window shows the run finished.
        {"run",
         {},
         finished,
         {"100010 plain: Některé hodnoty nešlo přečíst (1); v dokumentu jsou prázdné. První: záznam 1, pole CAS: 00 00 00 00 "
          "05 00 00 00 není platné datum a čas"}},
    };
    for (const Step& step : steps) {
        const std::string action = step.action;
        view.answers.assign(step.answers.begin(), step.answers.end());
        view.boxes.clear();
        if (action == "open") logic.b_OpenDBFClick();
        if (action == "xml") logic.b_XMLClick();
        if (action == "run") logic.b_RunClick();
        EXPECT_EQ(
            view.Visible() + " " + view.text[Control::l_DBF] + "|" + view.text[Control::l_XML] + "|" + view.text[Control::l_Info],
            step.window)
            << action << " " << step.window;
        EXPECT_EQ(view.boxes, step.boxes) << action << " " << step.window;
        EXPECT_TRUE(view.answers.empty()) << action;
        if (action == "run") {
            EXPECT_EQ(owner.Count(), 0u);
        }
    }
    EXPECT_EQ(view.askedWith, "/d/ts.xml");
    EXPECT_EQ(view.gaugeMax, 1);
    EXPECT_NE(test::ReadFile(target).find("<row CAS=\"\" />"), std::string::npos);
}

TEST(WindowLogic, TheDocumentIsTheCommandLines) {
    test::TempDir dir;
    const std::string table = dir.Write("t.dbf", TableBuilder()
                                                     .Field("JMENO", 'C', 10)
                                                     .Record({"\xAC"
                                                              "ech"})
                                                     .Bytes());
    TableOwner owner;
    ShownWindow view;
    ConversionOptions options;
    options.settings = test::DefaultTestSettings();
    TWindowLogic logic(view, owner, options, "Korvane");
    logic.ChooseTable(table);
    EXPECT_EQ(logic.TargetPath(), dir.Path("t.xml"));
    logic.b_RunClick();
    EXPECT_EQ(view.text[Control::l_Info], "Hotovo ....");
    const std::string xml = dir.Read("t.xml");
    EXPECT_EQ(xml, test::Convert(table, dir.Path("cli.xml")));
    EXPECT_NE(xml.find("JMENO=\"\xC4\x8C"
                       "ech\""),
              std::string::npos);
}

TEST(WindowLogic, ErrorBoxTextAndTitle) {
    const std::vector<std::pair<std::string, std::string>> texts = {{"Disk full", "Disk full."},
                                                                    {"Invalid DBF file.", "Invalid DBF file."},
                                                                    {"I/O error 103", "I/O error 103."},
                                                                    {"ends with -", "ends with -"},
                                                                    {"", ""},
                                                                    {"Soubor je zamčený", "Soubor je zamčený."}};
    for (const auto& [message, shown] : texts) EXPECT_EQ(ErrorBoxText(message), shown) << message;
    EXPECT_EQ(ApplicationTitle("/usr/bin/KORVANE.bin.x"), "Korvane");
    EXPECT_EQ(ApplicationTitle("/usr/bin/korvane"), "Korvane");
    if (test::kOnWindows) {
        EXPECT_EQ(ApplicationTitle("C:\\Program Files\\Korvane\\korvane.exe"), "Korvane");
    }
}

}  // namespace
}  // namespace korvane::app
