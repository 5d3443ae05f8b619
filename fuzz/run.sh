#!/usr/bin/env bash
# Runs one fuzz program over its seed corpus, for the given number of seconds (600 unless told):
#   bash fuzz/run.sh build-fuzz xls_reader [SECONDS] [LIBFUZZER OPTION...]
# New inputs go to <build>/corpus/<program>/, crashes, hangs and leaks to
# <build>/artifacts/<program>/; the committed seeds in fuzz/corpus/ are only read.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${1:?usage: run.sh <fuzz build folder> <program> [seconds]}" && pwd)
program=${2:?usage: run.sh <fuzz build folder> <program> [seconds]}
seconds=${3:-600}
shift $(($# < 3 ? $# : 3))
mkdir -p "$build/corpus/$program" "$build/artifacts/$program"
exec nice -n 10 "$build/fuzz/fuzz_$program" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/artifacts/$program/" \
    "$@" "$build/corpus/$program" "$here/corpus/$program"
