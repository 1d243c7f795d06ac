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

# Whether 32-bit programs run here through qemu-user rather than natively.
i386_through_qemu() {
    grep -qsx enabled "$sysroot/proc/sys/fs/binfmt_misc/qemu-i386"
}

# Wine runs 32-bit Linux code. Where this kernel cannot run it, qemu-user runs
# it instead; Debian 12's own qemu (7.2) cannot host Wine, so there it comes
# from the release's backports; later releases' own can.
ensure_i386_exec() {
    runs_i386 && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "this kernel does not run 32-bit programs, and qemu-user is not set up to run them" >&2
        echo "run script/test once as root (after a restart too: the kernel forgets it), which sets it up" >&2
        return 1
    fi
    echo "this kernel does not run 32-bit programs: running them through qemu-user"
    local codename backports=
    codename=$(debian_codename)
    [ "$codename" != bookworm ] || backports=$codename-backports
    if [ -z "$backports" ]; then
        need qemu-user-static
    elif ! dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null | grep -q bpo; then
        if ! grep -rqs "$backports" "$sysroot/etc/apt/sources.list" "$sysroot/etc/apt/sources.list.d/"; then
            local mirror
            mirror=$(debian_archive)
            [ -n "$mirror" ] || { echo "no Debian archive in this machine's apt sources" >&2; return 1; }
            echo "deb $mirror $backports main" >"$sysroot/etc/apt/sources.list.d/$backports.list"
        fi
        apt_update
        apt_install -t "$backports" qemu-user-static
    fi
    local qemu=/usr/bin/qemu-i386-static binfmt=$sysroot/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
    [ -e "$binfmt/qemu-i386" ] && echo -1 >"$binfmt/qemu-i386"
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$(readlink -f $qemu)"':F' >"$binfmt/register"
    runs_i386 || { echo "cannot run 32-bit programs, even through qemu" >&2; return 1; }
}

# Before Wine is installed: its 32-bit packages run 32-bit code as they install.
# With the build tools, all in one install, so that apt chooses every 64-bit
# library together with its 32-bit twin.
wine_packages=(wine wine32:i386 fonts-wine xvfb imagemagick)
need_wine() {
    ensure_i386_exec
    need "$@" "${wine_packages[@]}"
}
need_build_tools_and_wine() {
    need_wine "${build_tools[@]}"
}

# wine_prefix DIR: uses (and on first use creates) the Wine prefix in DIR.
wine_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "creating the Wine prefix $WINEPREFIX (once$(i386_through_qemu && echo '; slow under emulation'))"
        mkdir -p "$WINEPREFIX"
        bg_wait wineboot -i >/dev/null 2>&1 || true
        bg_wait wineserver -w
    fi
    # A fresh device context on Windows holds the System font, vgasys.fon; without
    # the bitmap font in the prefix, Debian's Wine draws in a TrueType stand-in.
    # Marlett draws the caption buttons.
    local font
    for font in vgasys.fon vgafix.fon marlett.ttf; do
        [ -f "$WINEPREFIX/drive_c/windows/Fonts/$font" ] || cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
    done
}

# wine_desktop WxH: every program in the prefix runs on one Wine desktop, with
# a taskbar and tray, as a user's desktop would have.
wine_desktop() {
    bg_wait wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Quenmar /f >/dev/null 2>&1
    bg_wait wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Quenmar /d "$1" /f >/dev/null 2>&1
    wine_desktop_shell
    bg_wait wineserver -w
}

# wine_desktop_shell: the prefix's desktop "Quenmar" has a taskbar and tray.
# Wine 8 gives them to every desktop; since Wine 9 only the desktop named
# "shell" has them unless its own key (Desktops\NAME) sets EnableShell. It waits
# for the prefix's Wine to end after a change (the desktop started for it has no display).
wine_desktop_shell() {
    awk '/^\[/ { key = index($0, "[Software\\\\Wine\\\\Explorer\\\\Desktops\\\\Quenmar]") == 1 }
         key && $0 == "\"EnableShell\"=dword:00000001" { found = 1 } END { exit !found }' "$WINEPREFIX/user.reg" 2>/dev/null &&
        return 0
    bg_wait wine reg add 'HKCU\Software\Wine\Explorer\Desktops\Quenmar' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1
    bg_wait wineserver -w
}

# start_display WxH: a virtual X display of its own, on a number Xvfb picks
# itself (so that runs at once never meet); sets DISPLAY.
start_display() {
    local fd_file n= xvfb
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 300); do
        read -r n <"$fd_file" && break
        kill -0 "$xvfb" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$fd_file"
    [ -n "$n" ] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=:$n
}

# Ends every Wine process of the prefix, then the virtual display and all
# else the script still runs in the background. It never fails.
stop_wine_and_display() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
    fi
    local left
    left=$(jobs -p) || true
    [ -z "$left" ] || kill $left 2>/dev/null || true
    wait 2>/dev/null || true
}

# stop_on_exit: from here on, every way out of the script (its end, a failed
# step, Ctrl-C, SIGTERM, SIGHUP) ends all it started under Wine and keeps the
# script's exit status.
stop_on_exit() {
    trap 'stopping_exit $?' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    trap 'exit 129' HUP
}
stopping_exit() {
    trap '' INT TERM HUP
    stop_wine_and_display
    exit "$1"
}
