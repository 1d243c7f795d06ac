# Sourced by the scripts that run quenmar.exe: Wine, a virtual display, and a
# Wine prefix of the project's own under build/.

# A static 32-bit Linux program of 96 bytes that exits with 42.
I386_PROBE=f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhgAAAAYAAAAAUAAAAAEAAAuAEAAAC7KgAAAM2A

runs_i386() {
    local probe rc=0
    probe=$(mktemp)
    base64 -d <<<"$I386_PROBE" >"$probe" && chmod +x "$probe"
    "$probe" 2>/dev/null || rc=$?
    rm -f "$probe"
    [ "$rc" -eq 42 ]
}

# Wine runs 32-bit Linux code. Where this kernel cannot run it, qemu-user runs
# it instead; Debian 12's own qemu (7.2) cannot host Wine, the backported one can.
ensure_i386_exec() {
    runs_i386 && return 0
    echo "this kernel does not run 32-bit programs: running them through qemu-user"
    if ! dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null | grep -q bpo; then
        if ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/; then
            echo "deb http://deb.debian.org/debian bookworm-backports main" >/etc/apt/sources.list.d/bookworm-backports.list
        fi
        apt-get update -q
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q -t bookworm-backports qemu-user-static
    fi
    local qemu=/usr/bin/qemu-i386-static binfmt=/proc/sys/fs/binfmt_misc
    [ -e $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt
    [ -e $binfmt/qemu-i386 ] && echo -1 >$binfmt/qemu-i386
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$(readlink -f $qemu)"':F' >$binfmt/register
    runs_i386 || { echo "cannot run 32-bit programs, even through qemu" >&2; return 1; }
}

# Before Wine is installed: its 32-bit packages run 32-bit code as they install.
need_wine() {
    ensure_i386_exec
    need wine wine32:i386 xvfb imagemagick
}

# wine_prefix DIR: uses (and on first use creates) the Wine prefix in DIR.
wine_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "creating the Wine prefix $WINEPREFIX (once; slow under emulation)"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
}

# wine_desktop WxH: every program in the prefix runs on one Wine desktop, with
# a taskbar and tray, as a user's desktop would have.
wine_desktop() {
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Quenmar /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Quenmar /d "$1" /f >/dev/null 2>&1
    wineserver -w
}

# start_display WxH: a virtual X display of its own; sets DISPLAY and xvfb_pid.
start_display() {
    local n
    for n in $(seq 90 150); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
    done
    Xvfb :$n -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=:$n
    for _ in $(seq 100); do
        [ -e /tmp/.X11-unix/X$n ] && return 0
        sleep 0.1
    done
    echo "Xvfb did not start on $DISPLAY" >&2
    return 1
}

# Ends every Wine process of the prefix and the virtual display, if any.
stop_wine_and_display() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
}
