// Damaged inputs: every truncation, cut-out byte ranges, random bytes and a bounded mutation
// fuzzer over the reader and the rewriter. Each input must give either a result or an XlsError,
// never a crash (the tests also run under AddressSanitizer and UBSan, see bench/RESULTS.md).

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "EPayslipTemplates.h"
#include "QtPrinters.h"
#include "XlsBiff.h"
#include "XlsCompoundFile.h"
#include "XlsError.h"
#include "XlsRewriter.h"
#include "XlsTestSupport.h"
#include "XlsWorkbook.h"
#include "XlsWriter.h"

namespace {

QByteArray fixture(const XlsWriter::Options& options, int rows, bool longStrings) {
    XlsWriter w(options);
    XlsWriter::Format f;
    f.left = f.right = f.top = f.bottom = XlsWriter::Thin;
    const int box = w.addFormat(f);
    w.addSheet(QStringLiteral("前页")).setText(0, 0, QStringLiteral("[EmpName]"));
    XlsWriter::Sheet& s = w.addSheet(QStringLiteral("Sheet1"));
    s.setText(0, 0, QStringLiteral("标题"));
    for (int r = 1; r <= rows; ++r) {
        s.setText(r, 0, QStringLiteral("[EmpName]"), box);
        s.setText(r, 1, QStringLiteral("[GZ%1]").arg(r), box);
        s.setNumber(r, 2, r * 1.5, box);
    }
    s.merge(1, 1, 3, 4);
    s.setColumnWidth(1, 20);
    if (longStrings) {
        QString text;
        for (int i = 0; i < 5000; ++i) text += QChar(0x4E00 + i % 300);
        s.setText(rows + 1, 0, text);
    }
    return w.toBytes();
}

std::vector<QByteArray> seeds() {
    std::vector<QByteArray> list;
    list.push_back(fixture({}, 10, false));
    XlsWriter::Options labels;
    labels.sharedStrings = false;
    labels.index = false;
    list.push_back(fixture(labels, 40, false));
    XlsWriter::Options book;
    book.streamName = QStringLiteral("Book");
    book.propertyStreams = true;
    list.push_back(fixture(book, 6, true));
    XlsWriter w;
    EPayslipTemplates::build(EPayslipTemplates::designs().front(), w);
    list.push_back(w.toBytes());
    return list;
}

QString transformText(const QString& text) {
    return text.contains(u'[') ? text + QStringLiteral("·已替换") : text;
}

// Reads everything the reader offers and rewrites Sheet1; a rewritten file must read again.
// True when the input was accepted.
bool exercise(const QByteArray& input) {
    bool accepted = false;
    try {
        const XlsWorkbook book = XlsWorkbook::fromBytes(input);
        for (int i = 0; i < book.sheetNames().size(); ++i) {
            try {
                // Not grid(): a damaged cell address may name row and column 65535.
                const XlsSheetText sheet = book.sheet(i);
                (void)sheet.rowCount();
                (void)sheet.columnCount();
            } catch (const XlsError&) {
            }
        }
        accepted = true;
    } catch (const XlsError&) {
    }
    try {
        const XlsRewriter rewriter(input);
        const QByteArray out = rewriter.rewrite(transformText);
        const XlsWorkbook again = XlsWorkbook::fromBytes(out);
        (void)again.sheet(QStringLiteral("Sheet1"));
        accepted = true;
    } catch (const XlsError& e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
    return accepted;
}

// The workbook stream of a seed, to mutate below the compound file.
QByteArray streamOf(const QByteArray& file) {
    return xlstest::workbookStream(file);
}

}  // namespace

TEST(XlsDamageTest, EveryTruncationGivesAnErrorAndNoCrash) {
    for (const QByteArray& seed : seeds()) {
        for (qsizetype length = 0; length < seed.size(); ++length) {
            const QByteArray cut = seed.left(length);
            try {
                XlsWorkbook::fromBytes(cut);
                ADD_FAILURE() << "a file cut at " << length << " of " << seed.size() << " was read";
            } catch (const XlsError& e) {
                const QString m = e.message();
                EXPECT_TRUE(m.contains(QStringLiteral("损坏")) ||
                            m.contains(QStringLiteral("不是")))
                    << m.toStdString();
            }
            EXPECT_THROW(XlsRewriter{cut}, XlsError);
        }
    }
}

TEST(XlsDamageTest, TruncatedWorkbookStreamsGiveAnError) {
    for (const QByteArray& seed : seeds()) {
        const QByteArray stream = streamOf(seed);
        // The last EOF ends the data; everything after it is padding.
        const std::vector<xlstest::Rec> recs = xlstest::records(stream);
        const qsizetype end = recs.back().end();
        for (qsizetype length = 0; length < end; length += 3) {
            const QByteArray file =
                XlsCompoundFile::withStream(QStringLiteral("Workbook"), stream.left(length))
                    .serialize();
            // Cut between two sheets, the workbook opens but the missing sheet does not.
            EXPECT_THROW(
                {
                    const XlsWorkbook book = XlsWorkbook::fromBytes(file);
                    for (int i = 0; i < book.sheetNames().size(); ++i) (void)book.sheet(i);
                },
                XlsError)
                << "cut at " << length;
        }
    }
}

TEST(XlsDamageTest, CutOutByteRangesNeverCrash) {
    for (const QByteArray& seed : seeds()) {
        for (const qsizetype width : {1, 3, 8, 64, 512, 1500}) {
            for (qsizetype at = 0; at + width <= seed.size(); at += 41) {
                QByteArray damaged = seed;
                damaged.remove(at, width);
                exercise(damaged);
            }
        }
        const QByteArray stream = streamOf(seed);
        for (const qsizetype width : {1, 2, 4, 9, 100}) {
            for (qsizetype at = 0; at + width <= stream.size() && at < 6000; at += 13) {
                QByteArray damaged = stream;
                damaged.remove(at, width);
                exercise(
                    XlsCompoundFile::withStream(QStringLiteral("Workbook"), damaged).serialize());
            }
        }
    }
}

TEST(XlsDamageTest, RandomBytesGiveAnError) {
    QRandomGenerator random(20240101);
    const QByteArray seed = seeds().front();
    for (int i = 0; i < 300; ++i) {
        QByteArray bytes(static_cast<qsizetype>(random.bounded(1, 20000)), '\0');
        for (char& c : bytes) c = static_cast<char>(random.bounded(256));
        // Half of them start like a compound file, so the reader gets past the signature.
        if (i % 2) bytes.replace(0, std::min<qsizetype>(512, bytes.size()), seed.left(512));
        EXPECT_FALSE(exercise(bytes) && i % 2 == 0) << "random bytes accepted";
    }
}

TEST(XlsDamageTest, GarbledFieldsInValidFilesNeverCrash) {
    // Every byte of the header, directory and FAT set to extreme values in turn.
    const QByteArray seed = seeds().front();
    const std::uint32_t dirSector = xlstest::u32(seed, 0x30);
    const std::uint32_t fatSector = xlstest::u32(seed, 0x4C);
    std::vector<qsizetype> places;
    for (qsizetype i = 0; i < 512; ++i) places.push_back(i);
    for (qsizetype i = 0; i < 512; ++i) places.push_back((dirSector + 1) * 512 + i);
    for (qsizetype i = 0; i < 512; i += 3) places.push_back((fatSector + 1) * 512 + i);
    for (const qsizetype p : places) {
        for (const char v : {'\x00', '\xFF', '\x7F', '\x80', '\xFE'}) {
            QByteArray damaged = seed;
            damaged[p] = v;
            exercise(damaged);
        }
    }
}

TEST(XlsDamageTest, MutationFuzzOfReaderAndRewriter) {
    // Bounded in iterations and in time; GZT_XLS_FUZZ_ITERATIONS and GZT_XLS_FUZZ_SECONDS raise
    // the bounds for a longer run.
    const int iterations = qEnvironmentVariableIsSet("GZT_XLS_FUZZ_ITERATIONS")
                               ? qEnvironmentVariableIntValue("GZT_XLS_FUZZ_ITERATIONS")
                               : 30000;
    const qint64 budgetMs =
        qEnvironmentVariableIsSet("GZT_XLS_FUZZ_SECONDS")
            ? qEnvironmentVariableIntValue("GZT_XLS_FUZZ_SECONDS") * qint64(1000)
            : 60000;
    QRandomGenerator random(
        qEnvironmentVariableIsSet("GZT_XLS_FUZZ_SEED")
            ? static_cast<quint32>(qEnvironmentVariableIntValue("GZT_XLS_FUZZ_SEED"))
            : 7u);
    const std::vector<QByteArray> seedFiles = seeds();
    std::vector<QByteArray> seedStreams;
    for (const QByteArray& s : seedFiles) seedStreams.push_back(streamOf(s));
    QElapsedTimer timer;
    timer.start();
    int accepted = 0;
    int done = 0;
    for (; done < iterations && timer.elapsed() < budgetMs; ++done) {
        const std::size_t which = random.bounded(static_cast<quint32>(seedFiles.size()));
        // Below the compound file most of the time, so that the BIFF layer gets the mutations.
        const bool inStream = random.bounded(4) != 0;
        QByteArray data = inStream ? seedStreams[which] : seedFiles[which];
        const int mutations = 1 + static_cast<int>(random.bounded(6));
        for (int m = 0; m < mutations && !data.isEmpty(); ++m) {
            const auto at =
                static_cast<qsizetype>(random.bounded(static_cast<quint32>(data.size())));
            switch (random.bounded(7)) {
                case 0:
                    data[at] = static_cast<char>(data[at] ^ (1 << random.bounded(8)));
                    break;
                case 1: {
                    static const char values[] = {0, 1, '\x7F', '\x80', '\xFE', '\xFF', 0x20};
                    data[at] = values[random.bounded(7)];
                    break;
                }
                case 2:
                    data.remove(at, 1 + random.bounded(16));
                    break;
                case 3:
                    data.insert(at, QByteArray(1 + random.bounded(16),
                                               static_cast<char>(random.bounded(256))));
                    break;
                case 4: {  // a record size or a 16-bit field
                    if (at + 2 <= data.size()) {
                        xls::put16(data.data() + at,
                                   static_cast<std::uint16_t>(random.bounded(65536)));
                    }
                    break;
                }
                case 5: {  // a 32-bit offset or count
                    if (at + 4 <= data.size()) {
                        const std::uint32_t v =
                            random.bounded(2) ? random.generate()
                                              : xlstest::u32(data, at) + random.bounded(64) - 32;
                        xls::put32(data.data() + at, v);
                    }
                    break;
                }
                case 6: {  // a copied chunk
                    const auto from =
                        static_cast<qsizetype>(random.bounded(static_cast<quint32>(data.size())));
                    data.insert(at, data.mid(from, 1 + random.bounded(64)));
                    break;
                }
            }
        }
        const QByteArray input =
            inStream ? XlsCompoundFile::withStream(QStringLiteral("Workbook"), data).serialize()
                     : data;
        accepted += exercise(input) ? 1 : 0;
    }
    EXPECT_GT(done, 100);
    EXPECT_GT(accepted, 0) << "no mutated file was accepted: the fuzzer reaches nothing";
    RecordProperty("iterations", done);
    RecordProperty("accepted", accepted);
    std::printf("fuzz: %d inputs, %d accepted, %lld ms\n", done, accepted,
                static_cast<long long>(timer.elapsed()));
}

TEST(XlsDamageTest, ADamagedTemplateWritesNothingButTheOutputFile) {
    QTemporaryDir tmp;
    const QByteArray seed = seeds().front();
    QRandomGenerator random(3);
    int written = 0;
    for (int i = 0; i < 400; ++i) {
        QByteArray damaged = seed;
        for (int k = 0; k < 4; ++k) {
            damaged[random.bounded(static_cast<quint32>(damaged.size()))] =
                static_cast<char>(random.bounded(256));
        }
        try {
            const XlsRewriter rewriter(damaged);
            rewriter.rewriteToFile(QDir(tmp.path()).filePath(QStringLiteral("0001_王芳.xls")),
                                   transformText);
            ++written;
        } catch (const XlsError&) {
        }
    }
    const QStringList files =
        QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    EXPECT_TRUE(files.isEmpty() || files == QStringList{QStringLiteral("0001_王芳.xls")})
        << files.join(u',').toStdString();
    EXPECT_GT(written, 0);
}
