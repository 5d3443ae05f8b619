#!/usr/bin/env bash
# End to end through gztctl in a fresh program folder: every step is checked by reading its
# result back with an independent tool (pdftotext, unzip) or through gztctl months.
# Usage: gztctl_test.sh DIST_FOLDER
set -u
dist=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
folder="$work/prog"
mkdir -p "$folder"
cp -r "$dist/RPT" "$folder/"
ctl() { "$dist/gztctl" --dir "$folder" "$@"; }
months() { ctl months 2>/dev/null; }
failures=0
passes=0
check() {  # check NAME CONDITION...
    local name=$1
    shift
    if "$@"; then
        passes=$((passes + 1))
    else
        failures=$((failures + 1))
        echo "FAILED: $name" >&2
    fi
}
status() { "$@" >/dev/null 2>"$work/last-stderr"; echo $?; }
contains() { grep -q -- "$2" "$1"; }

check "init --demo" test "$(status ctl init --demo)" = 0
month=$(date +%Y%m)
check "months lists the demo month" test "$(months)" = "$month	20"

check "add-month with rows" test "$(status ctl add-month 209901 --from "$month" --copy-rows)" = 0
check "months newest first" test "$(months | cut -f1 | tr '\n' ' ')" = "209901 $month "
check "copied rows" test "$(months | head -1 | cut -f2)" = 20

check "recalc" test "$(status ctl recalc 209901)" = 0

printf "PRAGMA key = 'hxwp51937261';\nupdate TPara set EntName='青禾机械厂', NameOnTitle=1;\n" |
    sqlcipher "$folder/db/ZYDB.dat" >/dev/null
check "payslips to PDF" test "$(status ctl payslips 209901 --pdf "$work/all.pdf")" = 0
pdftotext "$work/all.pdf" "$work/all.txt"
for name in 青禾机械厂 张伟 王芳 周杰 高翔 基本工资 养老保险 实发工资 4195.10; do
    check "payslip text $name" contains "$work/all.txt" "$name"
done
check "disabled item not printed" test "$(grep -c 工资项目 "$work/all.txt")" = 0

check "backup" test "$(status ctl backup "$work/one.GZBK")" = 0
check "backup is a zip with ZYDB.dat at its root" contains <(unzip -l "$work/one.GZBK") " ZYDB.dat$"
check "existing backup needs --yes" test "$(status ctl backup "$work/one.GZBK")" = 1
check "existing backup with --yes" test "$(status ctl --yes backup "$work/one.GZBK")" = 0

check "add a month after the backup" test "$(status ctl add-month 209902)" = 0
check "restore" test "$(status ctl restore "$work/one.GZBK")" = 0
check "restore brings back the backed-up months" test "$(months | cut -f1 | tr '\n' ' ')" = "209901 $month "
echo "not a zip" >"$work/bad.GZBK"
check "bad archive refused" test "$(status ctl restore "$work/bad.GZBK")" = 1
check "bad archive leaves the months" test "$(months | wc -l)" = 2

check "wrong call" test "$(status ctl frobnicate)" = 2
check "wrong call says so in one line" test "$(wc -l <"$work/last-stderr")" -ge 1
check "missing argument" test "$(status ctl recalc)" = 2
check "missing month" test "$(status ctl recalc 190001)" = 1
check "missing month message" contains "$work/last-stderr" "月度\[190001\]不存在！"

printf "PRAGMA key = 'hxwp51937261';\nupdate TPara set LogPass='s3cret';\n" | sqlcipher "$folder/db/ZYDB.dat" >/dev/null
check "wrong password" test "$(status ctl --password nope recalc 209901)" = 1
check "wrong password message" contains "$work/last-stderr" "密码错误！"
check "right password" test "$(status ctl --password s3cret recalc 209901)" = 0
check "reading needs no password" test "$(status ctl months)" = 0

check "help" test "$(status "$dist/gztctl" --help)" = 0
check "command help" contains <("$dist/gztctl" payslips --help) "--pdf"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
