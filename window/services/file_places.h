#pragma once
// Where the program's file dialogs start and the names they suggest: the
// folder used last, or the user's documents on the first use, never the
// program's own data folder; names carry the model and the date.
#include <QDateTime>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

class QWidget;

#include "core/text/settings.h"

namespace qv::window {

using qv::text::AppSettings;


QString startFolder(const AppSettings& settings);
// "KT740-M1S1_2026-12-09.kt740" (with the time when withTime); a meter not
// known yet gives "KT740". The model text is made safe for a file name.
QString suggestedName(int deviceCode, const QString& extension, const QDateTime& now, bool withTime = false);
// The folder and the suggested name together, as a dialog takes it.
QString suggestedPath(const AppSettings& settings, int deviceCode, const QString& extension, bool withTime = false);
// Remembers the folder of a chosen file as where the next dialog starts.
void rememberFolder(AppSettings& settings, const QString& chosen);
// The name with ".<extension>" when it has no extension of its own.
QString withExtension(const QString& path, const QString& extension);

// What "Export…" writes to a chosen name: a picture for ".png", else CSV
// (".csv" added to a name that ends in neither).
struct ExportTarget {
    QString path;
    bool picture = false;
};
ExportTarget exportTarget(const QString& chosen);
// The widget as PNG bytes.
std::string pngOf(QWidget* widget);
// Writes a file the user chose in a file dialog (which asked before one was
// replaced); a failure is told in a box owned by owner, with the file and why.
bool writeChosen(QWidget* owner, const QString& path, std::string_view bytes, const std::function<QString(int)>& text);

}  // namespace qv::window
