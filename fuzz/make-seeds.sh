#!/usr/bin/env bash
# Writes the seed corpora of the fuzz programs into fuzz/corpus/<program>/ with the program's own
# writers: gzt_make_fuzz_seeds, and one payslip template drawn by the build. Run after building
# the fuzz programs:
#   bash fuzz/make-seeds.sh build-fuzz
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${1:?usage: make-seeds.sh <fuzz build folder>}" && pwd)
corpus="$here/corpus"
rm -rf "$corpus"
"$build/fuzz/gzt_make_fuzz_seeds" "$corpus"
cp "$build/dist/RPT/GZBillNoKK.RAV" "$corpus/report_loader/"
du -sh "$corpus"/*
