#!/usr/bin/env bash
# Sets up a Debian machine for the payroll-slip program, builds it and then either starts the
# program ("start") or runs every test ("test"). Safe to run again: packages are installed only
# when missing, the build is incremental and an existing database is never touched.
set -euo pipefail

usage() {
    echo "usage: $0 start|test" >&2
    exit 2
}
[ $# -eq 1 ] || usage
mode=$1
case "$mode" in start | test) ;; *) usage ;; esac

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev libgl-dev qt6-translations-l10n
    libsqlcipher-dev sqlcipher
    libzip-dev libcurl4-openssl-dev libxlsxwriter-dev libfreexl-dev libqpdf-dev qpdf
    libgtest-dev libbenchmark-dev
    python3 python3-aiosmtpd python3-xlrd python3-openpyxl python3-xlwt
    fonts-arphic-uming fonts-wqy-microhei
    poppler-utils unzip
)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build_program() {
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    # Two jobs: the machines this runs on have two cores and the Qt sources are heavy.
    cmake --build "$build" -j "$(nproc)"
}

install_missing
build_program

if [ "$mode" = test ]; then
    cd "$build"
    exec env QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j "$(nproc)"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "没有图形显示 (no display): the window opens on the offscreen platform." >&2
    export QT_QPA_PLATFORM=offscreen
fi
exec "$build/dist/gzt"
