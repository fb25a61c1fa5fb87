#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>
#include <climits>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/qt_settings_store.h"
#include "jobs/settings.h"
#include "resources/string_table.h"

using tintwell::DefaultSettings;
using tintwell::MessageText;
using tintwell::Msg;
using tintwell::QtSettingsStore;
using tintwell::SaveSettingsAtExit;
using tintwell::Settings;
using tintwell::SettingsStore;

namespace {

// A file format that keeps every value's type, as the Windows registry does (DWORD and string
// values), so the tests can store values of the wrong type and see which types were written.
bool ReadTyped(QIODevice& device, QSettings::SettingsMap& map) {
    QDataStream in(&device);
    in >> map;
    return in.status() == QDataStream::Ok;
}

bool WriteTyped(QIODevice& device, const QSettings::SettingsMap& map) {
    QDataStream out(&device);
    out << map;
    return out.status() == QDataStream::Ok;
}

QSettings::Format TypedFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("typed"), ReadTyped, WriteTyped);
    return format;
}

void WriteTypedFile(const QString& path, const QSettings::SettingsMap& map) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(WriteTyped(file, map));
}

QSettings::SettingsMap ReadTypedFile(const QString& path) {
    QSettings::SettingsMap map;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) ReadTyped(file, map);
    return map;
}

void WriteTextFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(text), text.size());
}

QByteArray Bytes(const std::string& s) {
    return QByteArray::fromStdString(s);
}

// Records the order of every read and write while passing them on.
class RecordingStore final : public SettingsStore {
  public:
    explicit RecordingStore(SettingsStore& inner) : inner_(inner) {}

    [[nodiscard]] std::optional<std::string> ReadString(std::string_view section,
                                                        std::string_view key) const override {
        reads_.push_back(Name(section, key));
        return inner_.ReadString(section, key);
    }
    [[nodiscard]] std::optional<int> ReadInt(std::string_view section,
                                             std::string_view key) const override {
        reads_.push_back(Name(section, key));
        return inner_.ReadInt(section, key);
    }
    void WriteString(std::string_view section, std::string_view key,
                     const std::string& value) override {
        writes_.push_back(Name(section, key));
        inner_.WriteString(section, key, value);
    }
    void WriteInt(std::string_view section, std::string_view key, int value) override {
        writes_.push_back(Name(section, key));
        inner_.WriteInt(section, key, value);
    }

    [[nodiscard]] const QStringList& Reads() const { return reads_; }
    [[nodiscard]] const QStringList& Writes() const { return writes_; }

  private:
    static QString Name(std::string_view section, std::string_view key) {
        return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + u'/' +
               QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
    }

    SettingsStore& inner_;
    mutable QStringList reads_;
    QStringList writes_;
};

const QStringList kSixInOrder = {QStringLiteral("Set/OutDir"), QStringLiteral("Set/Xpos"),
                                 QStringLiteral("Set/Ypos"),   QStringLiteral("Set/Type"),
                                 QStringLiteral("Pal/Pal256"), QStringLiteral("Pal/Pal16")};

}  // namespace

class SettingsStoreTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();

    void roundTripsAllSix_data();
    void roundTripsAllSix();
    void defaultsWhenAbsent_data();
    void defaultsWhenAbsent();
    void typeIsCorrectedAndWrittenBack_data();
    void typeIsCorrectedAndWrittenBack();
    void stringsRoundTripExactly_data();
    void stringsRoundTripExactly();
    void integersFromIniText_data();
    void integersFromIniText();
    void typedValuesAsInteger_data();
    void typedValuesAsInteger();
    void typedValuesAsString_data();
    void typedValuesAsString();
    void wrongTypedIniValuesGiveDefaults_data();
    void wrongTypedIniValuesGiveDefaults();
    void firstRunWritesAllSixInOrder();
    void valuesKeepTheirTypes();
    void defaultStoreUsesOrganisationAndApplication();
    void settingsThatCannotBeKeptAreReported();

  private:
    QString FilePath(const char* name) const { return dir_->filePath(QString::fromLatin1(name)); }
    static void CompareSettings(const Settings& actual, const Settings& expected);

    std::unique_ptr<QTemporaryDir> dir_;
};

