#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "QtPrinters.h"
#include "XlsBiff.h"
#include "XlsCompoundFile.h"
#include "XlsError.h"
#include "XlsTestSupport.h"

namespace {

QByteArray pattern(qsizetype size, int seed) {
    QByteArray b(size, '\0');
    for (qsizetype i = 0; i < size; ++i) b[i] = static_cast<char>((i * 31 + seed * 7) & 0xFF);
    return b;
}

// A version 4 compound file (4096-byte sectors) with one stream, laid out by hand: sector 0
// FAT, sector 1 directory, sectors 2.. the stream.
QByteArray version4File(const QByteArray& data) {
    constexpr qsizetype ss = 4096;
    const qsizetype sectors = (data.size() + ss - 1) / ss;
    QByteArray f(ss * (3 + sectors), '\0');
    char* h = f.data();
    const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    memcpy(h, sig, 8);
    xls::put16(h + 0x18, 0x3E);
    xls::put16(h + 0x1A, 4);
    xls::put16(h + 0x1C, 0xFFFE);
    xls::put16(h + 0x1E, 12);
    xls::put16(h + 0x20, 6);
    xls::put32(h + 0x28, 1);
    xls::put32(h + 0x2C, 1);
    xls::put32(h + 0x30, 1);
    xls::put32(h + 0x38, 4096);
    xls::put32(h + 0x3C, 0xFFFFFFFE);
    xls::put32(h + 0x44, 0xFFFFFFFE);
    xls::put32(h + 0x4C, 0);
    for (int i = 1; i < 109; ++i) xls::put32(h + 0x4C + 4 * i, 0xFFFFFFFF);
    char* fat = f.data() + ss;
    for (qsizetype i = 0; i < ss / 4; ++i) xls::put32(fat + 4 * i, 0xFFFFFFFF);
    xls::put32(fat, 0xFFFFFFFD);
    xls::put32(fat + 4, 0xFFFFFFFE);
    for (qsizetype i = 0; i < sectors; ++i) {
        xls::put32(fat + 4 * (2 + i),
                   i + 1 < sectors ? static_cast<std::uint32_t>(3 + i) : 0xFFFFFFFE);
    }
    char* dir = f.data() + 2 * ss;
    for (int e = 0; e < 32; ++e) {
        xls::put32(dir + 128 * e + 0x44, 0xFFFFFFFF);
        xls::put32(dir + 128 * e + 0x48, 0xFFFFFFFF);
        xls::put32(dir + 128 * e + 0x4C, 0xFFFFFFFF);
    }
    const auto entry = [&](int e, const QString& name, int type, std::uint32_t child,
                           std::uint32_t start, std::uint32_t size) {
        char* p = dir + 128 * e;
        for (qsizetype c = 0; c < name.size(); ++c) xls::put16(p + 2 * c, name.at(c).unicode());
        xls::put16(p + 0x40, static_cast<std::uint16_t>((name.size() + 1) * 2));
        p[0x42] = static_cast<char>(type);
        p[0x43] = 1;
        xls::put32(p + 0x4C, child);
        xls::put32(p + 0x74, start);
        xls::put32(p + 0x78, size);
    };
    entry(0, QStringLiteral("Root Entry"), 5, 1, 0xFFFFFFFE, 0);
    entry(1, QStringLiteral("Workbook"), 2, 0xFFFFFFFF, 2, static_cast<std::uint32_t>(data.size()));
    memcpy(f.data() + 3 * ss, data.constData(), data.size());
    return f;
}

}  // namespace

TEST(XlsCompoundFileTest, OneLargeStreamRoundTrips) {
    const QByteArray data = pattern(10000, 1);
    const QByteArray file =
        XlsCompoundFile::withStream(QStringLiteral("Workbook"), data).serialize();
    EXPECT_EQ(xlstest::checkStructure(file, false), QStringList{});
    const XlsCompoundFile back = XlsCompoundFile::parse(file);
    const int id = back.findRootStream(QStringLiteral("WORKBOOK"));
    ASSERT_GE(id, 0);
    EXPECT_EQ(back.entries[id].data, data);
    EXPECT_EQ(file.size() % 512, 0);
}

