// Korvane's window: choose a table, change the target, run the conversion.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "app/Dialogs.h"
#include "conversion/ConversionRun.h"

class QLabel;
class QPushButton;

namespace korvane::app {

class TGauge;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // The client area the controls are laid out for, at 96 dpi.
    static constexpr int kClientWidth = 467;
    static constexpr int kClientHeight = 232;
    // The smallest outer size, 350 x 260, less a frame of 8 px borders and a 30 px caption.
    static constexpr int kMinClientWidth = 350 - 16;
    static constexpr int kMinClientHeight = 260 - 38;

    TForm1(TableOwner& owner, IFileDialogs& dialogs, IMessageBoxes& messages, QWidget* parent = nullptr);
    ~TForm1() override;

    void b_OpenDBFClick();
    void b_XMLClick();
    void b_RunClick();

    QPushButton* b_OpenDBF;
    QLabel* l_DBF;
    QLabel* l_XML;
    QLabel* Label1;
    QPushButton* b_XML;
    QLabel* Label2;
    QPushButton* b_Run;
    TGauge* Gauge;
    QLabel* l_Info;
    QLabel* Label3;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Runs a handler; an error that leaves it is shown by the application's error box.
    void Guarded(const std::function<void()>& handler);
    // Shows the exception being handled in the application's error box (the silent abort
    // shows nothing).
    void ShowCurrentError();
    // The controls and texts the window starts with; after a failed open or run too.
    void ShowStartState();

    TableOwner& FOwner;
    IFileDialogs& FDialogs;
    IMessageBoxes& FMessages;
};

}  // namespace korvane::app
