// Korvane's window: choose a table, change the target, run the conversion.
#pragma once

#include <QWidget>
#include <memory>

#include "app/Dialogs.h"
#include "app/Layout.h"
#include "app/WindowLogic.h"

class QLabel;
class QPushButton;

namespace korvane::app {

class TGauge;

class TForm1 : public QWidget, private IWindowView {
    Q_OBJECT
public:
    static constexpr int kClientWidth = app::kClientWidth;
    static constexpr int kClientHeight = app::kClientHeight;
    static constexpr int kMinClientWidth = app::kMinClientWidth;
    static constexpr int kMinClientHeight = app::kMinClientHeight;

    // `settings`: the system's code pages and regional formats every run reads with.
    TForm1(TableOwner& owner, IFileDialogs& dialogs, IMessageBoxes& messages, platform::PlatformSettings settings,
           QWidget* parent = nullptr);
    ~TForm1() override;

    void b_OpenDBFClick() { FLogic.b_OpenDBFClick(); }
    void b_XMLClick() { FLogic.b_XMLClick(); }
    void b_RunClick() { FLogic.b_RunClick(); }
    // A table named on the command line, as "Open with" gives it.
    void ChooseTable(const QString& path);

    // The paths the run uses; the labels show them, elided in the middle where they are long.
    QString TablePath() const;
    QString TargetPath() const;
    // Widens the controls (and the window) that their texts need, after a text or the font
    // changed.
    void FitTexts();

    QPushButton* b_OpenDBF = nullptr;
    QLabel* l_DBF = nullptr;
    QLabel* l_XML = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* b_XML = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* b_Run = nullptr;
    TGauge* Gauge = nullptr;
    QLabel* l_Info = nullptr;
    QLabel* Label3 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The window logic's view.
    QWidget* Widget(Control control) const;
    void SetVisible(Control control, bool visible) override;
    void SetText(Control control, const std::string& text) override;
    void SetGaugeRange(int minValue, int maxValue) override;
    void SetGaugeProgress(int progress) override;
    void ShowMessage(const std::string& text) override;
    // A path is shown whole where it fits, else elided in the middle, and whole in its tool tip.
    void ShowPath(Control label, const std::string& path) override;
    std::optional<std::string> AskTable() override;
    std::optional<std::string> AskTarget(const std::string& current) override;
    void ShowError(const std::string& caption, const std::string& text) override;
    // Puts every control at its place with the width its text needs.
    void LayOut();
    // The width a control's text needs, or 0 for a control whose text is elided to fit.
    int TextWidth(QWidget* widget) const;
    // Each control's text width, by Item.
    TextWidths TextWidthsNow() const;
    QWidget* ItemWidget(Item item) const;

    IFileDialogs& FDialogs;
    IMessageBoxes& FMessages;
    TWindowLogic FLogic;
};

}  // namespace korvane::app
