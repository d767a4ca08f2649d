# Shared by the scripts: installs the Debian packages a step needs.

# ensure_packages PACKAGE... installs the packages that are missing when run as root;
# otherwise it names them and stops.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing ${missing[*]}"
        apt-get update &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}" || exit 1
    else
        echo "These Debian packages are missing: ${missing[*]}" >&2
        echo "Install them (sudo apt-get install -y ${missing[*]}) or run this as root." >&2
        exit 1
    fi
}

# The packages a step needs, from scripts/packages.txt (every package CI installs).
all_packages() { grep -v '^#' "$(dirname "${BASH_SOURCE[0]}")/packages.txt"; }
