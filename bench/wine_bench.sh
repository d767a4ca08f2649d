#!/usr/bin/env bash
# Times the Windows build under Wine: a create plus a remove by QVTToService.exe, against
# Wine's own sc.exe doing a create plus a delete, and against an empty program started
# twice. Rounds alternate the three; prints the medians and the ratios (goals: at most 0.6
# of sc.exe and at most 1.6 of the empty program).
# Usage: bench/wine_bench.sh [rounds, default 31]
set -eu
cd "$(dirname "$0")/.."
rounds=${1:-31}
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" >/dev/null
build=$PWD/build/windows

scratch=$(mktemp -d)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null; rm -rf "$scratch"' EXIT
wine wineboot -i >/dev/null 2>&1
wineserver -w
wineserver -p
mkdir -p "$WINEPREFIX/drive_c/bench"
cp "$build/QVTToService.exe" "$build/bench/empty_program.exe" "$WINEPREFIX/drive_c/bench/"
# One start of each before timing, so no first-run cost lands in a round.
wine 'C:\bench\empty_program.exe' </dev/null >/dev/null 2>&1
wine sc.exe query </dev/null >/dev/null 2>&1 || true

# Runs one of the functions below and prints how long it took, in microseconds.
time_runs() {
    local start=$EPOCHREALTIME
    "$@"
    local end=$EPOCHREALTIME
    echo $(( ${end/./} - ${start/./} ))
}

ours() {
    wine 'C:\bench\QVTToService.exe' -c -iBenchTool -nBenchTool '-xC:\bench\x.exe' </dev/null >"$scratch/out" 2>&1
    wine 'C:\bench\QVTToService.exe' -r -iBenchTool </dev/null >>"$scratch/out" 2>&1
}
wines_sc() {
    wine sc.exe create BenchSc 'binPath=' 'C:\bench\x.exe' </dev/null >"$scratch/out" 2>&1 &&
        wine sc.exe delete BenchSc </dev/null >>"$scratch/out" 2>&1 && echo ok >>"$scratch/out"
}
empty_twice() {
    wine 'C:\bench\empty_program.exe' </dev/null >/dev/null 2>&1
    wine 'C:\bench\empty_program.exe' </dev/null >/dev/null 2>&1
}

for round in $(seq 1 "$rounds"); do
    time_runs ours >>"$scratch/ours"
    grep -q 'successfully removed' "$scratch/out" || { echo "the tool failed:"; cat "$scratch/out"; exit 1; }
    time_runs wines_sc >>"$scratch/sc"
    grep -q '^ok' "$scratch/out" || { echo "sc.exe failed:"; cat "$scratch/out"; exit 1; }
    time_runs empty_twice >>"$scratch/empty"
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
tool=$(median <"$scratch/ours")
sc=$(median <"$scratch/sc")
empty=$(median <"$scratch/empty")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '%-38s %10s\n' "run (two starts each)" "median (us)"
printf '%-38s %10s\n' "QVTToService.exe create + remove" "$tool"
printf '%-38s %10s\n' "sc.exe create + delete" "$sc"
printf '%-38s %10s\n' "empty program, twice" "$empty"
echo "tool / sc.exe: $(ratio "$tool" "$sc") (goal at most 0.6)"
echo "tool / empty program: $(ratio "$tool" "$empty") (goal at most 1.6)"
echo "($rounds alternating rounds, medians)"
