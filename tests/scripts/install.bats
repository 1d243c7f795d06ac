# The install path of script/setup.sh and script/wine.sh, offline: apt's tools,
# id, sleep and mount are stand-ins, and so is the i386 probe.
load stand-ins

setup() {
    use_stand_ins
    wine_pkgs=$(scripts eval 'echo "${wine_packages[*]}"')
    # Installed packages are "PACKAGE VERSION" lines in $state/installed.
    stand_in dpkg-query '
version=$(awk -v p="${@: -1}" '\''$1 == p { print $2 }'\'' "$state/installed" 2>/dev/null)
[ -n "$version" ] || exit 1
case $2 in *Status*) printf "install ok installed" ;; *) printf %s "$version" ;; esac'
    stand_in dpkg '
case $1 in
--print-foreign-architectures) cat "$state/foreign" 2>/dev/null ;;
--add-architecture) log "$@"; echo "$2" >>"$state/foreign" ;;
esac'
    # update fails the number of times in $state/update-fails, naming the indexes
    # in $state/failed-indexes; install succeeds only with the arguments in
    # $state/install-from (any install when there is none, none with "nowhere").
    stand_in apt-get '
log "$@"
case $1 in
update)
    fails=$(cat "$state/update-fails" 2>/dev/null || echo 0)
    if [ "$fails" -gt 0 ]; then
        echo $((fails - 1)) >"$state/update-fails"
        sed "s/^/E: Failed to fetch /" "$state/failed-indexes"
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
        exit 100
    fi ;;
install)
    from=$(cat "$state/install-from" 2>/dev/null) || true
    [ -z "$from" ] || [[ " $* " == *" $from "* ]] ||
        { echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100; }
    shift
    while [ $# -gt 0 ]; do
        case $1 in
        -t) shift ;;
        -*) ;;
        *) echo "$1 1" >>"$state/installed" ;;
        esac
        shift
    done ;;
esac'
    stand_in sleep 'log "$@"'
    stand_in mount 'log "$@"'
}

# scripts COMMAND...: runs COMMAND of the sourced scripts as they run it (set
# -euo pipefail). 32-bit code runs natively where $state/native exists, and
# elsewhere once qemu-i386 is registered.
scripts() {
    bash -c 'set -euo pipefail
        . "$repo/script/setup.sh"
        . "$repo/script/wine.sh"
        runs_i386() { [ -e "$state/native" ] || grep -qs "^:qemu-i386:" "$QUENMAR_SYSROOT/proc/sys/fs/binfmt_misc/register"; }
        "$@"' scripts "$@"
}

# native_machine CODENAME [PACKAGE...]: runs 32-bit code, has i386 packages
# enabled, and has those packages.
native_machine() {
    machine "$1"
    touch "$state/native"
    echo i386 >"$state/foreign"
    local pkg
    for pkg in "${@:2}"; do echo "$pkg 1" >>"$state/installed"; done
}


@test "everything present: nothing installed, nothing updated" {
    native_machine trixie cmake g++ $wine_pkgs
    try scripts need_wine cmake g++
    [ "$status" -eq 0 ]
    calls_are
}

@test "a failed install is tried once more from the release's own suites, the 64-bit and 32-bit twins together" {
    for codename in bookworm trixie; do
        echo "case: $codename"
        native_machine "$codename" cmake
        : >"$state/foreign"
        echo "-t $codename" >"$state/install-from"
        try scripts need_wine cmake g++
        [ "$status" -eq 0 ]
        calls_are "dpkg --add-architecture i386" "apt-get update -q" \
            "apt-get install -y -q g++ $wine_pkgs" "apt-get install -y -q -t $codename g++ $wine_pkgs"
    done
}

