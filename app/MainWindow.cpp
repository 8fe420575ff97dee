#include "app/MainWindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <new>

#include "app/ErrorText.h"
#include "app/Gauge.h"
#include "conversion/ConversionTexts.h"
#include "platform/Exception.h"
#include "platform/Paths.h"

namespace korvane::app {

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A control anchored left and top keeps its place; one anchored right as well keeps its
// distance to the right edge; the footer keeps its distances to the right and bottom.
struct Placement {
    QWidget* widget;
    QRect designed;
    bool stretches;
    bool bottomRight;
};

// The window's view of the run.
class WindowView : public IConversionView {
public:
    WindowView(TForm1& form, IMessageBoxes& messages) : FForm(form), FMessages(messages) {}

    QWidget* Widget(Control c) {
        switch (c) {
            case Control::b_OpenDBF:
                return FForm.b_OpenDBF;
            case Control::l_DBF:
                return FForm.l_DBF;
            case Control::l_XML:
                return FForm.l_XML;
            case Control::b_XML:
                return FForm.b_XML;
            case Control::b_Run:
                return FForm.b_Run;
            case Control::Gauge:
                return FForm.Gauge;
            case Control::l_Info:
                return FForm.l_Info;
        }
        return nullptr;
    }
    void SetVisible(Control c, bool visible) override { Widget(c)->setVisible(visible); }
    void SetText(Control c, const std::string& text) override {
        if (auto* label = qobject_cast<QLabel*>(Widget(c))) label->setText(QString::fromStdString(text));
        if (auto* button = qobject_cast<QPushButton*>(Widget(c))) button->setText(QString::fromStdString(text));
    }
    void SetGaugeRange(int minValue, int maxValue) override { FForm.Gauge->SetRange(minValue, maxValue); }
    void SetGaugeProgress(int progress) override { FForm.Gauge->SetProgress(progress); }
    void ShowMessage(const std::string& text) override { FMessages.ShowMessage(&FForm, QString::fromStdString(text)); }

private:
    TForm1& FForm;
    IMessageBoxes& FMessages;
};

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text) {
    auto* label = new QLabel(Text(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(Text(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

TForm1::TForm1(TableOwner& owner, IFileDialogs& dialogs, IMessageBoxes& messages, QWidget* parent)
    : QWidget(parent), FOwner(owner), FDialogs(dialogs), FMessages(messages) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(Text(texts::kCaption));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);
    setAutoFillBackground(true);
    setPalette(QPalette(palette().color(QPalette::Button)));

    b_OpenDBF = MakeButton(this, "b_OpenDBF", texts::kOpenDbfButton);
    l_DBF = MakeLabel(this, "l_DBF", texts::kNoFileChosen);
    l_XML = MakeLabel(this, "l_XML", texts::kNothingYet);
    Label1 = MakeLabel(this, "Label1", texts::kTableCaption);
    b_XML = MakeButton(this, "b_XML", texts::kChangeXmlButton);
    Label2 = MakeLabel(this, "Label2", texts::kTargetCaption);
    b_Run = MakeButton(this, "b_Run", texts::kRunButton);
    Gauge = new TGauge(this);
    Gauge->setObjectName(QStringLiteral("Gauge"));
    l_Info = MakeLabel(this, "l_Info", texts::kChooseTable);
    Label3 = MakeLabel(this, "Label3", "Korvane \u2014 tabulky DBF do XML");

    const QColor grey = palette().color(QPalette::Disabled, QPalette::WindowText);
    for (QLabel* caption : {Label1, Label2}) caption->setStyleSheet(QStringLiteral("color: %1;").arg(grey.name()));
    Label3->setStyleSheet(QStringLiteral("color: #808080;"));
    b_Run->setStyleSheet(QStringLiteral("color: red;"));
    l_Info->setStyleSheet(QStringLiteral("color: blue; font-weight: bold;"));
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    setTabOrder(b_OpenDBF, b_XML);
    setTabOrder(b_XML, b_Run);

    ShowStartState();

    connect(b_OpenDBF, &QPushButton::clicked, this, [this] { Guarded([this] { b_OpenDBFClick(); }); });
    connect(b_XML, &QPushButton::clicked, this, [this] { Guarded([this] { b_XMLClick(); }); });
    connect(b_Run, &QPushButton::clicked, this, [this] { Guarded([this] { b_RunClick(); }); });

    setMinimumSize(kMinClientWidth, kMinClientHeight);
    resize(kClientWidth, kClientHeight);
}

TForm1::~TForm1() = default;

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int dw = width() - kClientWidth;
    const int dh = height() - kClientHeight;
    const Placement placements[] = {
        {b_OpenDBF, {115, 12, 118, 25}, false, false}, {l_DBF, {8, 48, 442, 13}, true, false},
        {l_XML, {8, 115, 442, 13}, true, false},       {Label1, {19, 20, 63, 13}, false, false},
        {b_XML, {145, 83, 118, 25}, false, false},     {Label2, {19, 88, 55, 13}, false, false},
        {b_Run, {175, 144, 118, 33}, false, false},    {Gauge, {8, 186, 442, 15}, true, false},
        {l_Info, {8, 150, 442, 13}, true, false},      {Label3, {277, 219, 182, 15}, false, true},
    };
    for (const Placement& p : placements) {
        QRect r = p.designed;
        if (p.stretches) r.setWidth(r.width() + dw);
        // The two captions size themselves to their text, as fonts differ between systems.
        if (p.widget == Label1 || p.widget == Label2) r.setWidth(std::max(r.width(), p.widget->sizeHint().width()));
        if (p.bottomRight) r.translate(dw, dh);
        p.widget->setGeometry(r);
    }
}

void TForm1::Guarded(const std::function<void()>& handler) {
    // No exception may pass through Qt's event loop.
    try {
        handler();
    } catch (...) {
        ShowCurrentError();
    }
}

void TForm1::ShowCurrentError() {
    const QString title = ApplicationTitle(QCoreApplication::applicationFilePath());
    try {
        throw;
    } catch (const EAbort&) {
        // The silent abort shows nothing.
    } catch (...) {
        FMessages.ShowError(this, title, ErrorBoxText(QString::fromStdString(CurrentExceptionMessage())));
    }
}

void TForm1::ShowStartState() {
    b_OpenDBF->show();
    l_DBF->setText(Text(texts::kNoFileChosen));
    l_XML->setText(Text(texts::kNothingYet));
    l_XML->hide();
    b_XML->hide();
    b_Run->hide();
    Gauge->SetProgress(0);
    Gauge->hide();
    l_Info->setText(Text(texts::kChooseTable));
    l_Info->show();
}

void TForm1::b_OpenDBFClick() {
    const std::optional<QString> chosen = FDialogs.OpenDBF(this);
    if (!chosen) return;
    l_DBF->setText(*chosen);
    const std::string target = platform::ChangeFileExt(QFile::encodeName(l_DBF->text()).toStdString(), ".xml");
    l_XML->setText(QFile::decodeName(QByteArray::fromStdString(target)));
    l_XML->show();
    b_XML->show();
    l_Info->hide();
    b_Run->show();
}

void TForm1::b_XMLClick() {
    const std::optional<QString> chosen = FDialogs.SaveXML(this, l_XML->text());
    if (chosen) l_XML->setText(*chosen);
}

void TForm1::b_RunClick() {
    WindowView view(*this, FMessages);
    bool converted = false;
    ConversionReport report;
    try {
        converted = RunConversion(view, FOwner, QFile::encodeName(l_DBF->text()).toStdString(),
                                  QFile::encodeName(l_XML->text()).toStdString(), {}, &report);
        // Values left empty are told once the window shows the run finished.
        if (converted) {
            if (const std::string message = UnreadableValuesMessage(report); !message.empty()) view.ShowMessage(message);
        }
    } catch (...) {
        // The error is shown as any handler's is; then the table the run left open is
        // released and the user may go on with another table.
        ShowCurrentError();
        FOwner.ReleaseAll();
    }
    if (!converted) ShowStartState();
}

}  // namespace korvane::app
