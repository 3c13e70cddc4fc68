#!/usr/bin/env bash
# Fails when the configure step used a CMake package file (a *_DIR entry of the
# cache) or a library found through pkg-config that belongs to a Debian package
# the install list of tools/deps.sh does not bring, by name or as a hard
# dependency. Such a build passes here only because someone installed the
# package by hand; on a fresh machine its configure step fails.
#   tools/check-deps.sh [build/CMakeCache.txt]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cache=${1:-$top/build/CMakeCache.txt}
[ -f "$cache" ] || { echo "check-deps: no $cache; configure the build first" >&2; exit 2; }

# What the configure step took from the system: each found package's
# *Config.cmake (or *-config.cmake), the libraries pkg-config resolved, and
# the files the project's own find_library/find_program calls (QV_*) found.
# Entries that found nothing end in -NOTFOUND and lie outside /usr.
used() {
  sed -n -E 's/^[A-Za-z0-9_.+-]+_DIR:PATH=(\/usr\/.*)$/\1/p' "$cache" | while read -r dir; do
    find "$dir" -maxdepth 1 \( -name '*Config.cmake' -o -name '*-config.cmake' \) 2>/dev/null | sort | head -n 1
  done
  sed -n -E 's/^pkgcfg_lib_[A-Za-z0-9_]+:FILEPATH=(\/usr\/.*)$/\1/p' "$cache"
  sed -n -E 's/^QV_[A-Za-z0-9_]+:FILEPATH=(\/usr\/.*)$/\1/p' "$cache"
}

fail=0
declare -A fileOf=()
mapfile -t files < <(used)
[ ${#files[@]} -gt 0 ] || { echo "check-deps: $cache names no package file under /usr" >&2; exit 2; }
# One dpkg call for all: "package:arch: path" for each file it knows.
owned=$(dpkg -S "${files[@]}" 2>/dev/null || true)
for file in "${files[@]}"; do
  owner=$(awk -v f="$file" '!/^diversion/ && $NF == f { sub(/[:,].*/, ""); print; exit }' <<<"$owned")
  if [ -z "$owner" ]; then
    echo "check-deps: $file belongs to no Debian package" >&2
    fail=1
  else
    fileOf[$owner]=$file
  fi
done

mapfile -t listed < <("$top/tools/deps.sh" --list)
brought=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
            --no-replaces --no-enhances "${listed[@]}" | grep -v -e '^ ' -e '^<' | sed 's/:.*$//' | sort -u)

missing=0
for owner in $(printf '%s\n' "${!fileOf[@]}" | sort); do
  if ! grep -qxF "$owner" <<<"$brought"; then
    [ $missing -eq 0 ] && echo "check-deps: the build used packages that tools/deps.sh does not install:" >&2
    echo "  $owner (${fileOf[$owner]})" >&2
    missing=1
    fail=1
  fi
done
[ $fail -eq 0 ] && echo "check-deps: all come from tools/deps.sh:" $(printf '%s\n' "${!fileOf[@]}" | sort)
exit $fail
