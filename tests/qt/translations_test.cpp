#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>
#include <memory>

#include "app/window_language.h"
#include "jobs/color_edit_session.h"
#include "jobs/memory_settings_store.h"
#include "ui/color_edit_dialog.h"
#include "ui/help_dialog.h"
#include "ui/main_window.h"
#include "ui/output_dir_dialog.h"
#include "ui/overwrite_dialog.h"
#include "ui/palette_save_dialog.h"
#include "ui/palette_settings_dialog.h"
#include "ui/refusal_list_dialog.h"
#include "ui/translations.h"

Q_DECLARE_METATYPE(tintwell::Language)

namespace tintwell {
namespace {

template <typename T>
QString Text(const QWidget& parent, const char* name) {
    const T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("no child %s", name);
    return child->text();
}

bool HasLabel(const QWidget& parent, const QString& text) {
    for (const QLabel* label : parent.findChildren<QLabel*>()) {
        if (label->text() == text && label->isVisibleTo(&parent)) return true;
    }
    return false;
}

class SilentView final : public HeadlessView {
  public:
    void ShowMessage(Msg, const std::string&) override {}
    OverwriteAnswer AskOverwrite(const std::string&) override { return OverwriteAnswer::Cancel; }
};

}  // namespace

class TranslationsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

  private slots:
    void cleanup() { UseLanguage(Language::Japanese); }

    // The window and each dialog, built after a language switch, show their texts in that
    // language; Japanese is the texts the window has always had, English says the same.
    void everyDialogSpeaksTheChosenLanguage_data() {
        QTest::addColumn<Language>("language");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("ja") << Language::Japanese
                            << QStringList{"ファイル出力",
                                           "256色固定",
                                           "ファイル名\u3000  0ﾌｧｲﾙ",
                                           "256色固定パレットを使用する",
                                           " Tintwellパレット",
                                           "参\u3000照",
                                           "すべて上書き",
                                           "名前を付けて保存する",
                                           "拡張子 (.act) は不要です",
                                           "適用",
                                           "赤(&R):",
                                           "ほかにも読み込めなかったファイルがあります（1 件）。",
                                           "qrc:/help/index_ja.html",
                                           "「a.bmp」はビットマップではありません。"};
        QTest::newRow("en") << Language::English
                            << QStringList{"Write files",
                                           "Fixed 256",
                                           "File name    0 file(s)",
                                           "Fixed 256-color palette",
                                           " Tintwell palette",
                                           "Browse...",
                                           "Yes to all",
                                           "Save as",
                                           "No extension (.act) needed",
                                           "Apply",
                                           "&Red:",
                                           "1 more file(s) could not be read.",
                                           "qrc:/help/index.html",
                                           "\"a.bmp\" is not a bitmap."};
    }
    void everyDialogSpeaksTheChosenLanguage() {
        QFETCH(Language, language);
        QFETCH(QStringList, expected);
        UseLanguage(language);
        QStringList seen;

        Settings settings;
        settings.type = 0;
        settings.outDir = dir_.path().toStdString();
        MainWindow window(settings, WorkspaceOptions{dir_.filePath("palettes").toStdString(),
                                                     RunMode::Inline, 1});
        window.Initialise(QRect(0, 0, 1024, 768));
        seen << Text<QPushButton>(window, "button1009") << Text<QPushButton>(window, "button1015")
             << window.findChild<QTreeView*>("list1001")
                    ->model()
                    ->headerData(0, Qt::Horizontal)
                    .toString();

        PaletteSettingsDialog palettes(PaletteSettings{}, "", "", {});
        seen << Text<QRadioButton>(palettes, "mode1037")
             << palettes.findChild<QComboBox*>("list1041")->itemText(0);
        OutputDirDialog output(dir_.path());
        seen << Text<QPushButton>(output, "browse");
        OverwriteDialog overwrite("/tmp/a.bmp");
        seen << Text<QPushButton>(overwrite, "all");
        PaletteSaveDialog save(PaletteMode::RgbBits, 256, "", "", dir_.path().toStdString());
        seen << Text<QRadioButton>(save, "radio1043") << Text<QLabel>(save, "static1045");

        ColorTable table;
        table.AddColor({1, 2, 3, 0}, 1, {});
        SilentView view;
        ColorEditSession session(table, view, 0);
        ColorEditDialog edit(session);
        seen << Text<QPushButton>(edit, "apply")
             << (HasLabel(edit, expected.at(10)) ? expected.at(10) : QStringLiteral("(missing)"));

        RefusalListDialog refusals({Refusal{Msg::NotBitmap, "/tmp/b.bmp", "b"}});
        seen << refusals.findChild<QLabel*>()->text();
        HelpDialog help;
        seen << help.findChild<QTextBrowser*>("helpBrowser")->source().toString()
             << QString::fromUtf8(FormatMessage(Msg::NotBitmap, "a.bmp").c_str());
        QCOMPARE(seen, expected);
    }

