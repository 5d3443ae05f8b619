#include <gtest/gtest.h>

#include <QFile>
#include <QStringEncoder>

#include "AppState.h"
#include "TestFolder.h"

namespace {

void writeRaw(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

TEST(ReadyParaTest, MissingFileGivesTheDefaults) {
    TestFolder folder(false);
    const TVendorInfo info = ReadyPara(folder.path());
    EXPECT_EQ(info.Brand, QStringLiteral("青禾"));
    for (const QString& text :
         {info.EntName, info.HomePage, info.QQ, info.Tel, info.Linker, info.EMail}) {
        EXPECT_FALSE(text.isEmpty());
    }
}

TEST(ReadyParaTest, ReadsSectionLastInGbkOrUtf8) {
    const QString ini =
        QStringLiteral("[Other]\r\nBrand=错的\r\n[Last]\r\nbrand=红星\r\nTel=010-1234\r\n");
    QStringEncoder gbk("GBK");
    const QByteArray encodings[] = {QByteArray(gbk(ini)), ini.toUtf8(),
                                    "\xEF\xBB\xBF" + ini.toUtf8()};
    for (const QByteArray& bytes : encodings) {
        TestFolder folder(false);
        writeRaw(folder.file("IIS.INI"), bytes);
        const TVendorInfo info = ReadyPara(folder.path());
        EXPECT_EQ(info.Brand, QStringLiteral("红星"));
        EXPECT_EQ(info.Tel, QStringLiteral("010-1234"));
        // Keys the file lacks keep their defaults.
        EXPECT_EQ(info.HomePage, ReadyPara(QStringLiteral("/nonexistent/")).HomePage);
    }
}
