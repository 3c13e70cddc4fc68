#include "window/services/file_places.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QStandardPaths>
#include <QWidget>
#include <algorithm>

#include "core/protocol/tables.h"
#include "core/text/text_numbers.h"
#include "platform/dialog/dialog_service.h"
#include "platform/files/files.h"
#include "window/services/page_texts.h"

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

ExportTarget exportTarget(const QString& chosen) {
    const bool picture = chosen.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive);
    const bool csv = chosen.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    return {picture || csv ? chosen : chosen + QStringLiteral(".csv"), picture};
}

std::string pngOf(QWidget* widget) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    widget->grab().toImage().save(&buffer, "PNG");
    return std::string(png.constData(), static_cast<std::size_t>(png.size()));
}

bool writeChosen(QWidget* owner, const QString& path, std::string_view bytes, const std::function<QString(int)>& text) {
    const auto written = qv::files::writeWhole(path.toStdString(), bytes, true);
    if (written.ok()) return true;
    qv::dialog::dialogs().message(owner, QStringLiteral("QV-Gui"),
                                  fillText(text(qv::text::msg::NotWritten), {fileTrouble(path, written.trouble, written.error, 0, text)}));
    return false;
}

}  // namespace qv::window
