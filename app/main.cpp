// Korvane: the window that converts dBase and FoxPro tables to XML.
#include <QApplication>
#include <clocale>

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "platform/Settings.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::setlocale(LC_ALL, "");
    // The application object owns the tables, so one a failed run left open is released at the end.
    korvane::TableOwner tables;
    korvane::app::QtFileDialogs dialogs;
    korvane::app::QtMessageBoxes messages;
    korvane::app::TForm1 form(tables, dialogs, messages, korvane::platform::SettingsFromLocale());
    form.show();
    return application.exec();
}
