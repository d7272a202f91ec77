#!/usr/bin/env bash
# Installs, only when missing, every Debian/Ubuntu package that the build, the tests and the game
# need, and generates the ja_JP.UTF-8 locale. Safe to run again and again.
set -euo pipefail

packages=(
    cmake make g++ pkg-config
    mingw-w64
    googletest libbenchmark-dev
    clang libclang-rt-dev
    valgrind
    wine wine64 wine32:i386
    xvfb xauth xdotool x11-utils imagemagick python3
    python3-xlib python3-pil python3-pytest python3-pytest-timeout python3-pyvirtualdisplay
    fonts-ipafont-gothic
    locales
    desktop-file-utils
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

# The 32-bit Wine (for the win32 build's tests and the 32-bit archive) comes from Debian's i386
# architecture, which a fresh amd64 machine has not enabled.
if [ "$(dpkg --print-architecture)" = amd64 ] &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup: enabling the i386 architecture for 32-bit Wine"
    "${sudo_cmd[@]}" dpkg --add-architecture i386
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq \
        "${missing[@]}" >/dev/null
fi

# Under ja_JP.UTF-8 Wine's ANSI code page is 932, which the program's texts are written in.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "setup: generating the ja_JP.UTF-8 locale"
    if [ -f /etc/locale.gen ]; then
        "${sudo_cmd[@]}" sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
        grep -q '^ja_JP\.UTF-8 UTF-8' /etc/locale.gen ||
            echo 'ja_JP.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
        "${sudo_cmd[@]}" locale-gen >/dev/null
    else
        "${sudo_cmd[@]}" locale-gen ja_JP.UTF-8 >/dev/null
    fi
fi
