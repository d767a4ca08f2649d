#!/usr/bin/env bash
# Builds the host program and runs the first usage example against the simulated machine
# ($QVTTOSERVICE_MACHINE, else ~/.local/state/qvttoservice/machine), then shows what it
# left in the machine's registry. Run it again and the service is updated instead.
set -eu
cd "$(dirname "$0")/.."
source scripts/lib.sh
ensure_packages cmake make g++ libgtest-dev

cmake --preset host >/dev/null
cmake --build --preset host --target QVTToService -j"$(nproc)" >/dev/null

set -x
./build/host/QVTToService -c -iTestServ -nMyService '-xC:\QVTService.exe' -h"Test Service"
{ set +x; } 2>/dev/null

root=${QVTTOSERVICE_MACHINE:-${XDG_STATE_HOME:-$HOME/.local/state}/qvttoservice/machine}
echo
echo "The service's key in $root/registry.reg:"
awk '/^\[.*\\Services\\TestServ\]$/ { inside = 1 } inside && $0 == "" { exit } inside' \
    "$root/registry.reg"
