#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/palette_folder.h"
#include "app/qt_settings_store.h"

using tintwell::kPaletteDirVariable;
using tintwell::PaletteFolder;
using tintwell::ToFilesystemPath;
using tintwell::ToQString;

namespace {

QByteArray NativeBytes(const std::filesystem::path& path) {
#ifdef Q_OS_WIN
    return ToQString(path).toUtf8();
#else
    return QByteArray::fromStdString(path.native());
#endif
}

// Sets the variable as a user's shell would: on Windows in the wide environment, which keeps
// characters that the ANSI code page has not.
void SetVariable(const QString& value) {
#ifdef Q_OS_WIN
    const std::wstring name = QString::fromLatin1(kPaletteDirVariable).toStdWString();
    QCOMPARE(_wputenv_s(name.c_str(), value.toStdWString().c_str()), 0);
#else
    qputenv(kPaletteDirVariable, QFile::encodeName(value));
#endif
}

}  // namespace

class PaletteFolderTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void environmentOverrides_data();
    void environmentOverrides();
    void appDataFolderWhenUnsetOrEmpty_data();
    void appDataFolderWhenUnsetOrEmpty();
    void pathsConvertBothWays_data();
    void pathsConvertBothWays();

  private:
    void RestoreEnvironment() const;

    bool hadVariable_ = false;
    QByteArray savedVariable_;
};

void PaletteFolderTest::initTestCase() {
    // AppDataLocation then points into a test folder, never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    tintwell::SetApplicationNames();
    hadVariable_ = qEnvironmentVariableIsSet(kPaletteDirVariable);
    savedVariable_ = qgetenv(kPaletteDirVariable);
}

void PaletteFolderTest::cleanup() {
    RestoreEnvironment();
}

void PaletteFolderTest::cleanupTestCase() {
    RestoreEnvironment();
}

void PaletteFolderTest::RestoreEnvironment() const {
    if (hadVariable_) {
        qputenv(kPaletteDirVariable, savedVariable_);
    } else {
        qunsetenv(kPaletteDirVariable);
    }
}

void PaletteFolderTest::environmentOverrides_data() {
    QTest::addColumn<QString>("name");  // below a temporary folder; absolute when it starts with /

    QTest::newRow("ascii") << QStringLiteral("palettes");
    QTest::newRow("japanese") << QStringLiteral("パレット/保存先");
    QTest::newRow("spaces and trailing separator") << QStringLiteral("my palettes/");
    QTest::newRow("four-byte utf-8") << QStringLiteral("\U0001D11E");
}

void PaletteFolderTest::environmentOverrides() {
    QFETCH(QString, name);

    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString folder = base.path() + u'/' + name;
    SetVariable(folder);

    const std::filesystem::path result = PaletteFolder();
    QCOMPARE(NativeBytes(result), folder.toUtf8());
    // Finding the folder does not create it.
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(!std::filesystem::exists(result));
}

void PaletteFolderTest::appDataFolderWhenUnsetOrEmpty_data() {
    QTest::addColumn<bool>("set");

    QTest::newRow("unset") << false;
    QTest::newRow("empty") << true;
}

void PaletteFolderTest::appDataFolderWhenUnsetOrEmpty() {
    QFETCH(bool, set);

    if (set) {
        qputenv(kPaletteDirVariable, QByteArray(""));
    } else {
        qunsetenv(kPaletteDirVariable);
    }
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const bool existedBefore = QFileInfo::exists(appData);

    const std::filesystem::path result = PaletteFolder();
    QCOMPARE(ToQString(result), appData);
    QCOMPARE(result.filename().string(), std::string("Tintwell"));
    QCOMPARE(result.parent_path().filename().string(), std::string("Qorvel_SA"));
    QCOMPARE(QFileInfo::exists(appData), existedBefore);
}

void PaletteFolderTest::pathsConvertBothWays_data() {
    QTest::addColumn<QString>("name");

    QTest::newRow("ascii") << QStringLiteral("plain");
    QTest::newRow("japanese") << QStringLiteral("出力フォルダ");
    QTest::newRow("half-width kana and spaces") << QStringLiteral("ﾊﾟﾚｯﾄ 1");
    QTest::newRow("accents") << QStringLiteral("Café Ünïcode");
    QTest::newRow("four-byte utf-8") << QStringLiteral("clef \U0001D11E");
}

void PaletteFolderTest::pathsConvertBothWays() {
    QFETCH(QString, name);

    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString qtPath = base.path() + u'/' + name;

    // Made by Qt, found by the standard library through the conversion.
    QVERIFY(QDir(base.path()).mkdir(name));
    const std::filesystem::path stdPath = ToFilesystemPath(qtPath);
    QVERIFY(std::filesystem::is_directory(stdPath));
    QCOMPARE(NativeBytes(stdPath.filename()), name.toUtf8());
    QCOMPARE(ToQString(stdPath), qtPath);

    // Made by the standard library, found by Qt through the conversion.
    const std::filesystem::path file = stdPath / ToFilesystemPath(name + QStringLiteral(".act"));
    { std::ofstream(file) << "x"; }
    QVERIFY(QFileInfo::exists(ToQString(file)));
    QCOMPARE(QFileInfo(ToQString(file)).fileName(), name + QStringLiteral(".act"));
}

QTEST_GUILESS_MAIN(PaletteFolderTest)
#include "palette_folder_test.moc"
