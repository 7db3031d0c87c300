#!/usr/bin/env bash
# Builds Varnoset.exe and starts it under Wine. Uses the prefix named by WINEPREFIX when
# that is set (as it is, never filled with samples); otherwise a prefix of its own under the build
# folder, filled once with a small sample of registrations. Without a display it runs the
# program on a private Xvfb display, writes a screenshot of the main window, prints its
# path, closes the program and stops everything it started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" windows Varnoset # the program only: the tests are test.sh's
build=${VARNOSET_BUILD_DIR:-$root/build}
exe=$build/windows/Varnoset.exe
source "$root/scripts/wine-rig.sh"
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# --- the sample registrations of a prefix of our own -------------------------------------
# Written as a .reg file (UTF-16LE, as regedit writes them) and imported with Wine's reg:
# strings become REG_SZ with their NUL, hex(2) is REG_EXPAND_SZ as UTF-16LE bytes with the
# NUL, exactly as the program's registration writes them.

expand_sz() { # expand_sz <ASCII text>: the hex(2) data of the text and its NUL
    local text=$1 out= i
    for ((i = 0; i < ${#text}; i++)); do out+=$(printf '%02x,00,' "'${text:i:1}"); done
    printf 'hex(2):%s00,00' "$out"
}

reg_text() { # reg_text <text>: a quoted .reg string (backslashes and quotes escaped)
    local text=${1//\\/\\\\}
    printf '"%s"' "${text//\"/\\\"}"
}

classes='HKEY_CLASSES_ROOT\CLSID'
explorer='Software\Microsoft\Windows\CurrentVersion\Explorer'
category_value='"{305ca226-d286-468e-b848-2b2e8e697b74} 2"'

# A registration as stock Windows makes it: a named class key with an icon (and a tooltip
# when given) and an entry key without the marker, so it shows only in Expert Mode.
stock_object() { # stock_object <hive> <place> <clsid> <name> <icon> [<tooltip>]
    printf '[%s\\CLSID\\%s]\n@=%s\n' HKEY_CLASSES_ROOT "$3" "$(reg_text "$4")"
    [[ -n ${6:-} ]] && printf '"InfoTip"=%s\n' "$(reg_text "$6")"
    printf '\n[%s\\CLSID\\%s\\DefaultIcon]\n@=%s\n\n' HKEY_CLASSES_ROOT "$3" "$(expand_sz "$5")"
    printf '[%s\\%s\\%s\\NameSpace\\%s]\n@=%s\n\n' "$1" "$explorer" "$2" "$3" "$(reg_text "$4")"
}

# The class key of an object made by the program, value by value and key by key in the
# layout its registration writes.
made_class() { # made_class <clsid> <name> <tooltip> <category> <icon> <attributes> <hide-if-deleted>
    local key="$classes\\$1"
    printf '[%s]\n@=%s\n' "$key" "$(reg_text "$2")"
    [[ -n $3 ]] && printf '"InfoTip"=%s\n' "$(reg_text "$3")"
    printf '%s=dword:%08x\n"SearchHelper"=%s\n\n' "$category_value" "$4" "$(reg_text "Varnoset: $2")"
    printf '[%s\\DefaultIcon]\n@=%s\n\n' "$key" "$(reg_text "$5")"
    printf '[%s\\ShellFolder]\n"Attributes"=dword:%08x\n"WantsFORPARSING"=""\n' "$key" "$6"
    [[ $7 == yes ]] && printf '"HideAsDeletePerUser"=""\n'
    printf '\n'
}

made_folder() { # made_folder <clsid> <target> <property-sheet>
    local key="$classes\\$1"
    printf '[%s\\Instance]\n"CLSID"="{0afaced1-e828-11d1-9187-b532f1e9575d}"\n\n' "$key"
    printf '[%s\\Instance\\InitPropertyBag]\n"Attributes"=dword:00000015\n"Target"=%s\n\n' "$key" "$(expand_sz "$2")"
    printf '[%s\\InProcServer32]\n@="shdocvw.dll"\n"ThreadingModel"="Apartment"\n\n' "$key"
    if [[ $3 == yes ]]; then
        printf '[%s\\ShellEx\\PropertySheetHandlers\\tab 1 general]\n@="{21b22460-3aea-1069-a2dc-08002b30309d}"\n\n' "$key"
        printf '[%s\\ShellEx\\PropertySheetHandlers\\tab 2 customize]\n@="{ef43ecfe-2ab9-4632-bf21-58909dd177f0}"\n\n' "$key"
        printf '[%s\\ShellEx\\PropertySheetHandlers\\tab 3 sharing]\n@="{f81e9010-6ea4-11ce-a7ff-00aa003ca9f6}"\n\n' "$key"
        printf '[%s\\ShellEx\\PropertySheetHandlers\\tab 4 security]\n@="{1f2e5c40-9550-11ce-99d2-00aa006e086c}"\n\n' "$key"
    fi
}

made_program() { # made_program <clsid> <command>
    printf '[%s\\%s\\Shell\\Open\\Command]\n@=%s\n\n' "$classes" "$1" "$(expand_sz "$2")"
}

made_entry() { # made_entry <hive> <place> <key name> <name>: an entry key with the marker
    printf '[%s\\%s\\%s\\NameSpace\\%s]\n"SearchHelper"=%s\n\n' "$1" "$explorer" "$2" "$3" \
        "$(reg_text "Varnoset: $4")"
}

sample_registry() {
    local user=HKEY_CURRENT_USER machine=HKEY_LOCAL_MACHINE
    local folder='{6f3a1c52-8d4e-4b7a-9c21-5e0d7b9a3f10}' program='{b24e9d07-3c61-4f85-a2d9-71c4e8f05a36}'
    printf 'Windows Registry Editor Version 5.00\n\n'
    stock_object $machine ControlPanel '{D20EA4E1-3957-11d2-A40B-0C5020524152}' Fonts \
        '%SystemRoot%\system32\shell32.dll,-39' 'Add, change, and manage fonts on your computer.'
    stock_object $machine ControlPanel '{D20EA4E1-3957-11d2-A40B-0C5020524153}' 'Administrative Tools' \
        '%SystemRoot%\system32\shell32.dll,-16826' 'Configure administrative settings for your computer.'
    stock_object $machine NetworkNeighborhood '{208D2C60-3AEA-1069-A2D7-08002B30309D}' 'Entire Network' \
        '%SystemRoot%\system32\shell32.dll,-18'
    stock_object $user Desktop '{871C5380-42A0-1069-A2EA-08002B30309D}' 'Internet Explorer' \
        '%ProgramFiles%\Internet Explorer\iexplore.exe,-32528' 'Finds and displays information and Web sites on the Internet.'

    # A folder object on the Desktop and in My Computer (this user): rename, delete, copy,
    # drag and drop and the folder property pages; no Control Panel category.
    made_class "$folder" 'Project Files' 'Shared project folders' 0xffffffff \
        'C:\windows\system32\shell32.dll,3' 0xf8000171 no
    made_folder "$folder" '%USERPROFILE%\Documents' yes
    made_entry $user Desktop "$folder" 'Project Files'
    made_entry $user MyComputer "$folder" 'Project Files'

    # A program object on the Desktop and in Control Panel (this user), category "Other",
    # deletable (hidden per user when deleted); its My Computer entry is hidden, as the
    # Hide command leaves it.
    made_class "$program" 'Notepad' 'Edit text files' 0 'C:\windows\system32\notepad.exe,0' 0x30 yes
    made_program "$program" '%SystemRoot%\system32\notepad.exe'
    made_entry $user Desktop "$program" 'Notepad'
    made_entry $user ControlPanel "$program" 'Notepad'
    made_entry $user MyComputer "hidden$program" 'Notepad'
}

# --- prefix, display, run ---------------------------------------------------------------

started_display=
cleanup() {
    if [[ -n $started_display ]]; then
        wineserver -k >/dev/null 2>&1 || true
        rig_stop
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [[ -z ${DISPLAY:-} ]]; then
    rig_start_display
    started_display=$DISPLAY
fi

if [[ -n ${WINEPREFIX:-} ]]; then
    echo "Wine prefix: $WINEPREFIX (from WINEPREFIX, used as it is)"
else
    export WINEPREFIX=$build/wine-prefix
    if [[ ! -e $WINEPREFIX/.varnoset-samples ]]; then
        echo "Making a Wine prefix of its own with sample registrations: $WINEPREFIX"
        rm -rf "$WINEPREFIX"
        rig_make_prefix "$WINEPREFIX"
        { printf '\xff\xfe'; sample_registry | iconv -f UTF-8 -t UTF-16LE; } >"$build/sample-registrations.reg"
        wine reg import "$(winepath -w "$build/sample-registrations.reg")" >/dev/null
        wineserver -w
        touch "$WINEPREFIX/.varnoset-samples"
    fi
    echo "Wine prefix: $WINEPREFIX (Varnoset's own, under the build folder)"
fi

if [[ -z $started_display ]]; then
    wine "$exe"
    exit 0
fi

# No display of the user's: show the main window on the private one and photograph it.
title='Varnoset (x64) Version'
wine "$exe" &
program=$!
shown=
for _ in $(seq 1 300); do
    windows=$(xwininfo -root -tree 2>/dev/null || true)
    if [[ $windows == *"$title"* ]]; then
        shown=yes
        break
    fi
    kill -0 "$program" 2>/dev/null || break
    sleep 0.2
done
if [[ -z $shown ]]; then
    echo "the main window did not appear" >&2
    exit 1
fi
sleep 2 # let the list paint
mkdir -p "$build/screenshots"
shot=$build/screenshots/varnoset-$(date +%Y%m%d-%H%M%S).png
import -window root "$shot"
echo "Screenshot: $shot"

# Close it as the user would (WM_CLOSE), so that it saves its settings, then stop Wine.
wine taskkill /im Varnoset.exe >/dev/null 2>&1 || true
for _ in $(seq 1 50); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.2
done
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
