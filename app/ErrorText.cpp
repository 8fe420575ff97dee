#include "app/ErrorText.h"

#include <QFileInfo>

namespace korvane::app {

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.')) return message + QStringLiteral(".");
    return message;
}

QString ApplicationTitle(const QString& programFilePath) {
    QString name = QFileInfo(programFilePath).fileName();
    name = name.left(name.indexOf(u'.') < 0 ? name.size() : name.indexOf(u'.'));
    if (name.isEmpty()) return name;
    // Linux programs are named in lower case; the title starts with a capital all the same.
    return name.left(1).toUpper() + name.mid(1).toLower();
}

}  // namespace korvane::app
