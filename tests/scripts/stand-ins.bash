# Shared by the scripts' tests: stand-ins for the tools the scripts call, first
# on PATH, each answering from the case's state in $state; those that act log
# their call to $calls. The machine's /etc and /proc are a stand-in root in
# $QUENMAR_SYSROOT.

export repo=$(cd "$BATS_TEST_DIRNAME/../.." && pwd)
# The stand-in machines take their archives from this machine's apt sources.
archive=$(env -u QUENMAR_SYSROOT bash -c '. "$1/script/setup.sh" && debian_archive' - "$repo")
security=$(env -u QUENMAR_SYSROOT bash -c '. "$1/script/setup.sh" && debian_archive security' - "$repo")
security=${security:-$archive}

# use_stand_ins: from a test's setup, before its stand_in calls.
use_stand_ins() {
    export state=$BATS_TEST_TMPDIR/state calls=$BATS_TEST_TMPDIR/state/calls
    export QUENMAR_SYSROOT=$BATS_TEST_TMPDIR/machine
    bin=$BATS_TEST_TMPDIR/bin
    PATH=$bin:$PATH
    stand_in id '[ "$1" = -u ] && cat "$state/uid"'
}

# stand_in NAME BODY: the command NAME runs BODY, in which `log ARGS` logs the
# call (the stand-in root's path left out).
# The tests run as root: a stand-in is never written outside the test's folder.
stand_in() {
    [[ "$bin" == "$BATS_TEST_TMPDIR"/* ]] || { echo "stand_in: no stand-in folder of the test's own" >&2; return 1; }
    mkdir -p "$bin"
    cat >"$bin/$1" <<STAND_IN
#!/bin/bash
log() { local args="\$*"; echo "$1 \${args//\$QUENMAR_SYSROOT/}" >>"\$calls"; }
$2
STAND_IN
    chmod +x "$bin/$1"
}

# machine CODENAME [SOURCES]: a fresh machine of that release, run as root, with
# SOURCES (one-line by default) as its apt sources and nothing logged yet.
machine() {
    rm -rf "$state" "$QUENMAR_SYSROOT"
    mkdir -p "$state" "$QUENMAR_SYSROOT/etc/apt/sources.list.d" "$QUENMAR_SYSROOT/proc/sys/fs/binfmt_misc"
    : >"$calls"
    echo 0 >"$state/uid"
    echo "VERSION_CODENAME=$1" >"$QUENMAR_SYSROOT/etc/os-release"
    if [ "${2:-one-line}" = one-line ]; then
        printf 'deb %s %s-security main\ndeb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] %s %s main\n' \
            "$security" "$1" "$archive" "$1" >"$QUENMAR_SYSROOT/etc/apt/sources.list"
    else
        printf 'Types: deb\nURIs: %s\nSuites: %s %s-updates\nComponents: main\n' \
            "$archive" "$1" "$1" >"$QUENMAR_SYSROOT/etc/apt/sources.list.d/debian.sources"
    fi
}

# try COMMAND...: bats' run, its output shown if the test then fails.
try() {
    run "$@"
    printf '%s\n' "$output"
}

# calls_are CALL...: the stand-ins that act were called so, in this order.
calls_are() {
    diff <(for call; do echo "$call"; done) "$calls"
}
