#pragma once
// Where the program's file dialogs start and the names they suggest: the
// folder used last, or the user's documents on the first use, never the
// program's own data folder; names carry the model and the date.
#include <QDateTime>
#include <QString>

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

}  // namespace qv::window