void SettingsStoreTest::initTestCase() {
    // Keeps the default store and the standard folders away from the user's own.
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(TypedFormat() != QSettings::InvalidFormat);
}

void SettingsStoreTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void SettingsStoreTest::CompareSettings(const Settings& actual, const Settings& expected) {
    QCOMPARE(Bytes(actual.outDir), Bytes(expected.outDir));
    QCOMPARE(actual.xpos, expected.xpos);
    QCOMPARE(actual.ypos, expected.ypos);
    QCOMPARE(actual.type, expected.type);
    QCOMPARE(Bytes(actual.pal256), Bytes(expected.pal256));
    QCOMPARE(Bytes(actual.pal16), Bytes(expected.pal16));
}

void SettingsStoreTest::roundTripsAllSix_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("outDir");
    QTest::addColumn<int>("xpos");
    QTest::addColumn<int>("ypos");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("pal256");
    QTest::addColumn<QString>("pal16");

    const int ini = QSettings::IniFormat;
    const int typed = TypedFormat();
    QTest::newRow("ini plain") << ini << "/home/user/out" << 10 << 20 << 0 << "gray.act"
                               << "ega.act";
    QTest::newRow("ini japanese") << ini << "/home/user/出力フォルダ" << 1920 << 0 << 1
                                  << "パレット256.act"
                                  << "色16.act";
    QTest::newRow("ini negative position") << ini << "C:\\Users\\out" << -1280 << -5 << 2 << ""
                                           << "";
    QTest::newRow("ini int limits") << ini << "" << INT_MIN << INT_MAX << 2 << "a"
                                    << "b";
    QTest::newRow("typed japanese") << typed << "C:\\ユーザー\\山田\\出力" << 100 << 100 << 1 << ""
                                    << "色.act";
    QTest::newRow("typed int limits") << typed << "/" << INT_MAX << INT_MIN << 0 << "x"
                                      << "";
}

void SettingsStoreTest::roundTripsAllSix() {
    QFETCH(int, format);
    QFETCH(QString, outDir);
    QFETCH(int, xpos);
    QFETCH(int, ypos);
    QFETCH(int, type);
    QFETCH(QString, pal256);
    QFETCH(QString, pal16);

    Settings saved;
    saved.outDir = outDir.toStdString();
    saved.xpos = xpos;
    saved.ypos = ypos;
    saved.type = type;
    saved.pal256 = pal256.toStdString();
    saved.pal16 = pal16.toStdString();

    const QString path = FilePath("settings.conf");
    {
        QtSettingsStore store(path, static_cast<QSettings::Format>(format));
        SaveSettings(saved, store);
        QVERIFY(store.Sync());
    }
    QtSettingsStore reopened(path, static_cast<QSettings::Format>(format));
    CompareSettings(LoadSettings(reopened), saved);
}

void SettingsStoreTest::defaultsWhenAbsent_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("content");  // null: no file at all

    QTest::newRow("ini missing file") << int(QSettings::IniFormat) << QByteArray();
    QTest::newRow("ini empty file") << int(QSettings::IniFormat) << QByteArray("");
    QTest::newRow("ini other groups only")
        << int(QSettings::IniFormat) << QByteArray("[Other]\nOutDir=/x\nXpos=5\n");
    QTest::newRow("ini keys outside their groups")
        << int(QSettings::IniFormat) << QByteArray("[Pal]\nOutDir=/x\nType=0\n[Set]\nPal16=y\n");
    QTest::newRow("typed missing file") << int(TypedFormat()) << QByteArray();
}

