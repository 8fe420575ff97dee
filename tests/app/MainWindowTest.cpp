// The window on Qt's offscreen platform: states, transitions, geometry, errors, pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>

#include "app/ErrorText.h"
#include "app/Gauge.h"
#include "app/MainWindow.h"
#include "conversion/ConversionTexts.h"
#include "platform/Version.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::app {
namespace {

using test::TableBuilder;
using test::TempDir;

class ScriptedDialogs : public IFileDialogs {
public:
    std::optional<QString> OpenDBF(QWidget*) override { return Next(); }
    std::optional<QString> SaveXML(QWidget*, const QString& current) override {
        shownTarget = current;
        return Next();
    }
    std::deque<std::optional<QString>> answers;
    QString shownTarget;

private:
    std::optional<QString> Next() {
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

class RecordingBoxes : public IMessageBoxes {
public:
    void ShowMessage(QWidget* parent, const QString& text) override {
        plain.push_back(text);
        if (whileShown) whileShown(parent, MakePlainBox(parent, text));
    }
    void ShowError(QWidget* parent, const QString& caption, const QString& text) override {
        errors.push_back(caption + "|" + text);
        if (whileShown) whileShown(parent, MakeErrorBox(parent, caption, text));
    }
    std::vector<QString> plain;
    std::vector<QString> errors;
    // Called while a box would be open: the window as it stands behind it, and the box.
    std::function<void(QWidget*, std::unique_ptr<QMessageBox>)> whileShown;
};

// Saves a picture of a message box as the user sees it.
void SaveBox(std::unique_ptr<QMessageBox> box, const char* name) {
    box->show();
    box->grab().save(QStringLiteral(KORVANE_PICTURE_DIR "/window-%1.png").arg(QString::fromLatin1(name)));
    box->close();
}

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class MainWindowTest : public ::testing::Test {
public:
    MainWindowTest() : form(owner, dialogs, boxes, test::DefaultTestSettings()) { form.show(); }

    template <typename T>
    T* Find(const char* name) {
        return form.findChild<T*>(QString::fromLatin1(name));
    }
    // Visibility of b_OpenDBF, b_XML, b_Run, l_XML, l_Info, Gauge.
    std::string Visible() {
        std::string s;
        for (QWidget* w :
             std::initializer_list<QWidget*>{form.b_OpenDBF, form.b_XML, form.b_Run, form.l_XML, form.l_Info, form.Gauge})
            s += w->isVisible() ? '1' : '0';
        return s;
    }
    void Save(const char* state) {
        form.grab().save(QStringLiteral(KORVANE_PICTURE_DIR "/window-%1.png").arg(QString::fromLatin1(state)));
    }

    TableOwner owner;
    ScriptedDialogs dialogs;
    RecordingBoxes boxes;
    TForm1 form;
};

void ExpectStartState(MainWindowTest& t) {
    EXPECT_EQ(t.Visible(), "100010");
    EXPECT_EQ(t.form.l_DBF->text(), Q("Není vybrán žádný soubor"));
    EXPECT_EQ(t.form.l_XML->text(), Q("Zatím nic ..."));
    EXPECT_EQ(t.form.l_Info->text(), Q("Vyberte soubor DBF k převodu ..."));
    EXPECT_EQ(t.form.b_OpenDBF->text(), Q("1. Nová DBF"));
    EXPECT_EQ(t.form.Gauge->Progress(), 0);
}

TEST_F(MainWindowTest, StartState) {
    EXPECT_EQ(form.windowTitle(), Q("Korvane ver. " KORVANE_VERSION));
    EXPECT_EQ(form.size(), QSize(467, 232));
    ExpectStartState(*this);
    EXPECT_EQ(form.b_OpenDBF->text(), Q("1. Nová DBF"));
    EXPECT_EQ(form.b_XML->text(), Q("2. Změnit cestu XML"));
    EXPECT_EQ(form.b_Run->text(), Q("3. Vytvořit XML"));
    EXPECT_EQ(Find<QLabel>("Label1")->text(), Q("Tabulka DBF:"));
    EXPECT_EQ(Find<QLabel>("Label2")->text(), Q("Cílové XML:"));
    EXPECT_TRUE(Find<QLabel>("Label3")->isVisible());
    EXPECT_EQ(form.b_OpenDBF->geometry(), QRect(115, 12, 118, 25));
    EXPECT_EQ(form.Gauge->geometry(), QRect(8, 186, 442, 15));
    EXPECT_EQ(form.Gauge->MaxValue(), 100);
    Save("start");
}

TEST_F(MainWindowTest, ChoosingChangingAndChoosingAgain) {
    dialogs.answers = {Q("/data/ADRESY.DBF"), Q("/tmp/jine.xml"), Q("/data.old/ADRESY"), std::nullopt};
    form.b_OpenDBF->click();
    EXPECT_EQ(Visible(), "111100");
    EXPECT_EQ(form.l_DBF->text(), Q("/data/ADRESY.DBF"));
    EXPECT_EQ(form.l_XML->text(), Q("/data/ADRESY.xml"));
    Save("chosen");
    form.b_XML->click();
    EXPECT_EQ(dialogs.shownTarget, Q("/data/ADRESY.xml"));
    EXPECT_EQ(form.l_XML->text(), Q("/tmp/jine.xml"));
    form.b_OpenDBF->click();
    EXPECT_EQ(form.l_XML->text(), Q("/data.old/ADRESY.xml"));
    form.b_OpenDBF->click();  // cancelled: nothing changes
    EXPECT_EQ(form.l_DBF->text(), Q("/data.old/ADRESY"));
    EXPECT_EQ(Visible(), "111100");
}

// "Open with" names the table on the command line: it is chosen as the open dialog chooses.
TEST_F(MainWindowTest, ATableNamedAtStartIsChosen) {
    form.ChooseTable(Q("/data/ADRESY.DBF"));
    EXPECT_EQ(Visible(), "111100");
    EXPECT_EQ(form.TargetPath(), Q("/data/ADRESY.xml"));
    EXPECT_EQ(form.l_XML->text(), Q("/data/ADRESY.xml"));
}

TEST_F(MainWindowTest, RunToTheFinishedStateWritesWhatTheCommandLineWrites) {
    TempDir dir;
    const std::string table = dir.Write("t.dbf", TableBuilder()
                                                     .Field("JMENO", 'C', 10)
                                                     .Record({"\xAC"
                                                              "ech"})
                                                     .Bytes());
    dialogs.answers = {QString::fromStdString(table), std::nullopt};
    form.b_OpenDBF->click();
    form.b_Run->click();
    EXPECT_TRUE(boxes.errors.empty());
    EXPECT_EQ(Visible(), "100010");
    EXPECT_EQ(form.l_Info->text(), Q("Hotovo ...."));
    EXPECT_EQ(form.l_DBF->text(), Q("Vyberte další soubor ...."));
    EXPECT_EQ(form.Gauge->MaxValue(), 1);
    EXPECT_EQ(form.Gauge->PercentDone(), 100);
    EXPECT_EQ(test::ReadFile(dir.Path("t.xml")), test::Convert(table, dir.Path("cli.xml")));
    EXPECT_NE(test::ReadFile(dir.Path("t.xml"))
                  .find("JMENO=\"\xC4\x8C"
                        "ech\""),
              std::string::npos);
    Save("finished");
    form.b_OpenDBF->click();  // cancelled in the finished state
    EXPECT_EQ(Visible(), "100010");
}

// After the box of a failed open or run is closed, the window is as it started, so the user
// can choose another table.
void ExpectStartState(MainWindowTest& t);

TEST_F(MainWindowTest, TableThatCannotBeOpenedReturnsToTheStartState) {
    TempDir dir;
    dialogs.answers = {QString::fromStdString(dir.Path("missing.dbf"))};
    std::string behind;
    boxes.whileShown = [&](QWidget*, std::unique_ptr<QMessageBox> box) {
        behind = Visible();
        EXPECT_EQ(form.l_Info->text(), Q("Tabulka se otevírá ...."));
        SaveBox(std::move(box), "open-failure");
    };
    form.b_OpenDBF->click();
    form.b_Run->click();
    ASSERT_EQ(boxes.plain.size(), 1u);
    EXPECT_EQ(boxes.plain[0], QString::fromStdString("Open DBF: Open: file not found: \"" + dir.Path("missing.dbf") + "\"."));
    EXPECT_EQ(behind, "000111");  // the running state while the box is open
    EXPECT_EQ(owner.Count(), 0u);
    ExpectStartState(*this);
}

TEST_F(MainWindowTest, ErrorDuringTheRunIsShownWithAStopBoxThenTheStartState) {
    TempDir dir;
    // The tenth of twenty records refers to a memo that the system refuses to read (the
    // test's own memory at an address nothing is mapped at): the run fails half-way.
    TableBuilder b(0x83);
    b.Field("M", 'M', 10);
    for (int i = 0; i < 20; ++i) b.Record({i == 9 ? "1" : ""});
    const std::string table = dir.Write("t.dbf", b.Bytes());
    std::filesystem::create_symlink("/proc/self/mem", dir.Path("t.dbt"));
    dialogs.answers = {QString::fromStdString(table), QString::fromStdString(dir.Path("t.dbf"))};
    std::string behind;
    int percent = -1;
    boxes.whileShown = [&](QWidget*, std::unique_ptr<QMessageBox> box) {
        behind = Visible();
        percent = form.Gauge->PercentDone();
        Save("running");
        SaveBox(std::move(box), "run-failure");
    };
    form.b_OpenDBF->click();
    form.b_Run->click();
    ASSERT_EQ(boxes.errors.size(), 1u);
    EXPECT_EQ(
        boxes.errors[0],
        Q((ApplicationTitle(QCoreApplication::applicationFilePath().toStdString()) + "|Error while reading occured.").c_str()));
    EXPECT_EQ(behind, "000111");
    EXPECT_EQ(percent, 50);
    EXPECT_EQ(owner.Count(), 0u);  // the table the run left open is released
    ExpectStartState(*this);
    // The user goes on: the same table is chosen again.
    form.b_OpenDBF->click();
    EXPECT_EQ(Visible(), "111100");
}

// A table cut short is corrected as the window always does and told after the finished state,
// with the memos its memo file cuts.
TEST_F(MainWindowTest, ATableCutShortIsToldAfterTheFinishedState) {
    TempDir dir;
    TableBuilder b(0x83);
    b.Field("M", 'M', 10).HeaderRecordCount(10);
    for (const char* block : {"1", "7"}) b.Record({block});
    const std::string table = dir.Write("t.dbf", b.Bytes());
    dir.Write("t.dbt", test::MemoBuilder::Dbt(512).Block(1, "memo\x1A\x1A").Bytes());
    dialogs.answers = {QString::fromStdString(table), QString::fromStdString(dir.Path("t.xml"))};
    form.b_OpenDBF->click();
    form.b_Run->click();
    ASSERT_EQ(boxes.plain.size(), 1u);
    EXPECT_EQ(boxes.plain[0], Q("Hlavička tabulky uvádí 10 záznamů, soubor jich obsahuje jen 2.\n"
                                "Některé poznámky přesahují konec souboru poznámek a jsou zkrácené (1). První: záznam 2, "
                                "pole M, blok 7"));
    EXPECT_EQ(test::ReadFile(table)[4], 2);
}

// Time stamps that form none are written empty; once the window shows the run finished, one
// plain box says how many there were and which came first. A run without them shows none.
TEST_F(MainWindowTest, UnreadableValuesAreToldAfterTheFinishedState) {
    TempDir dir;
    TableBuilder b(0x30);
    b.Field("CAS", 'T', 8);
    for (int i = 1; i <= 40; ++i)
        b.RawRecord(i == 17 || i == 20 ? test::Le32(0) + test::Le32(5) : test::Le32(2460311) + test::Le32(0));
    const std::string table = dir.Write("t.dbf", b.Bytes());
    const std::string plain =
        dir.Write("p.dbf", TableBuilder(0x30).Field("CAS", 'T', 8).RawRecord(test::Le32(2460311) + test::Le32(0)).Bytes());
    dialogs.answers = {QString::fromStdString(table), QString::fromStdString(plain)};
    QString behind;
    boxes.whileShown = [&](QWidget*, std::unique_ptr<QMessageBox> box) {
        behind = form.l_Info->text();
        SaveBox(std::move(box), "values-left-empty");
    };
    form.b_OpenDBF->click();
    form.b_Run->click();
    ASSERT_EQ(boxes.plain.size(), 1u);
    EXPECT_EQ(boxes.plain[0], Q("Některé hodnoty nešlo přečíst (2); v dokumentu jsou prázdné. První: záznam 17, pole CAS: "
                                "00 00 00 00 05 00 00 00 není platné datum a čas"));
    EXPECT_EQ(behind, Q("Hotovo ...."));
    EXPECT_TRUE(boxes.errors.empty());
    const std::string xml = dir.Read("t.xml");
    EXPECT_NE(xml.find("<row CAS=\"\" />"), std::string::npos);
    EXPECT_TRUE(xml.ends_with("</table>\r\n"));
    form.b_OpenDBF->click();
    form.b_Run->click();
    EXPECT_EQ(boxes.plain.size(), 1u);
}

// Notes are the command line's: a table whose text is likely in the code page it declares
// converts in the window with nothing to tell.
TEST_F(MainWindowTest, NotesAreNotShown) {
    TempDir dir;
    const std::string table = dir.Write("k.dbf", TableBuilder().LanguageId(0x68).Field("T", 'C', 4).Record({"\x80\x87"}).Bytes());
    dialogs.answers = {QString::fromStdString(table)};
    form.b_OpenDBF->click();
    form.b_Run->click();
    EXPECT_TRUE(boxes.plain.empty());
    EXPECT_TRUE(boxes.errors.empty());
    EXPECT_EQ(form.l_Info->text(), Q("Hotovo ...."));
}

TEST_F(MainWindowTest, FailedRunLeavesTheEarlierTargetIntact) {
    TempDir dir;
    const std::string table = dir.Write("t.dbf", TableBuilder(0x83).Field("M", 'M', 10).Record({""}).Record({"1"}).Bytes());
    std::filesystem::create_symlink("/proc/self/mem", dir.Path("t.dbt"));
    dir.Write("t.xml", "earlier document");
    dialogs.answers = {QString::fromStdString(table)};
    form.b_OpenDBF->click();
    form.b_Run->click();
    ASSERT_EQ(boxes.errors.size(), 1u);
    EXPECT_EQ(
        boxes.errors[0],
        Q((ApplicationTitle(QCoreApplication::applicationFilePath().toStdString()) + "|Error while reading occured.").c_str()));
    EXPECT_EQ(dir.Read("t.xml"), "earlier document");
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path(""))) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"t.dbf", "t.dbt", "t.xml"}));
}

