// Korvane: the window that converts dBase and FoxPro tables to XML.
#include <QApplication>
#include <QFile>
#include <clocale>

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::setlocale(LC_ALL, "");
    // The application object owns the tables, so one a failed run left open is released at the end.
    korvane::TableOwner tables;
    korvane::app::QtFileDialogs dialogs;
    korvane::app::QtMessageBoxes messages;
    korvane::app::TForm1 form(tables, dialogs, messages, korvane::platform::SettingsFromLocale());
    // A table named on the command line ("Open with") is chosen at start.
    if (const QStringList arguments = QCoreApplication::arguments(); arguments.size() > 1) {
        const std::string path = korvane::platform::ExpandFileName(QFile::encodeName(arguments[1]).toStdString());
        form.ChooseTable(QFile::decodeName(QByteArray::fromStdString(path)));
    }
    form.show();
    return application.exec();
}