void SettingsStoreTest::defaultsWhenAbsent() {
    QFETCH(int, format);
    QFETCH(QByteArray, content);

    const QString path = FilePath("settings.conf");
    if (!content.isNull()) WriteTextFile(path, content);

    QtSettingsStore store(path, static_cast<QSettings::Format>(format));
    const Settings loaded = LoadSettings(store);

    Settings expected;
    expected.outDir = std::filesystem::current_path().string();
    expected.xpos = 100;
    expected.ypos = 100;
    expected.type = 2;
    CompareSettings(loaded, expected);
    // Reading alone leaves no file behind.
    QCOMPARE(QFile::exists(path), !content.isNull());
}

void SettingsStoreTest::typeIsCorrectedAndWrittenBack_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("expected");

    for (const int format : {int(QSettings::IniFormat), int(TypedFormat())}) {
        const char* name = format == QSettings::IniFormat ? "ini" : "typed";
        const std::vector<std::pair<int, int>> cases = {{5, 2},       {-1, 2}, {3, 2}, {INT_MIN, 2},
                                                        {INT_MAX, 2}, {0, 0},  {1, 1}, {2, 2}};
        for (const auto& [stored, expected] : cases) {
            QTest::addRow("%s %d", name, stored) << format << stored << expected;
        }
    }
}

void SettingsStoreTest::typeIsCorrectedAndWrittenBack() {
    QFETCH(int, format);
    QFETCH(int, stored);
    QFETCH(int, expected);

    const QString path = FilePath("settings.conf");
    const auto fmt = static_cast<QSettings::Format>(format);
    {
        QtSettingsStore store(path, fmt);
        store.WriteInt(tintwell::kSectionSet, "Type", stored);
        QVERIFY(store.Sync());
    }
    {
        QtSettingsStore store(path, fmt);
        const Settings loaded = LoadSettings(store);
        QCOMPARE(loaded.type, expected);
        SaveSettings(loaded, store);
        QVERIFY(store.Sync());
    }
    QtSettingsStore reopened(path, fmt);
    QCOMPARE(reopened.ReadInt(tintwell::kSectionSet, "Type"), std::optional<int>(expected));
}

void SettingsStoreTest::stringsRoundTripExactly_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("utf8");

    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"japanese path", "/home/ユーザー/画像/出力 フォルダ"},
        {"windows path", "C:\\Users\\山田\\Desktop\\出力\\"},
        {"empty", ""},
        {"comma", "a,b"},
        {"semicolon", "a;b"},
        {"equals", "key=value"},
        {"quotes", "\"quoted\""},
        {"outer spaces", "  padded  "},
        {"variant marker", "@Variant(\\0\\0\\0\\x2\\0\\0\\0\\f)"},
        {"byte array marker", "@ByteArray(x)"},
        {"comment marker", "#not a comment"},
        {"group marker", "[Set]"},
        {"line break and tab", "a\nb\tc"},
        {"four-byte utf-8", "\xF0\x9D\x84\x9E clef"},
        {"full-width and half-width kana", "ﾊﾟﾚｯﾄ パレット"},
    };
    for (const int format : {int(QSettings::IniFormat), int(TypedFormat())}) {
        const char* name = format == QSettings::IniFormat ? "ini" : "typed";
        for (const auto& [tag, utf8] : cases) {
            QTest::addRow("%s %s", name, tag) << format << utf8;
        }
    }
}

void SettingsStoreTest::stringsRoundTripExactly() {
    QFETCH(int, format);
    QFETCH(QByteArray, utf8);

    const QString path = FilePath("settings.conf");
    const auto fmt = static_cast<QSettings::Format>(format);
    {
        QtSettingsStore store(path, fmt);
        store.WriteString(tintwell::kSectionSet, "OutDir", utf8.toStdString());
        store.WriteString(tintwell::kSectionPal, "Pal256", utf8.toStdString());
        QVERIFY(store.Sync());
    }
    QtSettingsStore reopened(path, fmt);
    const auto outDir = reopened.ReadString(tintwell::kSectionSet, "OutDir");
    const auto pal256 = reopened.ReadString(tintwell::kSectionPal, "Pal256");
    QVERIFY(outDir.has_value());
    QVERIFY(pal256.has_value());
    QCOMPARE(Bytes(*outDir), utf8);
    QCOMPARE(Bytes(*pal256), utf8);
}