// Every text of every state fits its control, by the metrics of the font it is drawn in: at 9
// and at 13 points of DejaVu Sans, as a standard Debian desktop has it. Controls keep their
// places and grow to the right, and the window with them; a long path is elided in the middle,
// whole in its tool tip, and the run still uses it whole.
TEST_F(MainWindowTest, EveryTextFitsItsControl) {
    TempDir dir;
    std::string folder = dir.Path("");
    while (folder.size() < 200) folder += "slozka s dlouhym nazvem/";
    std::filesystem::create_directories(folder);
    const std::string table = folder + "adresy.dbf";
    test::WriteFile(table, TableBuilder().Field("X", 'C', 4).Record({"one"}).Bytes());
    auto fits = [&](const char* state) {
        for (QWidget* w : form.findChildren<QWidget*>()) {
            QString text;
            int room = w->width();
            if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
            if (auto* button = qobject_cast<QPushButton*>(w)) {
                text = button->text();
                room -= 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
            }
            if (text.isEmpty()) continue;
            EXPECT_LE(w->fontMetrics().horizontalAdvance(text), room) << state << ": " << w->objectName().toStdString();
            EXPECT_LE(w->geometry().right(), form.width()) << state << ": " << w->objectName().toStdString();
        }
    };
    for (const int points : {9, 13}) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(points);
        form.setFont(font);
        ASSERT_EQ(QFontInfo(form.font()).family(), QStringLiteral("DejaVu Sans"));
        fits("start");
        // The designed places stay.
        EXPECT_EQ(form.b_XML->x(), 145);
        EXPECT_EQ(form.b_Run->pos(), QPoint(175, 144));
        dialogs.answers = {QString::fromStdString(table)};
        form.b_OpenDBF->click();
        fits("chosen");
        EXPECT_NE(form.l_DBF->text().toStdString(), table);
        EXPECT_TRUE(form.l_DBF->text().contains(QStringLiteral("…")));
        EXPECT_EQ(form.l_DBF->toolTip().toStdString(), table);
        EXPECT_EQ(form.TablePath().toStdString(), table);
        form.b_Run->click();
        fits("finished");
        EXPECT_TRUE(boxes.errors.empty());
        EXPECT_NE(test::ReadFile(folder + "adresy.xml").find("<row X=\"one\" />"), std::string::npos);
        // Widening is kept when the window is made smaller than its texts need.
        form.resize(100, 100);
        fits("smallest");
        if (points == 13) Save("large-font");
    }
}

