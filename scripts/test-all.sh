#!/usr/bin/env bash
# Builds everything and runs every test: unit, simulated machine and host end-to-end
# tests (also under AddressSanitizer and UndefinedBehaviorSanitizer), a format check, the
# Windows build under Wine, and a short run of each fuzzer. Fails when anything fails.
# QVT_FUZZ_SECONDS sets the time per fuzzer (default 60).
set -eu
cd "$(dirname "$0")/.."
source scripts/lib.sh
mapfile -t packages < <(all_packages)
ensure_packages "${packages[@]}"
jobs=$(nproc)

step() { printf '\n=== %s ===\n' "$*"; }

step "Format"
git ls-files '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror ||
    { echo "FAIL: run clang-format -i on the files above"; exit 1; }

step "Host build and tests"
cmake --preset host >/dev/null
cmake --build --preset host -j"$jobs"
ctest --preset host -j"$jobs"

step "Sanitizer build and tests"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j"$jobs"
ctest --preset sanitize -j"$jobs"

step "Windows build and tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"
bash tests/wine/wine_end_to_end.sh build/windows

step "Fuzzing"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs"
bash tests/fuzz/run_fuzzers.sh build/fuzz "${QVT_FUZZ_SECONDS:-60}"

step "Every test passed"
