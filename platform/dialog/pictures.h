#pragma once
// The program's own pictures, drawn at run time so nothing depends on a
// desktop theme or on image files beside the program.
#include <QIcon>
#include <QPixmap>

namespace qv::dialog {

QPixmap lampPixmap(bool green, int size = 20);
QPixmap errorMarkerPixmap(int size = 16);
// Beside a value that differs from the one last read or loaded: a pencil on blue.
QPixmap changedMarkerPixmap(int size = 16);
// Beside a parameter that differs from the set it was compared with.
QPixmap compareMarkerPixmap(int size = 16);
QPixmap logoPixmap(int width = 93, int height = 38);  // the picture on every page
QPixmap meterPixmap(int width, int height);           // decorative: a flow meter
QIcon programIcon();
// The Operation page's blinking sign that a recording runs: a red record dot.
QPixmap recordingPixmap(int size = 20);
// The same place while a recording waits for the meter: grey, with a pause sign.
QPixmap pausedRecordingPixmap(int size = 20);

}  // namespace qv::dialog
