#pragma once
// Ctrl+Tab and Ctrl+PgDown turn to the next page, Ctrl+Shift+Tab and
// Ctrl+PgUp to the previous one, from any control of the sheet, as a property
// sheet does: the keys are taken before a drop-down list or an edit sees them.
#include <QString>

class QTabWidget;
class QWidget;

namespace qv::window {

void installPageKeys(QTabWidget* tabs);

// Gives every button, check box and captioned field of `page` that has no
// access key one of its own letters, unused on the page and not in
// `reserved` (the window's own keys), word starts first. Keys the texts
// already carry stay. Run again after the texts change.
void assignAccessKeys(QWidget* page, const QString& reserved);
// The access key of a caption ("&Laden" gives 'l'), or a null character.
QChar accessKey(const QString& caption);

}  // namespace qv::window
