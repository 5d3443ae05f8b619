// The .xls rewriter over a fuzzed template, as the electronic payslip files use it: the
// placeholders of Sheet1 below its first row are replaced (by short, long, empty and Chinese
// texts). A template the rewriter accepts gives a file that holds the replaced texts; when the
// template's Sheet1 reads, the new file's does too, with a cell wherever the template has one.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzFolder.h"
#include "XlsError.h"
#include "XlsRewriter.h"
#include "XlsWorkbook.h"

namespace {

// Excel's limit for the text of one cell; the rewriter cuts longer texts there.
constexpr int MaxCellText = 32767;

QString fill(const QString& text) {
    if (!text.contains(u'[')) return text;
    QString out = text;
    out.replace(QStringLiteral("[EmpName]"), QStringLiteral("王芳\"'%\\"));
    out.replace(QStringLiteral("[GZMonth]"), QString());
    out.replace(QStringLiteral("[单位名称]"), QString(300, QChar(0x5DE5)));
    out.replace(u'[', QStringLiteral("〔"));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = FuzzFolder::bytes(data, size);
    std::vector<QString> expected;
    QByteArray out;
    try {
        const XlsRewriter rewriter(bytes);
        for (const QString& text : rewriter.candidateTexts()) {
            expected.push_back(fill(text).left(MaxCellText));
        }
        out = rewriter.rewrite(fill);
    } catch (const XlsError&) {
        return 0;
    }
    try {
        const std::vector<QString> texts = XlsRewriter(out).candidateTexts();
        FuzzRequire(texts == expected, "the rewritten file holds the new texts");
    } catch (const XlsError& e) {
        FuzzRequire(false, "a rewritten template opens again", e.message());
    }
    std::optional<XlsSheetText> before;
    try {
        before = XlsWorkbook::fromBytes(bytes).sheet(QStringLiteral("Sheet1"));
    } catch (const XlsError&) {
        // A damaged cell the rewriter does not look at stays as damaged in the new file.
        return 0;
    }
    try {
        const XlsSheetText after = XlsWorkbook::fromBytes(out).sheet(QStringLiteral("Sheet1"));
        FuzzRequire(after.cells.size() == before->cells.size(), "the same cells");
        for (const auto& [at, text] : before->cells) {
            FuzzRequire(after.cells.count(at) == 1, "the same cells", text);
        }
    } catch (const XlsError& e) {
        FuzzRequire(false, "a rewritten sheet reads again", e.message());
    }
    return 0;
}