void SettingsStoreTest::integersFromIniText_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<int>("value");

    QTest::newRow("decimal") << QByteArray("12") << true << 12;
    QTest::newRow("negative") << QByteArray("-1") << true << -1;
    QTest::newRow("plus sign") << QByteArray("+5") << true << 5;
    QTest::newRow("leading zero is decimal") << QByteArray("010") << true << 10;
    QTest::newRow("quoted number") << QByteArray("\"7\"") << true << 7;
    QTest::newRow("int max") << QByteArray("2147483647") << true << INT_MAX;
    QTest::newRow("int min") << QByteArray("-2147483648") << true << INT_MIN;
    QTest::newRow("above int") << QByteArray("2147483648") << false << 0;
    QTest::newRow("below int") << QByteArray("-2147483649") << false << 0;
    QTest::newRow("letters") << QByteArray("abc") << false << 0;
    QTest::newRow("trailing letters") << QByteArray("12abc") << false << 0;
    QTest::newRow("fraction") << QByteArray("1.5") << false << 0;
    QTest::newRow("hexadecimal") << QByteArray("0x10") << false << 0;
    QTest::newRow("empty") << QByteArray("") << false << 0;
    QTest::newRow("list") << QByteArray("1,2") << false << 0;
    QTest::newRow("byte array") << QByteArray("@ByteArray(12)") << false << 0;
}

void SettingsStoreTest::integersFromIniText() {
    QFETCH(QByteArray, text);
    QFETCH(bool, readable);
    QFETCH(int, value);

    const QString path = FilePath("settings.ini");
    WriteTextFile(path, "[Set]\nXpos=" + text + "\n");
    QtSettingsStore store(path, QSettings::IniFormat);
    const std::optional<int> read = store.ReadInt(tintwell::kSectionSet, "Xpos");
    QCOMPARE(read.has_value(), readable);
    if (readable) QCOMPARE(*read, value);
}

void SettingsStoreTest::typedValuesAsInteger_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<int>("value");

    QTest::newRow("int") << QVariant(-7) << true << -7;
    QTest::newRow("string of digits") << QVariant(QStringLiteral("12")) << true << 12;
    QTest::newRow("unsigned in range") << QVariant(7u) << true << 7;
    QTest::newRow("unsigned above int") << QVariant(0x80000000u) << false << 0;
    QTest::newRow("64-bit in range") << QVariant(qlonglong(-300)) << true << -300;
    QTest::newRow("64-bit above int") << QVariant(qlonglong(1) << 40) << false << 0;
    QTest::newRow("64-bit below int") << QVariant(-(qlonglong(1) << 40)) << false << 0;
    QTest::newRow("unsigned 64-bit above int") << QVariant(qulonglong(1) << 32) << false << 0;
    QTest::newRow("string of letters") << QVariant(QStringLiteral("abc")) << false << 0;
    QTest::newRow("double") << QVariant(3.0) << false << 0;
    QTest::newRow("bool") << QVariant(true) << false << 0;
    QTest::newRow("byte array") << QVariant(QByteArray("\x05\x00\x00\x00", 4)) << false << 0;
    QTest::newRow("string list") << QVariant(QStringList{QStringLiteral("1")}) << false << 0;
}

void SettingsStoreTest::typedValuesAsInteger() {
    QFETCH(QVariant, stored);
    QFETCH(bool, readable);
    QFETCH(int, value);

    const QString path = FilePath("settings.typed");
    WriteTypedFile(path, {{QStringLiteral("Set/Xpos"), stored}});
    QtSettingsStore store(path, TypedFormat());
    const std::optional<int> read = store.ReadInt(tintwell::kSectionSet, "Xpos");
    QCOMPARE(read.has_value(), readable);
    if (readable) QCOMPARE(*read, value);
}

