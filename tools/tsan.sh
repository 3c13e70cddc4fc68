#!/usr/bin/env bash
# Under ThreadSanitizer: the waterfall's concurrency test, the meter
# connection's tests (the session, its line thread and port lister), one
# whole sheet polling the simulator, and the network port (libgensio, whose
# callbacks run on the waiting thread) through ser2net, in a second build of just those tests
# and what they link, build-tsan/. Qt is not built with the sanitizer:
# tsan-qt.supp says what of it is taken as given.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir="$top/build-tsan"
flags="-fsanitize=thread -O1 -g"
cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=None -DQV_BUILD_BENCH=OFF -DQV_WERROR="${QV_WERROR:-OFF}" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread \
  -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$dir" -j"$(nproc)" --target waterfall_concurrency_test core_link_test same_verdict_test e2e_test
# Without address randomisation: the sanitizer's fixed memory layout clashes
# with the wide randomisation of newer kernels.
norandom=()
if command -v setarch >/dev/null && setarch "$(uname -m)" -R true 2>/dev/null; then
  norandom=(setarch "$(uname -m)" -R)
fi
export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$top/tools/tsan-qt.supp"
"${norandom[@]}" "$dir/tests/waterfall_concurrency_test"
"${norandom[@]}" "$dir/tests/core_link_test"
"${norandom[@]}" "$dir/tests/same_verdict_test"
"${norandom[@]}" "$dir/tests/e2e_test" --gtest_filter='SheetOverPty.*:NetworkServer.*:Ser2net/ThroughSer2net.*/rfc2217'
