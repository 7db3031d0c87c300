#!/usr/bin/env bash
# Installs what building, running and testing Varnoset needs, and nothing when it is all
# there already. Safe to run as root without a terminal (CI).
set -euo pipefail

missing=()
need() { # need <package> <file or command that it provides>
    if [[ $2 == /* ]]; then [[ -e $2 ]] || missing+=("$1"); else command -v "$2" >/dev/null || missing+=("$1"); fi
}
need cmake cmake
need g++ g++
need make make
need g++-mingw-w64-x86-64-posix x86_64-w64-mingw32-g++-posix
need binutils-mingw-w64-x86-64 x86_64-w64-mingw32-windres
need wine wine
need wine64 /usr/lib/wine/wine64
# Wine's own fonts, only recommended by its packages: without Marlett the caption buttons
# show letters ("0 1 r") instead of their symbols.
need fonts-wine /usr/share/wine/fonts/marlett.ttf
need xvfb Xvfb
need xauth xauth
need googletest /usr/src/googletest/CMakeLists.txt
need nlohmann-json3-dev /usr/include/nlohmann/json.hpp
need imagemagick import
need x11-utils xwininfo

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=
    [[ $(id -u) -eq 0 ]] || SUDO=sudo
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
