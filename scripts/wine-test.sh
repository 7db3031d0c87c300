#!/usr/bin/env bash
# CTest's emulator for Windows binaries: runs one test binary under Wine in its own copy
# of the run's template prefix (registry files copied, drive_c shared), then stops that
# prefix's wineserver and removes it. scripts/test.sh sets up the run.
set -u
run_dir=${VARNOSET_WINE_RUN_DIR:-}
if [[ -z $run_dir || ! -d $run_dir/template ]]; then
    echo "wine-test.sh: run the Windows tests through scripts/test.sh (it prepares Wine and Xvfb)" >&2
    exit 1
fi
template=$run_dir/template
prefix=$(mktemp -d "$run_dir/prefix.XXXXXX")
cp -a "$template"/*.reg "$template"/.update-timestamp "$template"/dosdevices "$prefix"/
ln -s "$template/drive_c" "$prefix/drive_c"
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
cleanup() {
    wineserver -k >/dev/null 2>&1
    rm -rf "$prefix"
}
trap cleanup EXIT
trap 'exit 143' TERM INT
wine "$@"
