#!/usr/bin/env bash
# Runs every fuzzer for a while from the seed corpus in the repository. New inputs go to a
# scratch corpus, so the repository is left as it was. Fails on the first finding.
# Usage: run_fuzzers.sh <fuzz build folder> [seconds per fuzzer, default 60]
set -u
build=${1:?usage: run_fuzzers.sh <fuzz build folder> [seconds]}
seconds=${2:-60}
seeds=$(cd "$(dirname "$0")/corpus" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for name in split_command_line parse_command_line dependency_list registry_file; do
    mkdir -p "$scratch/$name"
    echo "fuzzing $name for ${seconds}s"
    if ! "$build/tests/fuzz/${name}_fuzzer" -max_total_time="$seconds" -timeout=10 \
        -artifact_prefix="$scratch/$name-" "$scratch/$name" "$seeds/$name" \
        >"$scratch/$name.log" 2>&1; then
        echo "FAIL: $name fuzzer found a problem:"
        tail -n 40 "$scratch/$name.log"
        for artifact in "$scratch/$name"-*; do
            [ -f "$artifact" ] && { echo "input ($artifact):"; od -c "$artifact" | head -20; }
        done
        status=1
    else
        grep -E "^(#[0-9]+\s+DONE|Done)" "$scratch/$name.log" | tail -n 1
    fi
done
exit $status
