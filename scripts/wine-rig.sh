# Sourced by the scripts that run Windows binaries: a private Xvfb display and a fresh
# Wine prefix template for one run, and the clean-up that stops every wineserver and
# Xvfb the run started, however it ends. Never touches ~/.wine.

rig_dir=
rig_xvfb_pid=

# Wine's own fonts through fontconfig (see wine-fonts.conf), for every Wine these scripts
# start, whatever prefix it runs in.
export FONTCONFIG_FILE=${FONTCONFIG_FILE:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine-fonts.conf}

# Starts Xvfb on the first free display from :90 and exports DISPLAY.
rig_start_display() {
    local n
    for n in $(seq 90 140); do
        [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        rig_xvfb_pid=$!
        local i
        for i in $(seq 1 50); do
            [[ -e /tmp/.X11-unix/X$n ]] && { export DISPLAY=":$n"; return 0; }
            kill -0 "$rig_xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
    done
    echo "could not start Xvfb" >&2
    return 1
}

# Makes a Wine prefix at $1 that suits tests and scripted runs: no window manager
# decorations (Wine otherwise waits about 2 s whenever a dialog opens or closes), no
# crash dialogs, no Mono or Gecko install prompts.
rig_make_prefix() {
    local prefix=$1
    mkdir -p "$prefix"
    WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    WINEPREFIX=$prefix WINEDEBUG=-all wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    WINEPREFIX=$prefix WINEDEBUG=-all wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrash /t REG_DWORD /d 0 /f >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
}

# Creates the run folder with its template prefix; wine-test.sh copies it per binary.
rig_start() {
    rig_dir=$(mktemp -d "${TMPDIR:-/tmp}/varnoset-wine.XXXXXX")
    export VARNOSET_WINE_RUN_DIR=$rig_dir
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    trap rig_stop EXIT
    trap 'exit 130' INT TERM
    rig_start_display
    rig_make_prefix "$rig_dir/template"
}

rig_stop() {
    local prefix
    if [[ -n $rig_dir && -d $rig_dir ]]; then
        for prefix in "$rig_dir"/template "$rig_dir"/prefix.*; do
            [[ -d $prefix ]] && WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
        done
        rm -rf "$rig_dir"
    fi
    if [[ -n $rig_xvfb_pid ]]; then
        kill "$rig_xvfb_pid" 2>/dev/null || true
        wait "$rig_xvfb_pid" 2>/dev/null || true
    fi
    rig_dir= rig_xvfb_pid=
}
