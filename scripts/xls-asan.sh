#!/usr/bin/env bash
# Builds the exchange tests (the xls module and the electronic payslip files) with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ and runs them. A longer fuzz run:
#   GZT_XLS_FUZZ_ITERATIONS=2000000 GZT_XLS_FUZZ_SECONDS=600 bash scripts/xls-asan.sh --gtest_filter='*Fuzz*'
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-asan"
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined"
cmake --build "$build" -j "$(nproc)" --target test_exchange
cd "$build"
exec env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ./tests/test_exchange "$@"
