#include "settings/IniRootValues.h"
#include "settings/QSettingsStore.h"
#include "support/Printers.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const IniEntries kPortXY = {{"Port", "Port=3"}, {"X", "X=-5"}, {"Y", "Y=7"}};

TEST(WithRootEntries, FindsTheKeysTheWayQSettingsReadsThemAndKeepsEveryOtherByte)
{
    const struct {
        const char *form;
        QByteArray ini;
        QByteArray written;
    } cases[] = {
        {"escaped key names", "[General]\n%58=1\n%U0059=2\n", "[General]\nPort=3\nX=-5\nY=7\n"},
        {"carriage returns alone", "Port=1\r[Other]\rPort=7\r",
         "[General]\rX=-5\rY=7\r\rPort=3\r[Other]\rPort=7\r"},
        {"CRLF", "[General]\r\nPort=1\r\n", "[General]\r\nX=-5\r\nY=7\r\nPort=3\r\n"},
        {"a value continued on the next line", "[General]\nA=x\\\nPort=1\nB=2\n",
         "[General]\nPort=3\nX=-5\nY=7\nA=x\\\nPort=1\nB=2\n"},
        {"a key continued on the next line", "Po\\\nrt=1\n[general]\nX=1",
         "Po\\\nrt=1\n[general]\nPort=3\nY=7\nX=-5"},
        {"a quote running over lines", "[General]\nA=\"x\nPort=1\"\nX=2 ; note\n",
         "[General]\nPort=3\nY=7\nA=\"x\nPort=1\"\nX=-5 ; note\n"},
        {"duplicates", "X=1\nX=2\n[ General ]\nX=3\n", "X=-5\nX=-5\n[ General ]\nPort=3\nY=7\nX=-5\n"},
        {"a byte order mark before a section", "\xEF\xBB\xBF[Tool]\nPort=9\n",
         "\xEF\xBB\xBF[General]\nPort=3\nX=-5\nY=7\n\n[Tool]\nPort=9\n"},
        {"a byte order mark before a key", "\xEF\xBB\xBFPort=1\n", "[General]\nX=-5\nY=7\n\n\xEF\xBB\xBFPort=3\n"},
        {"a group of its own named General", "[%General]\nPort=1\n",
         "[General]\nPort=3\nX=-5\nY=7\n\n[%General]\nPort=1\n"},
        {"the header ends the file", "[General]", "[General]\nPort=3\nX=-5\nY=7\n"},
    };
    for (const auto &hostile : cases) {
        SCOPED_TRACE(hostile.form);
        EXPECT_EQ(WithRootEntries(hostile.ini, kPortXY), hostile.written);
    }
}

// Pieces of INI lines, the hostile ones among them: escapes, line ends of
// every kind, continuations, quotes, comments, duplicates, byte order marks
// and other groups.
const char *const kPieces[] = {
    "Port", "X", "MaxCounter", "Door", "%50ort", "%U0050ort", "P%6frt", "%U 058", "%+58", " Port ", "\tPort",
    "\xEF\xBB\xBFPort", "A\\B", "K\"ey", "Po\\\nrt", "=", "==", " = ", "\\=", "1", "x\\", "\"a", "a\"b\"", "1 ;c",
    ";c\"", "x\\\\", "\\\r\n", "\\\n\r", "a,b", "[General]", "[general]", "[ General ]", "[%General]", "[Tool]",
    "[Tool", "[T\"x]", "[Gen]eral]", "[General]\\", "[]", "[Gen%65ral]", "; x\\", "#c", "\"", "\\", " ", "\f",
    "\xEF\xBB\xBF", "\xC3\xA4", "%", "\t", "]", "[", ";", "Port=1\n", "[General]\n", "X=\\\n", "\r\r"};
const char *const kLineEnds[] = {"\n", "\r", "\r\n", "\n\r", "", "\n\n"};
const QString kTexts[] = {"Süd", "host:1883", " lead", "trail ", "a,b", "x;y\"z\\w", "@at", "", "07:00",
                          "=x=", QString(QChar(0)), "line\nbreak", "\\", "\"", "€ \x01"};

template <typename T, std::size_t N>
const T &Pick(QRandomGenerator &random, const T (&from)[N])
{
    return from[random.bounded(int(N))];
}

QByteArray HostileIni(QRandomGenerator &random)
{
    QByteArray ini = random.bounded(5) == 0 ? "\xEF\xBB\xBF" : "";
    for (int line = random.bounded(1, 12); line > 0; --line) {
        for (int piece = random.bounded(1, 6); piece > 0; --piece)
            ini += random.bounded(40) == 0 ? QByteArray(1, '\0') : QByteArray(Pick(random, kPieces));
        ini += Pick(random, kLineEnds);
    }
    return ini;
}

SettingValues SomeValues(QRandomGenerator &random)
{
    SettingValues values = {{"Port", random.bounded(-3, 300)}, {"X", std::int32_t(random.generate())}};
    if (random.bounded(2))
        values.append({"MaxCounter", INT32_MIN});
    values.append({"Door", Pick(random, kTexts)});
    if (random.bounded(2))
        values.append({"Broker", Pick(random, kTexts) + Pick(random, kTexts)});
    return values;
}

// Every key QSettings reads from the file with its value, one a line, the
// named ones left out, and those that no name reaches: QSettings looks a name
// up without the slashes at its ends or doubled.
QString OtherValues(const QString &path, const SettingValues &named)
{
    QSettings ini(path, QSettings::IniFormat);
    QStringList values;
    for (const QString &key : ini.allKeys()) {
        const bool isNamed
            = std::any_of(named.cbegin(), named.cend(), [&](const auto &value) { return value.first == key; });
        const bool reachable = !key.isEmpty() && !key.startsWith(u'/') && !key.endsWith(u'/') && !key.contains(u"//");
        if (reachable && !isNamed) {
            const QVariant value = ini.value(key);
            const QString text
                = value.typeId() == QMetaType::QStringList ? value.toStringList().join(u'|') : value.toString();
            values << (key + u'=' + value.typeName() + u':' + text).toUtf8().toPercentEncoding(" =:|/");
        }
    }
    return values.join(u'\n');
}

TEST(WithRootEntries, EveryValueWrittenIntoAHostileFileReadsBackAndNothingElseChanges)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QRandomGenerator random(18);
    for (int run = 0; run < 400; ++run) {
        // A file of its own each time: QSettings keeps what it read of a file.
        QSettingsStore store(QStringLiteral("hostile%1").arg(run));
        const QByteArray ini = HostileIni(random);
        const SettingValues values = SomeValues(random);
        SCOPED_TRACE(::testing::PrintToString(ini));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(store.FileName()).absolutePath()));
        QFile file(store.FileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size());
        file.close();
        const QString others = OtherValues(store.FileName(), values);

        ASSERT_TRUE(store.OpenKey(true));
        ASSERT_EQ(store.WriteValues(values), QString());
        store.CloseKey();

        ASSERT_TRUE(store.OpenKey(false));
        for (const auto &[name, value] : values) {
            SCOPED_TRACE(name.toStdString());
            if (const auto *number = std::get_if<std::int32_t>(&value))
                EXPECT_EQ(store.ReadInteger(name), *number);
            else
                EXPECT_EQ(store.ReadString(name), std::get<QString>(value));
        }
        store.CloseKey();
        EXPECT_EQ(OtherValues(store.FileName(), values), others);
    }
    qunsetenv("XDG_CONFIG_HOME");
}

} // namespace
