#include "window/services/file_places.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

#include "core/protocol/tables.h"

namespace qv::window {
using namespace qv::text;

QString startFolder(const AppSettings& settings) {
    const QString last = QFile::decodeName(QByteArray::fromStdString(settings.workingDir));
    const QString data = QFile::decodeName(QByteArray::fromStdString(settings.programDir));
    const auto same = [](const QString& a, const QString& b) {
        return !a.isEmpty() && !b.isEmpty() && QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath();
    };
    // The data folder holds the program's own files: a technician's files do not belong there.
    if (!last.isEmpty() && QFileInfo(last).isDir() && !same(last, data) && !same(last, QDir::currentPath()))
        return QDir::cleanPath(last);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

QString suggestedName(int deviceCode, const QString& extension, const QDateTime& now, bool withTime) {
    QString model = QString::fromStdString(qv::protocol::modelCodeText(deviceCode)).trimmed();
    for (QChar& c : model)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('_')) c = QLatin1Char('-');
    // A model not known yet has no name worth giving a file.
    if (std::none_of(model.begin(), model.end(), [](QChar c) { return c.isLetterOrNumber(); }))
        model = QStringLiteral("KT740");
    const QString when = now.toString(withTime ? QStringLiteral("yyyy-MM-dd_HHmm") : QStringLiteral("yyyy-MM-dd"));
    return model + QLatin1Char('_') + when + QLatin1Char('.') + extension;
}

QString suggestedPath(const AppSettings& settings, int deviceCode, const QString& extension, bool withTime) {
    return startFolder(settings) + QLatin1Char('/') +
           suggestedName(deviceCode, extension, QDateTime::currentDateTime(), withTime);
}

void rememberFolder(AppSettings& settings, const QString& chosen) {
    settings.workingDir = qv::text::directoryOf(QFile::encodeName(chosen).toStdString());
    writeSettings(settings);
}

QString withExtension(const QString& path, const QString& extension) {
    return QFileInfo(path).suffix().isEmpty() ? path + QLatin1Char('.') + extension : path;
}

}  // namespace qv::window
