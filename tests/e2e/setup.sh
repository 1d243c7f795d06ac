# Sourced by the end-to-end suite and the soak: Wine set up as the suite runs
# it, in a prefix of its own on a virtual display of its own, with the
# machine's memory as Wine sees it a file bound over /proc/meminfo in a mount
# namespace of the run's own.

# A user namespace that maps the user to itself and keeps the capabilities it
# grants: the binding needs no root, and Wine still finds its prefix and its
# server's folder in /tmp owned by the user it runs as.
e2e_userns=(unshare --map-current-user --keep-caps --mount --propagation private)

# e2e_setup PREFIX OUT: Wine in PREFIX, on a Wine desktop with taskbar and tray
# on a virtual display, all of it ended on every way out of the script; the
# memory file is OUT/meminfo.
e2e_setup() {
    need_wine >/dev/null
    "${e2e_userns[@]}" true || { echo "the suite needs a user namespace (unshare --user), which this machine refuses to $(id -un)" >&2; return 1; }
    mkdir -p "$2"
    stop_on_exit
    wine_prefix "$1"
    wine_desktop 1024x768
    start_display 1024x768
    : >"$2/meminfo"
}

# e2e_left PREFIX [PID...]: what is still running of the Wine prefix PREFIX
# (every process whose environment names it) but the PIDs given, after up to
# 30 s for those ending: nothing, or "PID ARGS;" for each, which it kills.
# The search runs without the caller's own WINEPREFIX, which it passes on.
e2e_left() {
    local prefix=$1 left= pid
    shift
    for _ in $(seq 30); do
        left=
        for pid in $(env -u WINEPREFIX grep -lsFxz "WINEPREFIX=$prefix" /proc/[0-9]*/environ | cut -d/ -f3); do
            [[ " $* " == *" $pid "* ]] || left+=" $pid"
        done
        [ -n "$left" ] || return 0
        sleep 1
    done
    ps -o pid=,args= -p "$(echo $left | tr ' ' ,)" | tr '\n' ';'
    kill -9 $left 2>/dev/null || true
}

# e2e_winpath PATH: the Unix path as Wine's Z: drive names it.
e2e_winpath() { echo "Z:${1//\//\\}"; }

# e2e_wine BUILD OUT SECONDS EXE ARG...: runs EXE of the folder BUILD under Wine
# with OUT/meminfo bound over /proc/meminfo, for at most SECONDS; EXE is given
# the program and the memory file's Windows path before ARG.
e2e_wine() {
    local build=$1 out=$2 seconds=$3 exe=$4
    shift 4
    bg_wait env -C "$build" "${e2e_userns[@]}" bash -c '
        mount --bind "$1" /proc/meminfo || exit 3
        shift
        exec timeout "$@"
    ' e2e "$out/meminfo" "$seconds" wine "$exe" quenmar.exe "$(e2e_winpath "$out/meminfo")" "$@"
}
