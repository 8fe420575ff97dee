#include "app/MainWindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVariant>
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

// The whole path a label shows elided; absent while it shows some other text.
constexpr const char* kPathProperty = "korvanePath";
// The distance a right-anchored control keeps to the window's right edge.
constexpr int kRightMargin = 8;

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
        if (auto* label = qobject_cast<QLabel*>(Widget(c))) {
            // A status text in place of a path.
            label->setProperty(kPathProperty, QVariant());
            label->setToolTip({});
            label->setText(QString::fromStdString(text));
        }
        if (auto* button = qobject_cast<QPushButton*>(Widget(c))) button->setText(QString::fromStdString(text));
        FForm.FitTexts();
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

TForm1::TForm1(TableOwner& owner, IFileDialogs& dialogs, IMessageBoxes& messages, platform::PlatformSettings settings,
               QWidget* parent)
    : QWidget(parent), FOwner(owner), FDialogs(dialogs), FMessages(messages), FSettings(std::move(settings)) {
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

int TForm1::TextWidth(QWidget* widget) const {
    auto* label = qobject_cast<QLabel*>(widget);
    if (label && label->property(kPathProperty).isValid()) return 0;
    if (label) return label->sizeHint().width();
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        // The text with the style's margin and frame on both sides, so that it touches no edge.
        const QStyle* style = button->style();
        const int edges = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                               style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button));
        return std::max(button->sizeHint().width(), button->fontMetrics().horizontalAdvance(button->text()) + edges);
    }
    return 0;
}

std::vector<TForm1::Placement> TForm1::Placements() const {
    return {
        {b_OpenDBF, {115, 12, 118, 25}, false, false}, {l_DBF, {8, 48, 442, 13}, true, false},
        {l_XML, {8, 115, 442, 13}, true, false},       {Label1, {19, 20, 63, 13}, false, false},
        {b_XML, {145, 83, 118, 25}, false, false},     {Label2, {19, 88, 55, 13}, false, false},
        {b_Run, {175, 144, 118, 33}, false, false},    {Gauge, {8, 186, 442, 15}, true, false},
        {l_Info, {8, 150, 442, 13}, true, false},      {Label3, {277, 219, 182, 15}, false, true},
    };
}

void TForm1::FitTexts() {
    if (!Label3) return;  // the controls are still being made
    // The client width every text needs: a control keeps its place and grows to the right (the
    // footer, anchored to the right edge, to the left), and the window grows with it.
    int needed = kClientWidth;
    for (const Placement& p : Placements()) {
        const int extra = TextWidth(p.widget) - p.designed.width();
        if (extra <= 0) continue;
        if (p.stretches)
            needed = std::max(needed, kClientWidth + extra);
        else if (p.bottomRight)
            needed = std::max(needed, kClientWidth + std::max(0, extra - (p.designed.left() - kRightMargin)));
        else
            needed = std::max(needed, p.designed.left() + TextWidth(p.widget) + kRightMargin);
    }
    setMinimumWidth(kMinClientWidth + (needed - kClientWidth));
    if (width() < needed) resize(needed, height());
    LayOut();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void TForm1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) FitTexts();
}

void TForm1::LayOut() {
    if (!Label3) return;  // the controls are still being made
    const int dw = width() - kClientWidth;
    const int dh = height() - kClientHeight;
    for (const Placement& p : Placements()) {
        QRect r = p.designed;
        if (p.stretches) r.setWidth(r.width() + dw);
        if (p.bottomRight) r.translate(dw, dh);
        // A control is as wide as its text needs, fonts differing between systems.
        const int extra = TextWidth(p.widget) - r.width();
        if (extra > 0) {
            if (p.bottomRight) r.setLeft(std::max(kRightMargin, r.left() - extra));
            r.setWidth(r.width() + (p.bottomRight ? 0 : extra));
        }
        p.widget->setGeometry(r);
    }
    for (QLabel* label : {l_DBF, l_XML})
        if (const QVariant path = label->property(kPathProperty); path.isValid())
            label->setText(label->fontMetrics().elidedText(path.toString(), Qt::ElideMiddle, label->width()));
}

void TForm1::ShowPath(QLabel* label, const QString& path) {
    label->setProperty(kPathProperty, path);
    label->setToolTip(path);
    LayOut();
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
    FTablePath.clear();
    FTargetPath.clear();
    for (QLabel* label : {l_DBF, l_XML}) {
        label->setProperty(kPathProperty, QVariant());
        label->setToolTip({});
    }
    l_DBF->setText(Text(texts::kNoFileChosen));
    l_XML->setText(Text(texts::kNothingYet));
    l_XML->hide();
    b_XML->hide();
    b_Run->hide();
    Gauge->SetProgress(0);
    Gauge->hide();
    l_Info->setText(Text(texts::kChooseTable));
    l_Info->show();
    FitTexts();
}

void TForm1::b_OpenDBFClick() {
    const std::optional<QString> chosen = FDialogs.OpenDBF(this);
    if (!chosen) return;
    FTablePath = *chosen;
    const std::string target = platform::ChangeFileExt(QFile::encodeName(FTablePath).toStdString(), ".xml");
    FTargetPath = QFile::decodeName(QByteArray::fromStdString(target));
    ShowPath(l_DBF, FTablePath);
    ShowPath(l_XML, FTargetPath);
    l_XML->show();
    b_XML->show();
    l_Info->hide();
    b_Run->show();
}

void TForm1::b_XMLClick() {
    const std::optional<QString> chosen = FDialogs.SaveXML(this, FTargetPath);
    if (!chosen) return;
    FTargetPath = *chosen;
    ShowPath(l_XML, FTargetPath);
}

void TForm1::b_RunClick() {
    WindowView view(*this, FMessages);
    bool converted = false;
    ConversionReport report;
    ConversionOptions options;
    options.settings = FSettings;
    try {
        converted = RunConversion(view, FOwner, QFile::encodeName(FTablePath).toStdString(),
                                  QFile::encodeName(FTargetPath).toStdString(), options, &report);
        // What the document cannot show is told once the window shows the run finished.
        if (converted) {
            if (const std::string message = FinishedRunMessage(report); !message.empty()) view.ShowMessage(message);
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
