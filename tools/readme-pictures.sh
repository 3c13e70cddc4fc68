#!/usr/bin/env bash
# Takes the README's pictures of the window anew: builds the program's own
# screenshot tool, runs it against the simulator (offscreen, each picture in
# its language at 1366 x 768) and turns the service report's PDF into its
# picture. Writes docs/settings.png, configuration.png, compare-en.png,
# readback-de.png, trace-en.png, report-de.png, outage_operation_en.png and
# outage_settings_de.png.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/deps.sh"
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" -j"$(nproc)" --target sheet_screenshots kt740-sim
QT_QPA_PLATFORM=offscreen "$top/build/tests/sheet_screenshots" --readme "$top/docs"
pdftoppm -png -r 70 -singlefile "$top/docs/report-de.pdf" "$top/docs/report-de"
rm -f "$top/docs/report-de.pdf"
