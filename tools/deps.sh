#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the packaging need, when
# missing. `tools/deps.sh --list` prints the list, one a line, for
# tools/check-deps.sh, which compares it with what the build really used.
# clang, libclang-rt-14-dev (libFuzzer, the sanitizer runtimes) and llvm-14
# (llvm-symbolizer for readable reports) serve tools/fuzz.sh; openbox,
# xdotool, x11-apps and netpbm serve tools/look.sh (the window under a window
# manager, real key presses, pictures); libssl-dev (libcrypto: the journal's
# hash chain) and nlohmann-json3-dev (its lines); libprotobuf-c-dev and
# protobuf-c-compiler (the Sparkplug B payload, from our own schema);
# libpaho-mqtt-dev (qv-cli publish's MQTT) and mosquitto (the broker its tests start).
set -euo pipefail
packages=(build-essential cmake ccache pkg-config qt6-base-dev qt6-charts-dev libqt6opengl6-dev
          qt6-translations-l10n libudev-dev
          clang libclang-rt-14-dev llvm-14
          libgl-dev libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth fonts-dejavu-core python3
          dpkg-dev file lintian poppler-utils
          libgensio-dev ser2net openbox xdotool x11-apps netpbm
          libssl-dev nlohmann-json3-dev libprotobuf-c-dev protobuf-c-compiler
          libpaho-mqtt-dev mosquitto)
if [ "${1:-}" = --list ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
