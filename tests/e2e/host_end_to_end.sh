#!/usr/bin/env bash
# Runs the host program as a user would, against a simulated machine in a temporary
# folder, and checks what it prints and what it leaves in the machine's registry file.
# Usage: host_end_to_end.sh <path to QVTToService>
set -u
source "$(dirname "$0")/checks.sh"

tool=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export QVTTOSERVICE_MACHINE=$scratch/machine
registry=$QVTTOSERVICE_MACHINE/registry.reg
services_key='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services'

# Runs the tool and keeps its output, byte for byte, in $output; the exit status must be 0.
run() {
    "$tool" "$@" >"$scratch/out"
    local status=$?
    [ "$status" -eq 0 ] || fail "exit status $status for: $*"
    read_output "$scratch/out"
}

# The lines of one service's key in the registry file, up to the blank line after it.
service_section() {
    awk -v header="[$services_key\\$1]" '
        $0 == header { inside = 1; next }
        inside && $0 == "" { exit }
        inside { print }' "$registry"
}

expect_section() {
    local actual
    actual=$(service_section "$2")
    [ "$actual" == "$3" ] || fail "$1: key of $2 is:"$'\n'"$actual"$'\n'"expected:"$'\n'"$3"
}

# --- Usage ---
run
expect_output "no arguments" "$usage_text"
run -c -iS -nD
expect_output "create without -x" "$usage_text"
[ ! -e "$registry" ] || fail "an incomplete request touched the machine"

# --- Removal on a new machine ---
run -r -iNobody
expect_output "remove a missing service" $'Failed removing the service, error code 1060\n'"$not_installed"
[ -f "$registry" ] || fail "a new machine has no registry file"
run -r -i
expect_output "remove an empty name" $'Failed removing the service, error code 123\n'

# --- Create, update, remove: the first usage example ---
run -c -iTestServ -nMyService '-xC:\QVTService.exe' -h"Test Service"
expect_output "first create" $'Service successfully created.\n'
expect_section "first create" TestServ '"Type"=dword:00000010
"Start"=dword:00000003
"ErrorControl"=dword:00000001
"ImagePath"="C:\\QVTService.exe"
"DisplayName"="MyService"
"ObjectName"="LocalSystem"
"Description"="Test Service"'
run -c -iTestServ -nMyService '-xC:\QVTService.exe' -h"Test Service"
expect_output "second run" $'Service successfully updated.\n'

# Group, dependencies and account given, then kept by an update that leaves them out.
printf 'svcuser\n' >"$QVTTOSERVICE_MACHINE/users.txt"
run -c -iTestServ -nMyService '-xC:\QVTService.exe' -a -lNetworkProvider '-d;Tcpip;;Dhcp;' \
    '-s.\svcuser' -psecret
expect_output "update with every option" $'Service successfully updated.\n'
expect_section "update with every option" TestServ '"Type"=dword:00000010
"Start"=dword:00000002
"ErrorControl"=dword:00000001
"ImagePath"="C:\\QVTService.exe"
"DisplayName"="MyService"
"ObjectName"=".\\svcuser"
"Description"="Test Service"
"Group"="NetworkProvider"
"DependOnService"=hex(7):54,63,70,69,70,00,44,68,63,70,00,00'
grep -q secret "$registry" && fail "the password reached the registry file"
run -c -iTESTSERV -nRenamed '-xC:\Other.exe'
expect_output "update without options" $'Service successfully updated.\n'
expect_section "update without options" TestServ '"Type"=dword:00000010
"Start"=dword:00000003
"ErrorControl"=dword:00000001
"ImagePath"="C:\\Other.exe"
"DisplayName"="Renamed"
"ObjectName"=".\\svcuser"
"Description"="Test Service"
"Group"="NetworkProvider"
"DependOnService"=hex(7):54,63,70,69,70,00,44,68,63,70,00,00'
run -c -iTestServ -nRenamed '-xC:\Other.exe' -d -h
expect_output "bare -d and -h" $'Service successfully updated.\n'
service_section TestServ | grep -q DependOnService && fail "a bare -d kept the dependencies"
service_section TestServ | grep -qx '"Description"=""' || fail "a bare -h did not store an empty description"

run -r -iTestServ
expect_output "remove" $'Service successfully removed.\n'
[ -z "$(service_section TestServ)" ] && ! grep -q TestServ "$registry" || fail "the removed service is still there"
run -r -iTestServ
expect_output "remove again" $'Failed removing the service, error code 1060\n'"$not_installed"

