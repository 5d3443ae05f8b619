#!/usr/bin/env bash
# Sets up a Debian machine for the payroll-slip program, builds it and then either starts the
# program ("start") or runs every test ("test"). Safe to run again: packages are installed only
# when missing, the build is incremental and an existing database is never touched.
#
# "test" runs the suite twice: on the normal build in build/, then on a build with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ (GZT_SANITIZE), where any memory
# fault, leak or undefined behaviour fails the test that caused it. Last, the fuzz programs
# (GZT_FUZZ, clang, build-fuzz/) each run briefly over their seed files with a fixed seed.
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
asan_build="$root/build-asan"
fuzz_build="$root/build-fuzz"
fuzz_seconds=20

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev libgl-dev qt6-translations-l10n
    libsqlcipher-dev sqlcipher
    libzip-dev libexpat1-dev libcurl4-openssl-dev libxlsxwriter-dev libfreexl-dev libqpdf-dev qpdf
    libgtest-dev libbenchmark-dev
    python3 python3-aiosmtpd python3-xlrd python3-openpyxl python3-xlwt
    fonts-arphic-uming fonts-wqy-microhei
    poppler-utils unzip
    clang libclang-rt-14-dev
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

build_program() {  # build_program FOLDER [CMAKE OPTION...]
    local folder=$1
    shift
    cmake -S "$root" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    # Two jobs: the machines this runs on have two cores and the Qt sources are heavy.
    cmake --build "$folder" -j "$(nproc)"
}

run_tests() {  # run_tests FOLDER
    (cd "$1" && env QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j "$(nproc)")
}

fuzz_briefly() {
    cmake -S "$root" -B "$fuzz_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DGZT_FUZZ=ON
    cmake --build "$fuzz_build" -j "$(nproc)" --target fuzzers
    local program
    for program in xls_reader xls_rewriter xlsx_reader xlsx_sheet_cells report_loader ini_file \
        backup_archive; do
        local log="$fuzz_build/$program.log"
        echo "Fuzzing $program for ${fuzz_seconds}s"
        if ! bash "$root/fuzz/run.sh" "$fuzz_build" "$program" "$fuzz_seconds" -seed=1 >"$log" 2>&1; then
            tail -n 60 "$log" >&2
            echo "fuzz_$program failed; the input is in $fuzz_build/artifacts/$program/" >&2
            return 1
        fi
        grep -E '^#[0-9]+[[:space:]]+DONE' "$log" || true
    done
}

install_missing
build_program "$build"

if [ "$mode" = test ]; then
    run_tests "$build"
    build_program "$asan_build" -DGZT_SANITIZE=ON
    run_tests "$asan_build"
    fuzz_briefly
    exit 0
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "没有图形显示 (no display): the window opens on the offscreen platform." >&2
    export QT_QPA_PLATFORM=offscreen
fi
exec "$build/dist/gzt"
