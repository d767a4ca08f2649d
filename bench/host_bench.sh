#!/usr/bin/env bash
# Times create, update and remove of one service by the host program on an empty simulated
# machine and on one that holds 1,000 services, alternating the two, and prints the median
# of each and the ratio between them (goal: at most 1.5).
# Usage: bench/host_bench.sh [rounds, default 31]
set -eu
cd "$(dirname "$0")/.."
rounds=${1:-31}
cmake --preset host >/dev/null
cmake --build --preset host --target QVTToService -j"$(nproc)" >/dev/null
tool=$PWD/build/host/QVTToService
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# A machine holding 1,000 services shaped like the ones the tool makes.
mkdir -p "$scratch/full" "$scratch/empty"
{
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM]\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet]\n'
    printf '\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services]\n'
    for i in $(seq -w 1 1000); do
        printf '\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Service%s]\n' "$i"
        printf '"Type"=dword:00000010\n"Start"=dword:00000003\n"ErrorControl"=dword:00000001\n'
        printf '"ImagePath"="\\"C:\\\\Program Files\\\\Vendor\\\\svc%s.exe\\" -config C:\\\\cfg\\\\%s.ini"\n' "$i" "$i"
        printf '"DisplayName"="Service number %s"\n"ObjectName"="LocalSystem"\n' "$i"
        printf '"Description"="A service that the benchmark made, number %s"\n' "$i"
        printf '"DependOnService"=hex(7):54,63,70,69,70,00,44,68,63,70,00,00\n'
    done
} >"$scratch/full/registry.reg"

# Runs the tool once and prints how long it took, in microseconds.
time_run() {
    local start=$EPOCHREALTIME
    QVTTOSERVICE_MACHINE=$1 "$tool" "${@:2}" >/dev/null
    local end=$EPOCHREALTIME
    echo $(( (${end/./} - ${start/./}) ))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for round in $(seq 1 "$rounds"); do
    for machine in empty full; do
        root=$scratch/$machine
        time_run "$root" -c -iBench -nBench '-xC:\bench.exe' -hBenchmark >>"$scratch/$machine.create"
        time_run "$root" -c -iBench -nBench '-xC:\bench.exe' -hBenchmark >>"$scratch/$machine.update"
        time_run "$root" -r -iBench >>"$scratch/$machine.remove"
    done
done

printf '%-8s %14s %18s %7s\n' step "empty (us)" "1,000 services (us)" ratio
for step in create update remove; do
    empty=$(median <"$scratch/empty.$step")
    full=$(median <"$scratch/full.$step")
    printf '%-8s %14s %18s %7s\n' "$step" "$empty" "$full" "$(awk -v a="$full" -v b="$empty" 'BEGIN { printf "%.2f", a / b }')"
done
echo "($rounds rounds, medians; goal: ratio at most 1.5)"
