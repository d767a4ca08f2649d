# Shared by the end-to-end scripts: counting failures, comparing printed output, and the
# tool's fixed texts. The sourcing script sets $scratch and sets $output after each run.

failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Expects the last output to be the given text, each "\n" written as "\r\n".
expect_output() {
    local expected=${2//$'\n'/$'\r\n'}
    [ "$output" == "$expected" ] || fail "$1: printed $(printf '%q' "$output"), expected $(printf '%q' "$expected")"
}

# Reads a file into $output byte for byte, trailing line breaks included.
read_output() {
    output=$(cat "$1" 2>/dev/null; printf x)
    output=${output%x}
}

# Ends the script with the outcome of all checks.
finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "all $1 checks passed"
    exit 0
}

usage_text=$'Usage: [<option>[<argument>]]\n\nOptions:\n\t-c Create a new service\n\n\tCreate options:\n'
usage_text+=$'\t\t-i<Name of the service> (mandatory)\n\t\t-n<Displayed name of the service> (mandatory)\n'
usage_text+=$'\t\t-x<Full path to the executable file> (mandatory)\n'
usage_text+=$'\t\t-a Start the service automatically during system startup\n\t\t-m Start the service manually\n'
usage_text+=$'\t\t-l<Load ordering group of this service>\n\t\t-d<List of dependencies, separated by semicolons>\n'
usage_text+=$'\t\t-s<Account name for the service process>\n\t\t-p<Password of the account name>\n'
usage_text+=$'\t\t-h<Description of the service>\n\n\t-r Remove a service\n\n\tRemove options:\n'
usage_text+=$'\t\t-i<Name of the service> (mandatory)\n\nExamples:\n\n'
usage_text+='QVTToService.exe -c -iTestServ -nMyService -xC:\QVTService.exe -h"Test Service"'$'\n\n'
usage_text+='QVTToService.exe -c -iTav -nQVT -x"\"C:\QVTService.exe\" -C:\NXR\MorvelFiles\morvelsv.ini" -h"Test Service"'$'\n'
not_installed='The specified service does not exist as an installed service.'