@test "apt-get update is tried three times, 10 s apart, then the install goes on with what was read" {
    for fails in 1 2 3; do
        echo "case: update fails $fails times"
        native_machine trixie
        echo $fails >"$state/update-fails"
        echo "$archive/dists/trixie-updates/main/binary-i386/Packages.xz  File has unexpected size" >"$state/failed-indexes"
        try scripts need wine
        [ "$status" -eq 0 ]
        expected=("apt-get update -q")
        for ((n = 1; n <= fails && n < 3; n++)); do expected+=("sleep 10" "apt-get update -q"); done
        calls_are "${expected[@]}" "apt-get install -y -q wine"
        if [ $fails -eq 3 ]; then [[ "$output" == *"apt-get update failed for some sources"* ]]
        else [[ "$output" != *"apt-get update failed"* ]]; fi
    done
}

@test "both installs failing: a diagnosis that names what failed, and a non-zero status" {
    indexes=("$archive/dists/trixie-updates/main/binary-i386/Packages.xz  File has unexpected size (4 != 5). Mirror sync in progress?"
        "$archive/dists/trixie-updates/main/binary-amd64/Packages.xz  Hash Sum mismatch")
    for update_fails in 0 3; do
        echo "case: apt-get update failed $update_fails times"
        native_machine trixie
        echo nowhere >"$state/install-from"
        echo $update_fails >"$state/update-fails"
        printf '%s\n' "${indexes[@]}" >"$state/failed-indexes"
        try scripts need wine wine32:i386
        [ "$status" -ne 0 ]
        [ "$(grep -c '^apt-get install' "$calls")" -eq 2 ]
        [[ "$output" == *"could not install: wine wine32:i386"* ]]
        flat=${output//$'\n'/ }
        if [ $update_fails -eq 0 ]; then
            [[ "$flat" == *"could not install them from this machine's sources"* && "$flat" != *archive* ]]
        else
            for index in "${indexes[@]}"; do [[ "$output" == *"  ${index%%  *}: ${index#*  }"* ]]; done
            [[ "$flat" == *"This is the archive, not this project"* && "$flat" == *"nothing was downgraded"* && "$flat" == *"Try again later"* ]]
        fi
    done
}

@test "run as a user where something is missing: names it and the command, installs nothing, stops" {
    for row in "cmake|i386|apt-get update && apt-get install cmake" \
        "wine32:i386||dpkg --add-architecture i386 && apt-get update && apt-get install wine32:i386" \
        "no 32-bit code||this kernel does not run 32-bit programs"; do
        IFS='|' read -r missing foreign expected <<<"$row"
        echo "case: $row"
        native_machine trixie cmake $wine_pkgs
        echo 1000 >"$state/uid"
        echo "$foreign" >"$state/foreign"
        if [ "$missing" = "no 32-bit code" ]; then rm "$state/native"; else sed -i "/^$missing /d" "$state/installed"; fi
        try scripts need_wine cmake
        [ "$status" -ne 0 ]
        [[ "$output" == *"$expected"* ]]
        [ "$missing" = "no 32-bit code" ] || [[ "$output" == *"missing packages: $missing"* ]]
        calls_are
    done
}

@test "no 32-bit code on this kernel: qemu-user, from the release's own suites or from bookworm-backports" {
    backports="deb $archive bookworm-backports main"
    register="mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc"
    for row in "trixie|one-line|none||apt-get install -y -q qemu-user-static" \
        "bookworm|one-line|none|$backports|apt-get install -y -q -t bookworm-backports qemu-user-static" \
        "bookworm|deb822|none|$backports|apt-get install -y -q -t bookworm-backports qemu-user-static" \
        "bookworm|one-line|1:9.2+ds-1~bpo12+1||"; do
        IFS='|' read -r codename sources qemu list install <<<"$row"
        echo "case: $row"
        machine "$codename" "$sources"
        echo i386 >"$state/foreign"
        printf '%s 1\n' cmake $wine_pkgs >"$state/installed"
        [ "$qemu" = none ] || echo "qemu-user-static $qemu" >>"$state/installed"
        try scripts need_wine cmake
        [ "$status" -eq 0 ]
        if [ -n "$install" ]; then calls_are "apt-get update -q" "$install" "$register"; else calls_are "$register"; fi
        [ "$(cat "$QUENMAR_SYSROOT"/etc/apt/sources.list.d/*.list 2>/dev/null)" = "$list" ]
    done
}
