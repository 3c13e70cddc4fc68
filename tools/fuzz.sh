#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (ASan + UBSan) in build-fuzz
# and runs each for SECONDS (default 30), two at a time. Fails on any crash,
# leak, sanitizer report or broken property; prints executions per second and
# total executions per target. Findings land in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
tools/deps.sh

build=build-fuzz
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DQV_BUILD_FUZZ=ON -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF -DQV_WERROR="${QV_WERROR:-OFF}" >/dev/null
cmake --build "$build" --target fuzz -j2

targets=(profile texts replies configuration compare sim label journal recording sparkplug)
mkdir -p "$build/findings" "$build/logs"
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1
# Fontconfig keeps a cache for the life of the process; not ours to free.
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0
symbolizer=$(command -v llvm-symbolizer || ls /usr/lib/llvm-*/bin/llvm-symbolizer 2>/dev/null | head -n1 || true)
[ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer

run() {
    local t=$1
    # New inputs go to a working corpus in the build; the seeds stay as committed.
    mkdir -p "$build/corpus/$t"
    "$build/fuzz/${t}_fuzz" "$build/corpus/$t" "fuzz/corpus/$t" -max_total_time="$seconds" \
        -print_final_stats=1 -artifact_prefix="$build/findings/${t}-" -rss_limit_mb=2048 \
        >"$build/logs/$t.log" 2>&1
}

pids=()
failed=()
for t in "${targets[@]}"; do
    run "$t" &
    pids+=($!)
    # Two at a time: the machine has two cores.
    if [ ${#pids[@]} -ge 2 ]; then
        wait "${pids[0]}" || failed+=("${pids[0]}")
        pids=("${pids[@]:1}")
    fi
done
for p in "${pids[@]}"; do wait "$p" || failed+=("$p"); done

status=0
passed=0
printf '%-15s %12s %15s  %s\n' target exec/s executions result
for t in "${targets[@]}"; do
    log="$build/logs/$t.log"
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n1)
    if grep -qE '^==[0-9]+==ERROR|runtime error:|property broken|^SUMMARY: |deadly signal|Test unit written' "$log" ||
       [ -z "$execs" ]; then
        result="FAILED (see $log)"
        status=1
        grep -E 'ERROR|runtime error|property broken|SUMMARY|Test unit written' "$log" | head -n 5 | sed 's/^/    /'
    else
        result=ok
        passed=$((passed + 1))
    fi
    printf '%-15s %12s %15s  %s\n' "$t" "${rate:-?}" "${execs:-?}" "$result"
done
echo "${seconds} s each; findings, if any, in $build/findings/"
echo "fuzz: $passed passed, $((${#targets[@]} - passed)) failed"
exit $status