TEST(XlsCompoundFileTest, SmallStreamsGoToTheMiniStreamAndKeepTheirBytes) {
    XlsCompoundFile file =
        XlsCompoundFile::withStream(QStringLiteral("Workbook"), pattern(5000, 2));
    file.addRootStream(QStringLiteral("\x05SummaryInformation"), pattern(200, 3));
    file.addRootStream(QStringLiteral("\x05"
                                      "DocumentSummaryInformation"),
                       pattern(65, 4));
    file.addRootStream(QStringLiteral("Empty"), QByteArray());
    file.addRootStream(QStringLiteral("CompObj"), pattern(4095, 5));
    const QByteArray bytes = file.serialize();
    EXPECT_EQ(xlstest::checkStructure(bytes, false), QStringList{});
    const XlsCompoundFile back = XlsCompoundFile::parse(bytes);
    for (const XlsCompoundFile::Entry& e : file.entries) {
        if (e.type != XlsCompoundFile::Stream) continue;
        const int id = back.findRootStream(e.name);
        ASSERT_GE(id, 0) << e.name.toStdString();
        EXPECT_EQ(back.entries[id].data, e.data) << e.name.toStdString();
    }
    // Rewriting what was read gives the same file.
    EXPECT_EQ(back.serialize(), bytes);
}

TEST(XlsCompoundFileTest, StreamsBeyondSevenMegabytesUseDifatSectors) {
    const QByteArray data = pattern(8 * 1024 * 1024 + 123, 6);
    const QByteArray file =
        XlsCompoundFile::withStream(QStringLiteral("Workbook"), data).serialize();
    EXPECT_GT(xlstest::u32(file, 0x48), 0u) << "DIFAT sectors";
    EXPECT_EQ(xlstest::checkStructure(file, false), QStringList{});
    EXPECT_EQ(XlsCompoundFile::parse(file).entries[1].data, data);
}

TEST(XlsCompoundFileTest, ReadsVersion4Files) {
    const QByteArray data = pattern(9000, 7);
    const XlsCompoundFile file = XlsCompoundFile::parse(version4File(data));
    const int id = file.findRootStream(QStringLiteral("Workbook"));
    ASSERT_GE(id, 0);
    EXPECT_EQ(file.entries[id].data, data);
}

TEST(XlsCompoundFileTest, IgnoresANonZeroHeaderClassIdAsWpsWrites) {
    QByteArray file =
        XlsCompoundFile::withStream(QStringLiteral("Book"), pattern(6000, 8)).serialize();
    for (int i = 8; i < 24; ++i) file[i] = static_cast<char>(i);
    EXPECT_GE(XlsCompoundFile::parse(file).findRootStream(QStringLiteral("book")), 0);
}

TEST(XlsCompoundFileTest, RejectsWhatIsNotACompoundFile) {
    EXPECT_THROW(XlsCompoundFile::parse(QByteArray()), XlsError);
    EXPECT_THROW(XlsCompoundFile::parse(QByteArray(4096, 'x')), XlsError);
    try {
        XlsCompoundFile::parse(QByteArray("PK\x03\x04 not a workbook").leftJustified(2048, ' '));
        FAIL();
    } catch (const XlsError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("不是 Excel 97-2003"))) << e.what();
    }
}

TEST(XlsCompoundFileTest, ACyclicChainGivesAnErrorAndNoHang) {
    QByteArray file =
        XlsCompoundFile::withStream(QStringLiteral("Workbook"), pattern(6000, 9)).serialize();
    // The stream's first sector points back to itself.
    const std::uint32_t fatSector = xlstest::u32(file, 0x4C);
    xls::put32(file.data() + (fatSector + 1) * 512, 0);
    EXPECT_THROW(XlsCompoundFile::parse(file), XlsError);
    // The directory chain points outside the file.
    QByteArray file2 =
        XlsCompoundFile::withStream(QStringLiteral("Workbook"), pattern(6000, 9)).serialize();
    xls::put32(file2.data() + 0x30, 0x00FFFFFF);
    EXPECT_THROW(XlsCompoundFile::parse(file2), XlsError);
}

TEST(XlsCompoundFileTest, AStreamLongerThanItsChainIsTruncated) {
    QByteArray file =
        XlsCompoundFile::withStream(QStringLiteral("Workbook"), pattern(6000, 10)).serialize();
    const std::uint32_t dir = xlstest::u32(file, 0x30);
    xls::put32(file.data() + (dir + 1) * 512 + 128 + 0x78, 6000 + 2048);
    try {
        XlsCompoundFile::parse(file);
        FAIL();
    } catch (const XlsError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("损坏"))) << e.what();
    }
}