TEST_F(MainWindowTest, ResizingStretchesAndMovesTheAnchoredControls) {
    form.resize(600, 300);
    EXPECT_EQ(form.l_DBF->geometry(), QRect(8, 48, 442 + 133, 13));
    EXPECT_EQ(form.l_Info->geometry(), QRect(8, 150, 442 + 133, 13));
    EXPECT_EQ(form.Gauge->geometry(), QRect(8, 186, 442 + 133, 15));
    EXPECT_EQ(form.b_Run->geometry(), QRect(175, 144, 118, 33));
    EXPECT_EQ(Find<QLabel>("Label3")->geometry(), QRect(277 + 133, 219 + 68, 182, 15));
    form.resize(100, 100);
    EXPECT_GE(form.width(), TForm1::kMinClientWidth);
    EXPECT_GE(form.height(), TForm1::kMinClientHeight);
}

TEST(Gauge, ClampsAndComputesItsPercentage) {
    TGauge gauge;
    gauge.SetProgress(150);
    EXPECT_EQ(gauge.Progress(), 100);
    gauge.SetRange(0, 0);
    EXPECT_EQ(gauge.PercentDone(), 0);
    gauge.SetRange(0, 3);
    gauge.SetProgress(2);
    EXPECT_EQ(gauge.PercentDone(), 66);
    gauge.SetProgress(-1);
    EXPECT_EQ(gauge.Progress(), 0);
}

}  // namespace
}  // namespace korvane::app

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
