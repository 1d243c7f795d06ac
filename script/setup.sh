# Sourced by the scripts: installs what is missing on a Debian 12 machine
# (as root, with apt-get) and skips what is there. Run as another user, it
# says what is missing and how to get it, and stops.

# need PACKAGE... : installs those of the packages that are not installed yet.
need() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local add_i386=
    if [[ " ${missing[*]}" == *":i386"* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        add_i386=1
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing packages: ${missing[*]}" >&2
        echo "run script/test once as root, which installs them, or as root:" >&2
        echo "  ${add_i386:+dpkg --add-architecture i386 && }apt-get update && apt-get install ${missing[*]}" >&2
        return 1
    fi
    if [ -n "$add_i386" ]; then
        dpkg --add-architecture i386
        apt_updated=
    fi
    if [ -z "${apt_updated:-}" ]; then
        apt_update
        apt_updated=1
    fi
    echo "installing: ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
}

# A mirror half way through a sync can fail one index of many; apt-get then
# ignores it and exits 100. Try again a little later, then go on with what was
# read: the install itself says if a package cannot be had.
apt_update() {
    local try
    for try in 1 2 3; do
        apt-get update -q && return 0
        [ "$try" -eq 3 ] || sleep 10
    done
    echo "apt-get update failed for some sources; installing from what it could read" >&2
}

need_build_tools() {
    need cmake ninja-build g++ libgtest-dev g++-mingw-w64-i686 binutils-mingw-w64-i686 python3
}

jobs=$(nproc 2>/dev/null || echo 2)
