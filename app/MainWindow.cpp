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
#include "platform/Paths.h"

namespace korvane::app {

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The whole path a label shows elided; absent while it shows some other text.
constexpr const char* kPathProperty = "korvanePath";

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

ConversionOptions WithSettings(platform::PlatformSettings settings) {
    ConversionOptions options;
    options.settings = std::move(settings);
    return options;
}

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

TForm1::TForm1(TableOwner& owner, IFileDialogs& dialogs, IMessageBoxes& messages, platform::PlatformSettings settings,
               QWidget* parent)
    : QWidget(parent),
      FDialogs(dialogs),
      FMessages(messages),
      FLogic(*this, owner, WithSettings(std::move(settings)), ApplicationTitle(ToPath(QCoreApplication::applicationFilePath()))) {
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
    Label3 = MakeLabel(this, "Label3", texts::kFooter);

    const QColor grey = palette().color(QPalette::Disabled, QPalette::WindowText);
    for (QLabel* caption : {Label1, Label2}) caption->setStyleSheet(QStringLiteral("color: %1;").arg(grey.name()));
    Label3->setStyleSheet(QStringLiteral("color: #808080;"));
    b_Run->setStyleSheet(QStringLiteral("color: red;"));
    l_Info->setStyleSheet(QStringLiteral("color: blue; font-weight: bold;"));
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    setTabOrder(b_OpenDBF, b_XML);
    setTabOrder(b_XML, b_Run);

    FLogic.ShowStartState();

    connect(b_OpenDBF, &QPushButton::clicked, this, [this] { FLogic.Guarded([this] { b_OpenDBFClick(); }); });
    connect(b_XML, &QPushButton::clicked, this, [this] { FLogic.Guarded([this] { b_XMLClick(); }); });
    connect(b_Run, &QPushButton::clicked, this, [this] { FLogic.Guarded([this] { b_RunClick(); }); });

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

QWidget* TForm1::ItemWidget(Item item) const {
    const std::array<QWidget*, kItemCount> widgets = {b_OpenDBF, l_DBF, l_XML, Label1, b_XML,
                                                      Label2,    b_Run, Gauge, l_Info, Label3};
    return widgets[static_cast<std::size_t>(item)];
}

TextWidths TForm1::TextWidthsNow() const {
    TextWidths widths{};
    for (const Placement& p : Placements()) widths[static_cast<std::size_t>(p.item)] = TextWidth(ItemWidget(p.item));
    return widths;
}

void TForm1::FitTexts() {
    if (!Label3) return;  // the controls are still being made
    const int needed = NeededClientWidth(TextWidthsNow(), 96);
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
    const TextWidths widths = TextWidthsNow();
    for (const Placement& p : Placements()) {
        const std::size_t i = static_cast<std::size_t>(p.item);
        const Box r = Place(p, width(), height(), widths[i], 96);
        ItemWidget(p.item)->setGeometry(r.left, r.top, r.width, r.height);
    }
    for (QLabel* label : {l_DBF, l_XML})
        if (const QVariant path = label->property(kPathProperty); path.isValid())
            label->setText(label->fontMetrics().elidedText(path.toString(), Qt::ElideMiddle, label->width()));
}

void TForm1::ChooseTable(const QString& path) {
    FLogic.Guarded([&] { FLogic.ChooseTable(ToPath(path)); });
}

QString TForm1::TablePath() const {
    return FromPath(FLogic.TablePath());
}

QString TForm1::TargetPath() const {
    return FromPath(FLogic.TargetPath());
}

QWidget* TForm1::Widget(Control c) const {
    return ItemWidget(ItemOf(c));
}

void TForm1::SetVisible(Control c, bool visible) {
    Widget(c)->setVisible(visible);
}

void TForm1::SetText(Control c, const std::string& text) {
    if (auto* label = qobject_cast<QLabel*>(Widget(c))) {
        // A status text in place of a path.
        label->setProperty(kPathProperty, QVariant());
        label->setToolTip({});
        label->setText(QString::fromStdString(text));
    }
    if (auto* button = qobject_cast<QPushButton*>(Widget(c))) button->setText(QString::fromStdString(text));
    FitTexts();
}

void TForm1::SetGaugeRange(int minValue, int maxValue) {
    Gauge->SetRange(minValue, maxValue);
}

void TForm1::SetGaugeProgress(int progress) {
    Gauge->SetProgress(progress);
}

void TForm1::ShowMessage(const std::string& text) {
    FMessages.ShowMessage(this, QString::fromStdString(text));
}

void TForm1::ShowPath(Control c, const std::string& path) {
    auto* label = qobject_cast<QLabel*>(Widget(c));
    label->setProperty(kPathProperty, FromPath(path));
    label->setToolTip(FromPath(path));
    LayOut();
}

std::optional<std::string> TForm1::AskTable() {
    const std::optional<QString> chosen = FDialogs.OpenDBF(this);
    if (!chosen) return std::nullopt;
    return ToPath(*chosen);
}

std::optional<std::string> TForm1::AskTarget(const std::string& current) {
    const std::optional<QString> chosen = FDialogs.SaveXML(this, FromPath(current));
    if (!chosen) return std::nullopt;
    return ToPath(*chosen);
}

void TForm1::ShowError(const std::string& caption, const std::string& text) {
    FMessages.ShowError(this, QString::fromStdString(caption), QString::fromStdString(text));
}

}  // namespace korvane::app
