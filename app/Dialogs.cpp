#include "app/Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace korvane::app {

std::optional<QString> QtFileDialogs::OpenDBF(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name that does not exist is accepted; the run reports it.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("dbf (*.dbf)"));
    dialog.setDefaultSuffix(QStringLiteral("dbf"));
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!FOpenFileName.isEmpty()) dialog.selectFile(FOpenFileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    FOpenFileName = dialog.selectedFiles().front();
    return FOpenFileName;
}

std::optional<QString> QtFileDialogs::SaveXML(QWidget* parent, const QString& current) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("xml (*.xml)"));
    dialog.setDefaultSuffix(QStringLiteral("xml"));
    // An existing file is replaced without a question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    FSaveFileName = current;
    dialog.selectFile(FSaveFileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    FSaveFileName = dialog.selectedFiles().front();
    return FSaveFileName;
}

std::unique_ptr<QMessageBox> MakePlainBox(QWidget* parent, const QString& text) {
    return std::make_unique<QMessageBox>(QMessageBox::NoIcon, parent ? parent->windowTitle() : QString(), text, QMessageBox::Ok,
                                         parent);
}

std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const QString& caption, const QString& text) {
    return std::make_unique<QMessageBox>(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
}

void QtMessageBoxes::ShowMessage(QWidget* parent, const QString& text) {
    MakePlainBox(parent, text)->exec();
}

void QtMessageBoxes::ShowError(QWidget* parent, const QString& caption, const QString& text) {
    MakeErrorBox(parent, caption, text)->exec();
}

}  // namespace korvane::app
