// The INI reader (IIS.INI, comm.ini). Any file must load; every key it lists reads back, and a
// value written and saved reads back after loading the saved file again. The other keys keep
// their values too, unless the file holds characters GBK lacks: the files are written in GBK,
// where those become "?".

#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "FuzzFolder.h"
#include "GbkText.h"
#include "IniFile.h"

namespace {

struct Value {
    QString section;
    QString key;
    QString value;
};

std::vector<Value> valuesOf(const IniFile& ini) {
    std::vector<Value> values;
    for (const QString& section : ini.sections()) {
        for (const QString& key : ini.keys(section)) {
            FuzzRequire(ini.hasKey(section, key), "a listed key is there", key);
            values.push_back({section, key, ini.readString(section, key, QString())});
            (void)ini.readInteger(section, key, 0);
            (void)ini.readBool(section, key, false);
        }
    }
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // libFuzzer's entry takes no context: the folder lives as long as the program.
    static const FuzzFolder folder;
    const QString path = folder.write(QStringLiteral("comm.ini"), FuzzFolder::bytes(data, size));
    const QString text = GbkText::readTextFile(path);
    const bool lossless = GbkText::decode(GbkText::encode(text)) == text;
    IniFile ini(path);
    const std::vector<Value> before = valuesOf(ini);
    const QString written = QStringLiteral("工资 100%=\"a\\b\"");
    ini.writeString(QStringLiteral("Mail"), QStringLiteral("SmtpHost"), written);
    ini.save();
    const IniFile again(path);
    FuzzRequire(
        again.readString(QStringLiteral("Mail"), QStringLiteral("SmtpHost"), QString()) == written,
        "a written value reads back");
    if (!lossless) return 0;
    for (const Value& v : before) {
        if (v.section.compare(QStringLiteral("Mail"), Qt::CaseInsensitive) == 0 &&
            v.key.compare(QStringLiteral("SmtpHost"), Qt::CaseInsensitive) == 0) {
            continue;
        }
        FuzzRequire(again.readString(v.section, v.key, QString()) ==
                        ini.readString(v.section, v.key, QString()),
                    "other keys keep their values", v.section + u'/' + v.key);
    }
    return 0;
}
