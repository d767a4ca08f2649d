#!/usr/bin/env bash
# Runs the Windows build under Wine, in a fresh prefix, against Wine's own service manager
# and registry. Each run gets an exact raw command line through the launcher, since the
# splitting rules are part of the tool's interface; the outcome is read back from the
# registry with Wine's `reg query`.
# Usage: wine_end_to_end.sh <Windows build folder>
set -u
source "$(dirname "$0")/../e2e/checks.sh"

build=${1:?usage: wine_end_to_end.sh <Windows build folder>}
for program in QVTToService.exe tests/wine_launcher.exe; do
    [ -f "$build/$program" ] || { echo "FAIL: $build/$program is missing"; exit 1; }
done
if ! command -v wine >/dev/null || ! command -v wineserver >/dev/null; then
    echo "FAIL: wine is not installed (Debian package wine64)"
    exit 1
fi

scratch=$(mktemp -d)
export WINEPREFIX=$scratch/prefix
export WINEDEBUG=-all
# No Mono or Gecko: the tests need neither, and asking for them slows the boot.
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

# Boot the prefix under a server that then ends; only then start the persistent server
# the runs share, so a single service manager sees one database.
wine wineboot -i >"$scratch/boot.log" 2>&1
wineserver -w
wineserver -p
mkdir -p "$WINEPREFIX/drive_c/qvt"
cp "$build/QVTToService.exe" "$build/tests/wine_launcher.exe" "$WINEPREFIX/drive_c/qvt/"

services='HKLM\SYSTEM\CurrentControlSet\Services'

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Starts the tool with exactly this command line; its output goes through a file, since
# Wine's background processes can hold a pipe open. The output is left in $output.
run_line() {
    printf '%s' "$1" >"$scratch/line.txt"
    rm -f "$scratch/out.txt"
    wine 'C:\qvt\wine_launcher.exe' "$(windows_path "$scratch/line.txt")" \
        "$(windows_path "$scratch/out.txt")" </dev/null >"$scratch/launcher.log" 2>&1
    local status=$?
    [ "$status" -eq 0 ] || fail "exit status $status for: $1 ($(cat "$scratch/launcher.log"))"
    read_output "$scratch/out.txt"
}

# One value of a service's key as `reg query` shows it: "<type>    <data>".
value_of() {
    wine reg query "$services\\$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' |
        sed -n "s/^    $2    //p"
}

expect_value() {
    local actual
    actual=$(value_of "$2" "$3")
    [ "$actual" == "$4" ] || fail "$1: $2\\$3 is '$actual', expected '$4'"
}

service_exists() { wine reg query "$services\\$1" </dev/null >/dev/null 2>&1; }

# --- Usage ---
run_line 'QVTToService.exe'
expect_output "no arguments" "$usage_text"
run_line 'QVTToService.exe -c -iS -nD'
expect_output "create without -x" "$usage_text"

# --- The first usage example: create, then update ---
first='QVTToService.exe -c -iTestServ -nMyService -xC:\QVTService.exe -h"Test Service"'
run_line "$first"
expect_output "first create" $'Service successfully created.\n'
expect_value "first create" TestServ Type 'REG_DWORD    0x10'
expect_value "first create" TestServ Start 'REG_DWORD    0x3'
expect_value "first create" TestServ ErrorControl 'REG_DWORD    0x1'
expect_value "first create" TestServ ImagePath 'REG_SZ    C:\QVTService.exe'
expect_value "first create" TestServ DisplayName 'REG_SZ    MyService'
expect_value "first create" TestServ Description 'REG_SZ    Test Service'
run_line "$first"
expect_output "second run" $'Service successfully updated.\n'
expect_value "second run" TestServ Description 'REG_SZ    Test Service'

# An update with every option. Wine's service manager rewrites the whole key from its own
# record, so dependencies (and a description) are checked right after the run that
# passes them; that they are kept when absent is shown by the host tests.
run_line 'QVTToService.exe -c -iTestServ -nRenamed -x"C:\Program Files\Q\q.exe" -a -lGrp -d";Tcpip;;Dhcp;" -sLocalSystem -ppw -hNew'
expect_output "update with every option" $'Service successfully updated.\n'
expect_value "update" TestServ Start 'REG_DWORD    0x2'
expect_value "update" TestServ ImagePath 'REG_SZ    C:\Program Files\Q\q.exe'
expect_value "update" TestServ DisplayName 'REG_SZ    Renamed'
expect_value "update" TestServ Group 'REG_SZ    Grp'
expect_value "update" TestServ DependOnService 'REG_MULTI_SZ    Tcpip\0Dhcp'
expect_value "update" TestServ Description 'REG_SZ    New'
# Without -a the start type goes back to on demand.
run_line 'QVTToService.exe -c -iTestServ -nRenamed -xC:\q.exe -m'
expect_output "update to demand start" $'Service successfully updated.\n'
expect_value "update to demand start" TestServ Start 'REG_DWORD    0x3'

# --- The second usage example: a quoted path with its own argument, stored verbatim ---
run_line 'QVTToService.exe -c -iTav -nQVT -x"\"C:\QVTService.exe\" -C:\NXR\MorvelFiles\morvelsv.ini" -h"Test Service"'
expect_output "second usage example" $'Service successfully created.\n'
expect_value "second usage example" Tav ImagePath 'REG_SZ    "C:\QVTService.exe" -C:\NXR\MorvelFiles\morvelsv.ini'
expect_value "second usage example" Tav Description 'REG_SZ    Test Service'

# A quoted run ending in two backslashes keeps one and a literal quote, and runs on to the
# end of the line: the -h behind it becomes part of the command line.
run_line 'QVTToService.exe -c -iSlash -nSlash -x"C:\dir\\" -hDesc'
expect_output "two backslashes" $'Service successfully created.\n'
expect_value "two backslashes" Slash ImagePath 'REG_SZ    C:\dir\" -hDesc'
[ -z "$(value_of Slash Description)" ] || fail "two backslashes: a description was stored"

# Dependencies given at creation. Windows stores the whole list; Wine 8's CreateServiceA
# keeps only the first name, so the check is on what both do.
run_line 'QVTToService.exe -c -iDeps -nDeps -xC:\d.exe -dTcpip;Dhcp'
expect_output "create with dependencies" $'Service successfully created.\n'
case "$(value_of Deps DependOnService)" in
    'REG_MULTI_SZ    Tcpip' | 'REG_MULTI_SZ    Tcpip\0Dhcp') ;;
    *) fail "create with dependencies: DependOnService is '$(value_of Deps DependOnService)'" ;;
esac

# Not here: Wine 8 accepts any service account, where Windows refuses an unknown one with
# 1057, so that refusal is tested on the host.

# --- Removal ---
for name in TestServ Tav Slash Deps; do
    run_line "QVTToService.exe -r -i$name"
    expect_output "remove $name" $'Service successfully removed.\n'
    service_exists "$name" && fail "remove $name: the key is still there"
done
run_line 'QVTToService.exe -r -iTestServ'
expect_output "remove a missing service" $'Failed removing the service, error code 1060\n'"$not_installed"
run_line 'QVTToService.exe -r -i'
expect_output "remove an empty name" $'Failed removing the service, error code 123\n'

finish "Wine end-to-end"
