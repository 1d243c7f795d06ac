# script/fresh-root's argument checks and its clean-up on every way out, in a
# copy of the checkout in a temporary folder, with debootstrap, git, unshare,
# mount, umount and findmnt as stand-ins. The way each run goes is $way.
load stand-ins

setup() {
    use_stand_ins
    machine trixie
    checkout=$BATS_TEST_TMPDIR/checkout
    mkdir -p "$checkout/script"
    cp "$repo/script/fresh-root" "$repo/script/setup.sh" "$checkout/script/"
    stand_in dpkg-query 'printf "install ok installed"'
    stand_in debootstrap '
log "$@"
mkdir -p "$3/etc/apt/sources.list.d" "$3/usr/share/keyrings" "$3/proc"
touch "$3/usr/share/keyrings/debian-archive-keyring.gpg"
[ "$way" != debootstrap ] || kill -INT $PPID'
    stand_in git '
case $1 in
rev-parse) echo 0123456789abcdef0123456789abcdef01234567 ;;
clone) log "$@"; mkdir -p "${@: -1}"; [ "$way" != clone ] || kill -INT $PPID ;;
esac'
    # The namespace: it mounts under the root as the real one does, then
    # stops the script, fails, or makes the exe, when it runs script/test.
    stand_in unshare '
while [ "$1" != inside ]; do shift; done
root=$2
shift 2
mount --bind "$root" "$root"
mount -t proc proc "$root/proc"
echo $$ >"$state/namespace"
[[ "$*" == *.ci/run* ]] || exit 0
case $way in
test) kill -TERM $PPID; exec sleep 300 </dev/null >/dev/null 2>&1 ;;
fail) exit 3 ;;
pass) mkdir -p "$root/src/quenmar/dist"; echo exe >"$root/src/quenmar/dist/quenmar.exe" ;;
esac'
    # What is mounted is a line each in $state/mounts.
    stand_in mount 'log "$@"; echo "${@: -1}" >>"$state/mounts"'
    stand_in umount 'log "$@"; grep -vxF -- "${@: -1}" "$state/mounts" >"$state/left" || true; mv "$state/left" "$state/mounts"'
    stand_in findmnt 'cat "$state/mounts" 2>/dev/null || true'
}

# A namespace left running is ended here, not by the next test.
teardown() {
    [ ! -e "$state/namespace" ] || kill "$(cat "$state/namespace")" 2>/dev/null || true
}

@test "fresh-root refuses wrong arguments (2) and a user (1), and touches nothing" {
    for row in "2|" "2|trixie bookworm" "2|Trixie" "2|../trixie" "1|trixie|1000"; do
        IFS='|' read -r expected args uid <<<"$row"
        echo "case: $row"
        echo "${uid:-0}" >"$state/uid"
        try "$checkout/script/fresh-root" $args
        [ "$status" -eq "$expected" ]
        calls_are
        [ ! -e "$checkout/build" ]
    done
}

@test "fresh-root leaves nothing mounted, running or on disk, whichever way it ends" {
    exe_sha=$(echo exe | sha256sum | cut -d' ' -f1)
    for row in "debootstrap|130|exit status: 130, before script/test ran" \
        "clone|130|exit status: 130, before script/test ran" \
        "test|143|script/test exit status: 143, stopped before it ended" \
        "fail|3|script/test exit status: 3" \
        "pass|0|dist/quenmar.exe SHA-256: $exe_sha" \
        "fail|3|kept: $checkout/build/fresh/trixie|1"; do
        IFS='|' read -r way expected summary keep <<<"$row"
        echo "case: $row"
        export way
        : >"$state/mounts"
        rm -f "$state/namespace"
        FRESH_ROOT_KEEP=$keep try timeout 20 "$checkout/script/fresh-root" trixie
        [ "$status" -eq "$expected" ]
        [[ "$output" == *"$summary"* ]]
        [ ! -s "$state/mounts" ]
        [ ! -e "$state/namespace" ] || [ ! -e "/proc/$(cat "$state/namespace")" ]
        if [ -n "$keep" ]; then [ -d "$checkout/build/fresh/trixie" ]; rm -rf "$checkout/build"; else [ ! -e "$checkout/build" ]; fi
    done
}
