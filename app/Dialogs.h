// The file dialogs and message boxes behind small interfaces, so tests can answer them.
#pragma once

#include <QString>
#include <memory>
#include <optional>

class QMessageBox;
class QWidget;

namespace korvane::app {

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // The chosen table (a full path), or nothing when cancelled.
    virtual std::optional<QString> OpenDBF(QWidget* parent) = 0;
    // The chosen target, starting from `current`; "xml" is added to a name without extension.
    virtual std::optional<QString> SaveXML(QWidget* parent, const QString& current) = 0;
};

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // A plain message box with an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // The application's error box: stop icon, the application's title as caption, OK.
    virtual void ShowError(QWidget* parent, const QString& caption, const QString& text) = 0;
};

// Qt's file dialogs; each keeps its chosen file name between uses.
class QtFileDialogs : public IFileDialogs {
public:
    std::optional<QString> OpenDBF(QWidget* parent) override;
    std::optional<QString> SaveXML(QWidget* parent, const QString& current) override;

private:
    QString FOpenFileName;
    QString FSaveFileName;
};

// The boxes themselves, as QtMessageBoxes shows them.
std::unique_ptr<QMessageBox> MakePlainBox(QWidget* parent, const QString& text);
std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const QString& caption, const QString& text);

class QtMessageBoxes : public IMessageBoxes {
public:
    void ShowMessage(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& caption, const QString& text) override;
};

}  // namespace korvane::app
