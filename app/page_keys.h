#pragma once
// Ctrl+Tab and Ctrl+PgDown turn to the next page, Ctrl+Shift+Tab and
// Ctrl+PgUp to the previous one, from any control of the sheet, as a property
// sheet does: the keys are taken before a drop-down list or an edit sees them.
class QTabWidget;

namespace qv::app {

void installPageKeys(QTabWidget* tabs);

}  // namespace qv::app
