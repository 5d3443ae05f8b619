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

# A sheet from another program, imported by its captions.
/usr/bin/python3 - "$work/in.xls" <<'PY'
import sys, xlwt
book = xlwt.Workbook()
sheet = book.add_sheet("Sheet1")
for c, h in enumerate(["部门", "姓名", "电子邮件地址", "应发工资|基本工资", "应扣/代扣工资|养老保险"]):
    sheet.write(0, c, h)
for r in range(1, 6):
    for c, v in enumerate(["测试部", "导入员工%d" % r, "emp%d@example.com" % r, 1000 * r, 80 * r]):
        sheet.write(r, c, v)
book.save(sys.argv[1])
PY
check "add an empty month" test "$(status ctl add-month 209903)" = 0
check "import" test "$(status ctl import 209903 "$work/in.xls")" = 0
check "imported rows" test "$(months | grep '^209903' | cut -f2)" = 5
check "import recalculated the totals" contains <(ctl stats 209903 2>/dev/null) "实发工资	13800.00"
check "stats of two months" contains <(ctl stats 209903,209901 2>/dev/null) "行数 rows	25"

check "export" test "$(status ctl export 209903 --xlsx "$work/out.xlsx")" = 0
check "export reads back" contains <(/usr/bin/python3 -c "
import openpyxl, sys
ws = openpyxl.load_workbook(sys.argv[1]).active
print([c.value for c in ws[3]])" "$work/out.xlsx") "导入员工1"

check "table to PDF" test "$(status ctl table 209903 --pdf "$work/table.pdf")" = 0
check "table text" contains <(pdftotext "$work/table.pdf" -) "5条"
# A file name with a percent sign is told as it stands.
check "table file named with %2" contains <(ctl table 209903 --pdf "$work/table%2.pdf" 2>/dev/null) "table%2.pdf ("
check "pos slips" test "$(status ctl pos 209903 --out "$work/pos.txt")" = 0
check "pos slips are GBK" contains <(iconv -f GBK -t UTF-8 "$work/pos.txt") "导入员工3"

check "electronic payslips" test "$(status ctl epayslips 209903 --out "$work/files")" = 0
check "five payslip files" test "$(ls "$work/files" | wc -l)" = 5
check "payslip file reads back" contains <(/usr/bin/python3 -c "
import xlrd, sys
s = xlrd.open_workbook(sys.argv[1]).sheet_by_name('Sheet1')
print([s.cell_value(r, c) for r in range(s.nrows) for c in range(s.ncols)])" "$work/files/0001_导入员工1.xls") "导入员工1"

# Mail through a real SMTP server on this machine; the addresses are not among the imported
# columns, so they are entered here.
printf "PRAGMA key = 'hxwp51937261';\nupdate TGZ set EMail='emp'||ID||'@example.com' where GZMonth='209903';\n" |
    sqlcipher "$folder/db/ZYDB.dat" >/dev/null
coproc SMTP { exec /usr/bin/python3 "$(dirname "$0")/../exchange/smtp_server.py" serve "$work/mail"; }
read -r -t 20 _ port <&"${SMTP[0]}"
printf '[comm]\r\nsmtp=127.0.0.1\r\nport=%s\r\nemail=hr@example.com\r\nemailtitle=工资条\r\npass1=0\r\n' "$port" >"$folder/comm.ini"
check "mail" test "$(status ctl mail 209903 --out "$work/files")" = 0
check "five mails received" test "$(ls "$work/mail"/*.eml 2>/dev/null | wc -l)" = 5
eval "exec ${SMTP[1]}>&-"
wait "$SMTP_PID" 2>/dev/null
log="$folder/邮件发送记录_209903.csv"
check "mail log beside the program" test -f "$log"
check "mail log is GBK with one sent line per mail" test "$(iconv -f GBK -t UTF-8 "$log" | grep -c ',已发送,')" = 5
check "second full run needs --yes" test "$(status ctl mail 209903 --out "$work/files")" = 1
check "second full run asks" contains "$work/last-stderr" "已经发送过"
check "nothing failed, nothing resent" test "$(status ctl mail 209903 --out "$work/files" --resend-failed)" = 0
check "still five mails" test "$(ls "$work/mail"/*.eml 2>/dev/null | wc -l)" = 5

# PDF payslips locked with the employee code; 导入员工5 has none and gets no file.
sql() { printf "PRAGMA key = 'hxwp51937261';\n%s\n" "$1" | sqlcipher "$folder/db/ZYDB.dat"; }
sql "update TGZ set EmpCode='P'||ID where GZMonth='209903' and EmpName COLLATE BINARY<>'导入员工5';" >/dev/null
check "password column needs --pdf" test "$(status ctl epayslips 209903 --out "$work/pdfs" --password-column EmpCode)" = 2
check "unknown password column" test "$(status ctl epayslips 209903 --out "$work/pdfs" --pdf --password-column Nope)" = 2
check "pdf payslips report the row without password" test "$(status ctl epayslips 209903 --out "$work/pdfs" --pdf --password-column EmpCode)" = 1
check "row without password named" contains "$work/last-stderr" "0005_导入员工5"
check "four pdf files" test "$(ls "$work/pdfs" | tr '\n' ' ')" = "0001_导入员工1.pdf 0002_导入员工2.pdf 0003_导入员工3.pdf 0004_导入员工4.pdf "
code1=$(sql "select EmpCode from TGZ where GZMonth='209903' and EmpName COLLATE BINARY='导入员工1';")
check "locked without the password" test "$(status qpdf --check "$work/pdfs/0001_导入员工1.pdf")" != 0
check "opens with the employee code" test "$(status qpdf --password="$code1" --check "$work/pdfs/0001_导入员工1.pdf")" = 0
qpdf --password="$code1" --decrypt "$work/pdfs/0001_导入员工1.pdf" "$work/plain1.pdf"
check "decrypted payslip names its employee" contains <(pdftotext "$work/plain1.pdf" -) "导入员工1"
check "and no other" test "$(pdftotext "$work/plain1.pdf" - | grep -c '导入员工[2-5]')" = 0

# The PDF files by mail: one address refused, then only that one sent again.
rejected=$(sql "select EMail from TGZ where GZMonth='209903' and EmpName COLLATE BINARY='导入员工2';")
coproc SMTP { exec /usr/bin/python3 "$(dirname "$0")/../exchange/smtp_server.py" serve "$work/mail2" --reject "$rejected"; }
read -r -t 20 _ port <&"${SMTP[0]}"
printf '[comm]\r\nsmtp=127.0.0.1\r\nport=%s\r\nemail=hr@example.com\r\nemailtitle={姓名}的工资条\r\npass1=0\r\n' "$port" >"$folder/comm.ini"
check "pdf mail with a refusal fails" test "$(status ctl --yes mail 209903 --out "$work/pdfs")" = 1
check "three pdf mails received" test "$(ls "$work/mail2"/*.eml 2>/dev/null | wc -l)" = 3
check "personal subject" contains <(/usr/bin/python3 "$(dirname "$0")/../exchange/smtp_server.py" parse "$work/mail2/0001.eml") '"subject": "导入员工1的工资条"'
eval "exec ${SMTP[1]}>&-"
wait "$SMTP_PID" 2>/dev/null
check "refusal logged" test "$(iconv -f GBK -t UTF-8 "$log" | grep -c ',失败,')" = 1
coproc SMTP { exec /usr/bin/python3 "$(dirname "$0")/../exchange/smtp_server.py" serve "$work/mail3"; }
read -r -t 20 _ port <&"${SMTP[0]}"
sed -i "s/^port=.*/port=$port\r/" "$folder/comm.ini"
check "resend failed" test "$(status ctl mail 209903 --out "$work/pdfs" --resend-failed)" = 0
check "exactly the failed mail resent" test "$(ls "$work/mail3"/*.eml 2>/dev/null | wc -l)" = 1
check "to the refused address" contains "$work/mail3/0001.json" "$rejected"
check "with its pdf" contains <(/usr/bin/python3 "$(dirname "$0")/../exchange/smtp_server.py" parse "$work/mail3/0001.eml") '"filename": "0002_导入员工2.pdf"'
eval "exec ${SMTP[1]}>&-"
wait "$SMTP_PID" 2>/dev/null

check "backup" test "$(status ctl backup "$work/one.GZBK")" = 0
check "backup is a zip with ZYDB.dat at its root" contains <(unzip -l "$work/one.GZBK") " ZYDB.dat$"
check "existing backup needs --yes" test "$(status ctl backup "$work/one.GZBK")" = 1
check "existing backup with --yes" test "$(status ctl --yes backup "$work/one.GZBK")" = 0

check "add a month after the backup" test "$(status ctl add-month 209902)" = 0
check "restore" test "$(status ctl restore "$work/one.GZBK")" = 0
check "restore brings back the backed-up months" test "$(months | cut -f1 | tr '\n' ' ')" = "209903 209901 $month "
echo "not a zip" >"$work/bad.GZBK"
check "bad archive refused" test "$(status ctl restore "$work/bad.GZBK")" = 1
check "bad archive leaves the months" test "$(months | wc -l)" = 3

check "wrong call" test "$(status ctl frobnicate)" = 2
check "wrong call says so in one line" test "$(grep -vc XDG_RUNTIME "$work/last-stderr")" = 1
check "missing argument" test "$(status ctl recalc)" = 2
check "missing month" test "$(status ctl recalc 190001)" = 1
check "missing month in one line" test "$(grep -vc XDG_RUNTIME "$work/last-stderr")" = 1
check "missing month message" contains "$work/last-stderr" "月度\[190001\]不存在！"

printf "PRAGMA key = 'hxwp51937261';\nupdate TPara set LogPass='s3cret';\n" | sqlcipher "$folder/db/ZYDB.dat" >/dev/null
check "wrong password" test "$(status ctl --password nope recalc 209901)" = 1
check "wrong password in one line" test "$(grep -vc XDG_RUNTIME "$work/last-stderr")" = 1
check "wrong password message" contains "$work/last-stderr" "密码错误！"
check "right password" test "$(status ctl --password s3cret recalc 209901)" = 0
check "reading needs no password" test "$(status ctl months)" = 0

check "help" test "$(status "$dist/gztctl" --help)" = 0
check "command help" contains <("$dist/gztctl" payslips --help) "--pdf"
check "epayslips help" contains <("$dist/gztctl" epayslips --help) "--password-column"
check "mail help" contains <("$dist/gztctl" mail --help) "--resend-failed"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