    // Qt's own dialogs follow: the folder chooser's texts come from Qt's translations.
    void qtsOwnTextsFollowTheLanguage() {
        UseLanguage(Language::English);
        QCOMPARE(QFileDialog::tr("Look in:"), QStringLiteral("Look in:"));
        UseLanguage(Language::Japanese);
        QVERIFY2(QFileDialog::tr("Look in:") != QStringLiteral("Look in:"),
                 "qtbase_ja.qm not loaded (Debian package qt6-translations-l10n)");
    }

    // --lang wins over the setting, the setting over the desktop; an unknown value is an
    // error and a bad setting follows the desktop.
    void languageIsChosenByOptionSettingAndDesktop_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("desktop");
        QTest::addColumn<Language>("expected");
        QTest::addColumn<QStringList>("files");
        const QStringList ja{"ja-JP", "ja"};
        const QStringList en{"en-US"};
        QTest::newRow("desktop ja")
            << QStringList{"a.bmp"} << "" << ja << Language::Japanese << QStringList{"a.bmp"};
        QTest::newRow("desktop fr")
            << QStringList{} << "" << QStringList{"fr-FR"} << Language::English << QStringList{};
        QTest::newRow("desktop fr, ja") << QStringList{} << "" << QStringList{"fr-FR", "ja-JP"}
                                        << Language::Japanese << QStringList{};
        QTest::newRow("setting en")
            << QStringList{} << "en" << ja << Language::English << QStringList{};
        QTest::newRow("bad setting")
            << QStringList{} << "de" << ja << Language::Japanese << QStringList{};
        QTest::newRow("option") << QStringList{"a.bmp", "--lang", "ja", "b.bmp"} << "en" << en
                                << Language::Japanese << QStringList{"a.bmp", "b.bmp"};
        QTest::newRow("option=") << QStringList{"--lang=en"} << "ja" << ja << Language::English
                                 << QStringList{};
    }
    void languageIsChosenByOptionSettingAndDesktop() {
        QFETCH(QStringList, args);
        QFETCH(QString, stored);
        QFETCH(QStringList, desktop);
        QFETCH(Language, expected);
        QFETCH(QStringList, files);
        MemorySettingsStore store;
        if (!stored.isEmpty()) store.WriteString(kSectionSet, "Language", stored.toStdString());
        QString error;
        const std::optional<Language> option = TakeLanguageOption(args, error);
        QVERIFY(error.isEmpty());
        QCOMPARE(WindowLanguage(option, store, desktop), expected);
        QCOMPARE(args, files);

        for (QStringList bad : {QStringList{"--lang", "fr"}, QStringList{"a.bmp", "--lang"}}) {
            QString badError;
            (void)TakeLanguageOption(bad, badError);
            QVERIFY(!badError.isEmpty());
        }
    }
};

}  // namespace tintwell

QTEST_MAIN(tintwell::TranslationsTest)
#include "translations_test.moc"