void SettingsStoreTest::typedValuesAsString_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("string") << QVariant(QStringLiteral("出力")) << true << QByteArray("出力");
    QTest::newRow("empty string") << QVariant(QStringLiteral("")) << true << QByteArray("");
    QTest::newRow("int") << QVariant(5) << false << QByteArray();
    QTest::newRow("byte array") << QVariant(QByteArray("abc")) << false << QByteArray();
    QTest::newRow("string list") << QVariant(QStringList{QStringLiteral("a"), QStringLiteral("b")})
                                 << false << QByteArray();
}

void SettingsStoreTest::typedValuesAsString() {
    QFETCH(QVariant, stored);
    QFETCH(bool, readable);
    QFETCH(QByteArray, value);

    const QString path = FilePath("settings.typed");
    WriteTypedFile(path, {{QStringLiteral("Pal/Pal16"), stored}});
    QtSettingsStore store(path, TypedFormat());
    const std::optional<std::string> read = store.ReadString(tintwell::kSectionPal, "Pal16");
    QCOMPARE(read.has_value(), readable);
    if (readable) QCOMPARE(Bytes(*read), value);
}

void SettingsStoreTest::wrongTypedIniValuesGiveDefaults_data() {
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("type as letters") << QByteArray("[Set]\nType=abc\n");
    QTest::newRow("positions as fractions") << QByteArray("[Set]\nXpos=1.5\nYpos=2e3\n");
    QTest::newRow("out dir as list") << QByteArray("[Set]\nOutDir=/a,/b\n");
    QTest::newRow("palette names as byte arrays and lists")
        << QByteArray("[Pal]\nPal256=@ByteArray(x.act)\nPal16=a.act, b.act\n");
    QTest::newRow("all wrong at once") << QByteArray(
        "[Set]\nOutDir=@ByteArray(/x)\nXpos=left\nYpos=\nType=2x\n[Pal]\nPal256=1,2\n");
}

void SettingsStoreTest::wrongTypedIniValuesGiveDefaults() {
    QFETCH(QByteArray, content);

    const QString path = FilePath("settings.ini");
    WriteTextFile(path, content);
    QtSettingsStore store(path, QSettings::IniFormat);
    CompareSettings(LoadSettings(store), tintwell::DefaultSettings());
}

void SettingsStoreTest::firstRunWritesAllSixInOrder() {
    const QString path = FilePath("settings.ini");
    {
        QtSettingsStore store(path, QSettings::IniFormat);
        RecordingStore recorder(store);
        const Settings loaded = LoadSettings(recorder);
        QCOMPARE(recorder.Reads(), kSixInOrder);
        SaveSettings(loaded, recorder);
        QCOMPARE(recorder.Writes(), kSixInOrder);
        QVERIFY(store.Sync());
    }

    QSettings file(path, QSettings::IniFormat);
    QStringList groups = file.childGroups();
    groups.sort();
    QCOMPARE(groups, (QStringList{QStringLiteral("Pal"), QStringLiteral("Set")}));
    QStringList keys = file.allKeys();
    keys.sort();
    QStringList expected = kSixInOrder;
    expected.sort();
    QCOMPARE(keys, expected);
    QCOMPARE(file.value(QStringLiteral("Set/OutDir")).toString(),
             QString::fromStdString(std::filesystem::current_path().string()));
    QCOMPARE(file.value(QStringLiteral("Set/Xpos")).toString(), QStringLiteral("100"));
    QCOMPARE(file.value(QStringLiteral("Set/Ypos")).toString(), QStringLiteral("100"));
    QCOMPARE(file.value(QStringLiteral("Set/Type")).toString(), QStringLiteral("2"));
    QCOMPARE(file.value(QStringLiteral("Pal/Pal256")).toString(), QString());
    QCOMPARE(file.value(QStringLiteral("Pal/Pal16")).toString(), QString());
}