# --- The second usage example: a quoted path with its own argument, stored verbatim ---
run -c -iTav -nQVT -x'"C:\QVTService.exe" -C:\NXR\MorvelFiles\morvelsv.ini' -h"Test Service"
expect_output "second usage example" $'Service successfully created.\n'
service_section Tav | grep -qxF '"ImagePath"="\"C:\\QVTService.exe\" -C:\\NXR\\MorvelFiles\\morvelsv.ini"' \
    || fail "second usage example: ImagePath is $(service_section Tav | grep ImagePath)"

# --- Refusals ---
run -c -iBad -nBad '-xC:\bad.exe' -snobody -ppw
expect_output "unknown account" $'Failed creating the service, error code 1057\nThe account name is invalid or does not exist, or the password is invalid\nfor the account name specified.\n'
run -c -iOther -nQVT '-xC:\x.exe'
expect_output "display name in use" $'Failed creating the service, error code 1078\n'
run -c '-ia/b' -nX '-xC:\x.exe'
expect_output "name with a slash" $'Failed creating the service, error code 123\n'
run -c -iNoPath -nNoPath -x
expect_output "empty command line" $'Failed creating the service, error code 87\n'
[ -z "$(service_section Bad)$(service_section Other)$(service_section NoPath)" ] || fail "a refused service was stored"

# The database lock held by another program.
exec 9>"$QVTTOSERVICE_MACHINE/database.lock"
flock -n 9 || fail "could not take the database lock for the test"
run -c -iLocked -nLocked '-xC:\x.exe'
expect_output "database locked" $'Failed creating the service, error code 1055\n'
run -r -iTav
expect_output "database locked, remove" $'Failed removing the service, error code 1055\n'
exec 9>&-

# A description that cannot be written: its line first, then the success line. A file
# size limit lets the service in but not its long description.
long_description=$(printf 'd%.0s' $(seq 1 4000))
(ulimit -f 2; run -c -iDescribed -nDescribed '-xC:\x.exe' "-h$long_description"
 expect_output "failed description" $'Failed to update the service\'s description, error code 223\nService successfully created.\n'
 exit "$failures") || failures=$((failures + 1))
[ -n "$(service_section Described)" ] || fail "the service of the failed description is missing"
service_section Described | grep -q Description && fail "a failed description was stored"

# --- A corrupt registry file is reported and left alone ---
cp "$registry" "$scratch/good.reg"
printf 'REGEDIT4\n[HKEY_LOCAL_MACHINE\\SYSTEM]\n"x"=broken\n' >"$registry"
cp "$registry" "$scratch/corrupt.reg"
run -c -iNew -nNew '-xC:\x.exe'
expect_output "corrupt registry" $'Failed creating the service, error code 1009\n'
cmp -s "$registry" "$scratch/corrupt.reg" || fail "the corrupt registry file was changed"
cp "$scratch/good.reg" "$registry"

# --- Runs at the same time: each is created or told the database is locked; none is lost ---
for i in $(seq 1 16); do
    "$tool" -c "-iPar$i" "-nPar$i" '-xC:\par.exe' >"$scratch/par$i" &
done
wait
for i in $(seq 1 16); do
    result=$(cat "$scratch/par$i")
    case "$result" in
        $'Service successfully created.\r')
            [ -n "$(service_section "Par$i")" ] || fail "Par$i was reported created and is missing" ;;
        $'Failed creating the service, error code 1055\r')
            [ -z "$(service_section "Par$i")" ] || fail "Par$i was reported failed and exists" ;;
        *) fail "parallel run $i printed $(printf '%q' "$result")" ;;
    esac
done

# --- Runs killed at any moment leave a readable machine ---
for round in $(seq 1 20); do
    if [ $((round % 2)) -eq 1 ]; then
        "$tool" -c -iChurn -nChurn '-xC:\c.exe' -hx >/dev/null &
    else
        "$tool" -r -iChurn >/dev/null &
    fi
    victim=$!
    sleep "0.00$((round % 10))"
    kill -9 "$victim" 2>/dev/null
    wait "$victim" 2>/dev/null
    run -r -iNobody
    expect_output "after kill $round" $'Failed removing the service, error code 1060\n'"$not_installed"
done

finish "host end-to-end"
