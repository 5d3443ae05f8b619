#!/usr/bin/env bash
# Builds the exchange tests (the xls module and the electronic payslip files) in the sanitizer
# build build-asan/ (GZT_SANITIZE: AddressSanitizer with leak detection and
# UndefinedBehaviorSanitizer, the same build scripts/gzt.sh tests) and runs them. A longer run of
# the mutation loop:
#   GZT_XLS_FUZZ_ITERATIONS=2000000 GZT_XLS_FUZZ_SECONDS=600 bash scripts/xls-asan.sh --gtest_filter='*Fuzz*'
# The libFuzzer programs are in fuzz/ (see fuzz/README.md).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-asan"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGZT_SANITIZE=ON
cmake --build "$build" -j "$(nproc)" --target test_exchange
cd "$build"
exec env QT_QPA_PLATFORM=offscreen ./tests/test_exchange "$@"