void SettingsStoreTest::valuesKeepTheirTypes() {
    Settings saved;
    saved.outDir = "/tmp/出力";
    saved.xpos = 12;
    saved.ypos = -3;
    saved.type = 1;
    saved.pal256 = "123";  // a name made of digits stays a string
    saved.pal16 = "";

    const QString typedPath = FilePath("settings.typed");
    {
        QtSettingsStore store(typedPath, TypedFormat());
        SaveSettings(saved, store);
        QVERIFY(store.Sync());
    }
    const QSettings::SettingsMap map = ReadTypedFile(typedPath);
    QCOMPARE(map.size(), 6);
    for (const char* key : {"Set/Xpos", "Set/Ypos", "Set/Type"}) {
        QCOMPARE(map.value(QString::fromLatin1(key)).typeId(), int(QMetaType::Int));
    }
    for (const char* key : {"Set/OutDir", "Pal/Pal256", "Pal/Pal16"}) {
        QCOMPARE(map.value(QString::fromLatin1(key)).typeId(), int(QMetaType::QString));
    }
    QCOMPARE(map.value(QStringLiteral("Set/Ypos")).toInt(), -3);
    QCOMPARE(map.value(QStringLiteral("Pal/Pal256")).toString(), QStringLiteral("123"));

    // In a text file an integer is its plain decimal form, not a serialised variant.
    const QString iniPath = FilePath("settings.ini");
    {
        QtSettingsStore store(iniPath, QSettings::IniFormat);
        SaveSettings(saved, store);
        QVERIFY(store.Sync());
    }
    QFile ini(iniPath);
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QByteArray text = ini.readAll();
#ifdef Q_OS_WIN
    // Windows' INI files end their lines in CR LF, every one of them.
    QCOMPARE(text.count("\r\n"), text.count('\n'));
    text.replace("\r\n", "\n");
#endif
    QVERIFY2(text.contains("[Set]\n"), text.constData());
    QVERIFY2(text.contains("\nXpos=12\n"), text.constData());
    QVERIFY2(text.contains("\nYpos=-3\n"), text.constData());
    QVERIFY2(text.contains("\nType=1\n"), text.constData());
    QVERIFY2(text.contains("[Pal]\n"), text.constData());
    QVERIFY2(!text.contains("@Variant"), text.constData());
}

void SettingsStoreTest::defaultStoreUsesOrganisationAndApplication() {
    // Only opened, never written: the test must not change anyone's settings.
    const QtSettingsStore store;
    const QString location = store.Location();
#if defined(Q_OS_WIN)
    QVERIFY2(
        location.endsWith(QStringLiteral("\\Software\\Qorvel_SA\\Tintwell"), Qt::CaseInsensitive),
        qPrintable(location));
#elif defined(Q_OS_MACOS)
    QVERIFY2(location.contains(QStringLiteral("Tintwell")), qPrintable(location));
#else
    QVERIFY2(location.endsWith(QStringLiteral("/Qorvel_SA/Tintwell.conf")), qPrintable(location));
#endif
}

// Settings that cannot be written at exit are not lost without a word: a store whose folder
// is a file cannot be written, as root too (who may write into a read-only folder).
void SettingsStoreTest::settingsThatCannotBeKeptAreReported() {
    QFile blocker(FilePath("config"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QStringList said;
    const auto say = [&](const QString& text) { said.append(text); };
    {
        QtSettingsStore store(FilePath("config/Tintwell.conf"), QSettings::IniFormat);
        QVERIFY(!SaveSettingsAtExit(DefaultSettings(), store, say));
        QCOMPARE(said, (QStringList{QString::fromUtf8(MessageText(Msg::SettingsNotSaved).data()) +
                                    QLatin1Char('\n') + store.Location()}));
    }
    said.clear();
    QtSettingsStore store(FilePath("settings.ini"), QSettings::IniFormat);
    QVERIFY(SaveSettingsAtExit(DefaultSettings(), store, say));
    QVERIFY(said.isEmpty());
}

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "settings_store_test.moc"
