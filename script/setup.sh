# Sourced by the scripts: installs what is missing on a Debian 12 or 13 machine
# (as root, with apt-get) and skips what is there. Run as another user, it
# says what is missing and how to get it, and stops.

# Where the machine's /etc and /proc files are read and written: the scripts'
# tests (tests/scripts/) point QUENMAR_SYSROOT at a folder of stand-ins.
sysroot=${QUENMAR_SYSROOT:-}

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
    apt_install "${missing[@]}" && return 0
    # apt-get -y never downgrades, and -t only raises the release's own suites
    # below the priority a downgrade needs.
    local codename
    codename=$(debian_codename)
    if [ -n "$codename" ]; then
        echo "the install failed; trying once more from $codename's own suites, where each i386 library can be taken at its amd64 twin's version without the updates' indexes"
        apt_install -t "$codename" "${missing[@]}" && return 0
    fi
    install_diagnosis "${missing[@]}"
    return 1
}

apt_install() {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$@"
}

# A mirror half way through a sync can fail one index of many; apt-get then
# ignores it and exits 100. Try again a little later, then go on with what was
# read: the install itself says if a package cannot be had. The indexes that
# failed are kept for the diagnosis.
apt_update() {
    local try log
    log=$(mktemp)
    for try in 1 2 3; do
        if (set -o pipefail; apt-get update -q 2>&1 | tee "$log"); then
            apt_failed_indexes=
            rm -f "$log"
            return 0
        fi
        [ "$try" -eq 3 ] || sleep 10
    done
    apt_failed_indexes=$(sed -n 's/^E: Failed to fetch \([^ ]*\) *\(.*\)$/  \1: \2/p' "$log")
    rm -f "$log"
    echo "apt-get update failed for some sources; installing from what it could read" >&2
}

install_diagnosis() {
    {
        echo
        echo "could not install: $*"
        if [ -n "${apt_failed_indexes:-}" ]; then
            echo "the package archive could not be read whole; these indexes failed (a mirror part way through a sync):"
            echo "$apt_failed_indexes"
            echo "This is the archive, not this project. Nothing was installed against apt's checks and nothing was"
            echo "downgraded. Try again later, when the archive's indexes match their Release files again."
        else
            echo "apt-get could not install them from this machine's sources (see its messages above)."
        fi
    } >&2
}

# The machine's Debian release, by codename: bookworm, trixie.
debian_codename() {
    (. "$sysroot/etc/os-release" && echo "${VERSION_CODENAME:-}")
}

# "URI SUITE" for every deb source of this machine: one-line sources
# ("deb [options] URI SUITE ...") and deb822 stanzas ("URIs:", "Suites:"). A
# machine may have either kind alone: the files that are not there are no fault.
apt_sources() {
    sed 's/\[[^]]*\]//' "$sysroot"/etc/apt/sources.list "$sysroot"/etc/apt/sources.list.d/*.list 2>/dev/null |
        awk '$1 == "deb" { print $2, $3 }' || true
    cat "$sysroot"/etc/apt/sources.list.d/*.sources 2>/dev/null | awk -v RS= '
        /(^|\n)Types:[^\n]*deb( |\n|$)/ && !/(^|\n)Enabled: *no/ {
            uris = suites = ""
            n = split($0, lines, "\n")
            for (i = 1; i <= n; i++) {
                if (lines[i] ~ /^URIs:/) uris = substr(lines[i], 6)
                if (lines[i] ~ /^Suites:/) suites = substr(lines[i], 8)
            }
            nu = split(uris, u, " "); ns = split(suites, s, " ")
            for (i = 1; i <= nu; i++) for (j = 1; j <= ns; j++) print u[i], s[j]
        }' || true
}

# debian_archive [security]: the URI of this machine's Debian archive (a source
# of a release, its updates or backports), or of its security archive.
debian_archive() {
    apt_sources | awk -v security="${1:-}" '($2 ~ /-security$|\/updates$/) == (security != "") { print $1; exit }'
}

# bg_wait COMMAND...: runs it in the background and waits, so that a signal
# to the script is taken at once, not when the command ends.
bg_wait() {
    "$@" &
    wait $!
}

build_tools=(cmake ninja-build g++ g++-multilib googletest g++-mingw-w64-i686 binutils-mingw-w64-i686 python3 bats)
need_build_tools() {
    need "${build_tools[@]}"
}

jobs=$(nproc 2>/dev/null || echo 2)
