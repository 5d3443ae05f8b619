// The worksheet part of an .xlsx read in pieces by two threads must give what one parser over
// the whole part gives: the same rows, or the same error. Each case is a part built here.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

#include "SpreadsheetError.h"
#include "XlsxSheetCells.h"

namespace {

const QStringList kShared{QStringLiteral("部门"), QStringLiteral("张三")};

// One row per line: `row(i)` gives row i's text (i from 1).
QByteArray part(int rows, const std::function<QByteArray(int)>& row,
                const QByteArray& head = "<worksheet xmlns=\"urn:s\"><sheetPr/><sheetData>",
                const QByteArray& tail = "</sheetData><pageMargins left=\"0.7\"/></worksheet>",
                const QByteArray& declaration =
                    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n") {
    QByteArray text = declaration + head + '\n';
    for (int i = 1; i <= rows; ++i) text += row(i) + '\n';
    return text + tail;
}

QByteArray n(int i) {
    return QByteArray::number(i);
}

QByteArray plainRow(int i) {
    return "<row r=\"" + n(i) + "\"><c r=\"A" + n(i) + "\" t=\"s\"><v>" + n(i % 2) +
           "</v></c><c r=\"B" + n(i) + "\"><v>" + n(i) + ".5</v></c><c t=\"inlineStr\"><is><t>名" +
           n(i) + "</t></is></c></row>";
}

// The rows as text, so that a difference shows where it is.
QStringList shown(const XlsxSheetCells::Rows& rows) {
    QStringList out;
    for (const auto& [number, cells] : rows) {
        QString line = QString::number(number) + u':';
        for (const SheetReader::Cell& cell : cells) {
            line += QStringLiteral(" %1=%2").arg(cell.column).arg(cell.text);
        }
        out << line;
    }
    return out;
}

struct Outcome {
    QStringList rows;
    QString error;
};

Outcome readWith(const QByteArray& bytes, qsizetype splitSize, std::size_t* pieces = nullptr) {
    try {
        return {
            shown(XlsxSheetCells::read(QStringLiteral("工资"), kShared, bytes, splitSize, pieces)),
            {}};
    } catch (const SpreadsheetError& e) {
        return {{}, e.message()};
    }
}

// Whether the part is read in pieces: always, never, or as its cuts happen to fall.
enum class Pieces { Cut, Whole, Either };

struct Case {
    const char* name;
    QByteArray part;
    Pieces pieces;
};

TEST(XlsxSheetCells, PiecesGiveWhatOneParserGives) {
    const int rows = 3000;
    const Case cases[] = {
        {"numbered rows, other elements after the sheet data", part(rows, plainRow), Pieces::Cut},
        {"prefixed names",
         part(
             rows,
             [](int i) {
                 return "<x:row r=\"" + n(i) + "\"><x:c r=\"B" + n(i) + "\"><x:v>" + n(i) +
                        "</x:v></x:c></x:row>";
             },
             "<x:worksheet xmlns:x=\"urn:s\"><x:sheetData>", "</x:sheetData></x:worksheet>"),
         Pieces::Cut},
        {"no declaration, a comment before the root",
         part(rows, plainRow, "<!-- 工资 --><worksheet><sheetData>", "</sheetData></worksheet>",
              ""),
         Pieces::Cut},
        {"rows without numbers",
         part(rows, [](int i) { return "<row><c><v>" + n(i) + "</v></c></row>"; }), Pieces::Whole},
        {"every third row without its number",
         part(rows,
              [](int i) {
                  return (i % 3 ? "<row r=\"" + n(i) + "\">" : QByteArray("<row>")) + "<c><v>" +
                         n(i) + "</v></c></row>";
              }),
         Pieces::Either},
        {"a comment over the middle holding rows",
         part(rows,
              [](int i) {
                  if (i < 1000 || i > 2000) return plainRow(i);
                  return "<!-- </row><row r=\"" + n(i + 9000) + "\"><c><v>1</v></c></row> -->";
              }),
         Pieces::Either},
        {"character data sections holding rows",
         part(rows,
              [](int i) {
                  return "<row r=\"" + n(i) + "\"><c t=\"str\"><v><![CDATA[</c></row><row r=\"" +
                         n(i + 9000) + "\"><c><v>" + n(i) + "]]></v></c></row>";
              }),
         Pieces::Either},
        {"an entity declared for the whole part",
         part(
             rows,
             [](int i) {
                 return "<row r=\"" + n(i) + "\"><c t=\"inlineStr\"><is><t>&pay;" + n(i) +
                        "</t></is></c></row>";
             },
             "<!DOCTYPE worksheet [<!ENTITY pay \"工资\">]><worksheet><sheetData>",
             "</sheetData></worksheet>"),
         Pieces::Whole},
        {"rows inside another element",
         part(rows, plainRow, "<worksheet><sheetData><group>", "</group></sheetData></worksheet>"),
         Pieces::Whole},
        {"a second sheet data after the first",
         part(rows, plainRow, "<worksheet><sheetData>",
              "</sheetData><sheetData><row "
              "r=\"9999\"><c><v>7</v></c></row></sheetData></worksheet>"),
         Pieces::Cut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome whole = readWith(c.part, c.part.size() + 1);
        std::size_t pieces = 0;
        const Outcome cut = readWith(c.part, 0, &pieces);
        ASSERT_TRUE(whole.error.isEmpty()) << whole.error.toStdString();
        EXPECT_GE(whole.rows.size(), 1000);
        EXPECT_EQ(cut.rows, whole.rows);
        EXPECT_EQ(cut.error, whole.error);
        if (c.pieces == Pieces::Cut) {
            EXPECT_EQ(pieces, XlsxSheetCells::PieceCount);
        }
        if (c.pieces == Pieces::Whole) {
            EXPECT_EQ(pieces, 1u);
        }
    }
}

TEST(XlsxSheetCells, ThePiecesOfAPartHoldItsRowsInOrder) {
    const QByteArray bytes = part(3000, plainRow);
    std::size_t pieces = 0;
    const QStringList rows = readWith(bytes, 0, &pieces).rows;
    EXPECT_EQ(pieces, XlsxSheetCells::PieceCount);
    ASSERT_EQ(rows.size(), 3000);
    EXPECT_EQ(rows.first(), QStringLiteral("1: 0=张三 1=1.5 2=名1"));
    EXPECT_EQ(rows.at(1499), QStringLiteral("1500: 0=部门 1=1500.5 2=名1500"));
    EXPECT_EQ(rows.last(), QStringLiteral("3000: 0=部门 1=3000.5 2=名3000"));
}

// A fault late in the part is told as one parser tells it: its message and the line it is on
// in the whole part.
TEST(XlsxSheetCells, AFaultInALaterPieceIsToldAsForTheWholePart) {
    struct Fault {
        const char* name;
        QByteArray row;
        const char* told;
    };
    const Fault faults[] = {
        {"mismatched tag", "<row r=\"2500\"><c><v>1</v></d></row>", "第2502行"},
        {"undefined entity", "<row r=\"2500\"><c t=\"str\"><v>&pay;</v></c></row>", "第2502行"},
        {"shared string out of range", "<row r=\"2500\"><c t=\"s\"><v>7</v></c></row>",
         "共享字符串 7"},
        {"unclosed row at the end", "<row r=\"2500\"><c><v>1</v></c>", "第"},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.name);
        const QByteArray bytes = part(3000, [&](int i) { return i == 2500 ? f.row : plainRow(i); });
        const Outcome whole = readWith(bytes, bytes.size() + 1);
        const Outcome cut = readWith(bytes, 0);
        EXPECT_TRUE(whole.rows.isEmpty());
        EXPECT_TRUE(whole.error.contains(QString::fromUtf8(f.told))) << whole.error.toStdString();
        EXPECT_EQ(cut.error, whole.error);
        EXPECT_TRUE(cut.rows.isEmpty());
    }
}

}  // namespace

// Looking for the cuts stays linear in the size of the part: a part that repeats the names the
// search looks for is refused as quickly as one parser refuses it.
TEST(XlsxSheetCells, PartsRepeatingTheNamesLookedForAreReadAsOneParserReadsThem) {
    const QByteArray parts[] = {
        "<worksheet><sheetData>" + QByteArray("sheetData ").repeated(400'000) +
            "</sheetData></worksheet>",
        "<worksheet><sheetData>" + QByteArray("sheetData>").repeated(400'000) + "</worksheet>",
        "<worksheet><sheetData>" + QByteArray("<row").repeated(800'000) +
            "</sheetData></worksheet>",
    };
    for (const QByteArray& bytes : parts) {
        const Outcome whole = readWith(bytes, bytes.size() + 1);
        const Outcome cut = readWith(bytes, 0);
        EXPECT_EQ(cut.rows, whole.rows);
        EXPECT_EQ(cut.error, whole.error);
    }
}
