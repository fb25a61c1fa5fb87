#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "ui/dialog_messages.h"
#include "ui/output_dir_dialog.h"
#include "ui/overwrite_dialog.h"
#include "ui/palette_save_dialog.h"

using tintwell::DialogMessages;
using tintwell::Msg;
using tintwell::OutputDirDialog;
using tintwell::OverwriteAnswer;
using tintwell::OverwriteDialog;
using tintwell::PaletteFormat;
using tintwell::PaletteMode;
using tintwell::PaletteSaveChoice;
using tintwell::PaletteSaveDialog;

Q_DECLARE_METATYPE(OverwriteAnswer)
Q_DECLARE_METATYPE(PaletteMode)
Q_DECLARE_METATYPE(Msg)

namespace {

// Records the messages instead of showing boxes and answers questions with `yes`.
class RecordingMessages final : public DialogMessages {
  public:
    std::vector<Msg> shown;
    std::vector<std::pair<Msg, bool>> asked;  // message and whether Yes was the default
    bool yes = true;

    void Show(QWidget*, Msg msg, const QString&) override { shown.push_back(msg); }
    bool AskYesNo(QWidget*, Msg msg, bool defaultYes) override {
        asked.emplace_back(msg, defaultYes);
        return yes;
    }
};

template <typename T>
T* Child(const QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("no child %s", name);
    return child;
}

// The widgets Tab visits from `from`, `count` steps.
QList<QWidget*> TabChain(QWidget* from, int count) {
    QList<QWidget*> chain;
    for (QWidget* w = from; chain.size() < count; w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus && w->isEnabled() && w->isVisibleTo(w->window()))
            chain.append(w);
    }
    return chain;
}

}  // namespace

class OutputDialogsTest : public QObject {
    Q_OBJECT

    RecordingMessages messages_;
    QTemporaryDir temp_;

    QString Path(const QString& name) const { return temp_.filePath(name); }

  private slots:
    void init() {
        messages_ = RecordingMessages();
        DialogMessages::SetCurrent(&messages_);
    }
    void cleanup() { DialogMessages::SetCurrent(nullptr); }

    // OK ("出　力", the default) is enabled only while the text names something; the chooser
    // fills the text; Tab runs edit, "参　照", OK, Cancel.
    void outputDirEnablingAndBrowse() {
        OutputDirDialog dialog(QString{});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("出力ディレクトリを指定して下さい"));
        auto* edit = Child<QLineEdit>(dialog, "edit1027");
        auto* ok = Child<QPushButton>(dialog, "ok");
        auto* browse = Child<QPushButton>(dialog, "browse");
        QCOMPARE(browse->text(), QStringLiteral("参　照"));
        QVERIFY(ok->isDefault());
        QVERIFY(!ok->isEnabled());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.focusWidget(), edit);
        QTest::keyClicks(edit, QStringLiteral("  "));
        QVERIFY(!ok->isEnabled());
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QTest::keyClicks(edit, QStringLiteral("x"));
        QVERIFY(ok->isEnabled());
        QCOMPARE(TabChain(edit, 4),
                 (QList<QWidget*>{edit, browse, ok, Child<QPushButton>(dialog, "cancel")}));

        QString startedAt;
        dialog.SetFolderChooser([&](QWidget*, const QString& start) {
            startedAt = start;
            return QString();
        });
        QTest::mouseClick(browse, Qt::LeftButton);
        QCOMPARE(startedAt, QStringLiteral("  x"));
        QCOMPARE(edit->text(), QStringLiteral("  x"));
        dialog.SetFolderChooser([&](QWidget*, const QString&) { return temp_.path(); });
        edit->clear();
        QTest::mouseClick(browse, Qt::LeftButton);
        QCOMPARE(edit->text(), QDir::toNativeSeparators(temp_.path()));
        QVERIFY(ok->isEnabled());
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(messages_.shown.empty() && messages_.asked.empty());
    }

    // OK's checks: an existing writable folder is taken as it is; a missing one is created
    // after Yes to 231 (No stays); one that cannot be created gives 232, an unwritable one
    // 230, a file 250, all staying. The result is the text without leading white space.
    void outputDirOkRules_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<int>("shown");  // message number, 0 for none
        QTest::addColumn<QString>("created");
        QTest::newRow("exists") << "T" << true << true << false << 0 << "";
        QTest::newRow("leading blanks") << "  T/" << true << true << false << 0 << "";
        QTest::newRow("missing, yes") << "T/a/b/c" << true << true << true << 0 << "T/a/b/c";
        QTest::newRow("missing, no") << "T/n" << false << false << true << 0 << "";
        QTest::newRow("under a file") << "T/file/sub" << true << false << true << 232 << "";
        QTest::newRow("a file") << "T/file" << true << false << false << 250 << "";
#ifdef Q_OS_LINUX
        QTest::newRow("not writable") << "/proc" << true << false << false << 230 << "";
#endif
    }
    void outputDirOkRules() {
        QFETCH(QString, text);
        QFETCH(bool, yes);
        QFETCH(bool, accepted);
        QFETCH(bool, asked);
        QFETCH(int, shown);
        QFETCH(QString, created);
        QVERIFY(temp_.isValid());
        QFile(Path(QStringLiteral("file"))).open(QIODevice::WriteOnly);
        text.replace(QStringLiteral("T"), temp_.path());
        messages_.yes = yes;

        OutputDirDialog dialog(text);
        dialog.show();
        QTest::keyClick(Child<QLineEdit>(dialog, "edit1027"), Qt::Key_Return);
        QCOMPARE(!dialog.isVisible(), accepted);
        QCOMPARE(dialog.result(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(messages_.asked.empty(), !asked);
        if (asked) QCOMPARE(messages_.asked.front().first, Msg::CreateDirectoryQuestion);
        QCOMPARE(messages_.shown,
                 shown == 0 ? std::vector<Msg>{} : std::vector<Msg>{static_cast<Msg>(shown)});
        if (!created.isEmpty())
            QVERIFY(QDir(created.replace(QStringLiteral("T"), temp_.path())).exists());
        if (accepted) QCOMPARE(dialog.Directory(), text.trimmed());
    }

    // Each button answers for itself; "はい" is the default; Escape and the close box cancel.
    void overwriteAnswers_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<OverwriteAnswer>("answer");
        QTest::newRow("はい") << "yes" << OverwriteAnswer::Yes;
        QTest::newRow("すべて上書き") << "all" << OverwriteAnswer::All;
        QTest::newRow("いいえ") << "no" << OverwriteAnswer::No;
        QTest::newRow("ｷｬﾝｾﾙ") << "cancel" << OverwriteAnswer::Cancel;
        QTest::newRow("Enter") << "enter" << OverwriteAnswer::Yes;
        QTest::newRow("Escape") << "escape" << OverwriteAnswer::Cancel;
        QTest::newRow("close box") << "close" << OverwriteAnswer::Cancel;
    }
    void overwriteAnswers() {
        QFETCH(QString, action);
        QFETCH(OverwriteAnswer, answer);
        OverwriteDialog dialog(QStringLiteral("/out/a.bmp"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("上書きの確認"));
        QCOMPARE(Child<QLabel>(dialog, "static1040")->text(), QStringLiteral("/out/a.bmp"));
        QCOMPARE(dialog.Answer(), OverwriteAnswer::Unanswered);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.focusWidget(), Child<QPushButton>(dialog, "yes"));
        if (action == QLatin1String("enter")) {
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
        } else if (action == QLatin1String("escape")) {
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape);
        } else if (action == QLatin1String("close")) {
            dialog.close();
        } else {
            QTest::mouseClick(Child<QPushButton>(dialog, action.toLatin1().constData()),
                              Qt::LeftButton);
        }
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.Answer(), answer);
    }

    // Which choice the dialog opens on, what is enabled and where the focus is.
    void paletteSaveOpening_data() {
        QTest::addColumn<PaletteMode>("mode");
        QTest::addColumn<int>("depth");
        QTest::addColumn<QString>("pal256");
        QTest::addColumn<QString>("pal16");
        QTest::addColumn<bool>("overwriteOffered");
        QTest::newRow("256 fixed, named") << PaletteMode::Fixed256 << 256 << "p"
                                          << "" << true;
        QTest::newRow("16 fixed, named") << PaletteMode::Fixed16 << 16 << ""
                                         << "q" << true;
        QTest::newRow("256 fixed, built in") << PaletteMode::Fixed256 << 256 << ""
                                             << "q" << false;
        QTest::newRow("256 fixed, depth 16") << PaletteMode::Fixed256 << 16 << "p"
                                             << "q" << false;
        QTest::newRow("bit reduction") << PaletteMode::RgbBits << 256 << "p"
                                       << "q" << false;
    }
    void paletteSaveOpening() {
        QFETCH(PaletteMode, mode);
        QFETCH(int, depth);
        QFETCH(QString, pal256);
        QFETCH(QString, pal16);
        QFETCH(bool, overwriteOffered);
        PaletteSaveDialog dialog(mode, depth, pal256.toStdString(), pal16.toStdString(),
                                 temp_.path().toStdString());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("パレットの保存"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* overwrite = Child<QRadioButton>(dialog, "radio1042");
        auto* name = Child<QLineEdit>(dialog, "edit1044");
        auto* save = Child<QPushButton>(dialog, "ok");
        QVERIFY(save->isDefault());
        QCOMPARE(overwrite->isEnabled(), overwriteOffered);
        QCOMPARE(dialog.Choice(),
                 overwriteOffered ? PaletteSaveChoice::Overwrite : PaletteSaveChoice::NewName);
        QCOMPARE(name->isEnabled(), !overwriteOffered);
        QCOMPARE(Child<QLabel>(dialog, "static1045")->isEnabled(), !overwriteOffered);
        QCOMPARE(save->isEnabled(), overwriteOffered);
        QCOMPARE(dialog.focusWidget(), overwriteOffered ? static_cast<QWidget*>(overwrite) : name);
    }

    // Switching the choice moves the enabling and the focus; a blank name cannot be saved;
    // the typed name is not used with the overwrite choice.
    void paletteSaveSwitching() {
        PaletteSaveDialog dialog(PaletteMode::Fixed256, 256, "p", "", temp_.path().toStdString());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* overwrite = Child<QRadioButton>(dialog, "radio1042");
        auto* newName = Child<QRadioButton>(dialog, "radio1043");
        auto* name = Child<QLineEdit>(dialog, "edit1044");
        auto* save = Child<QPushButton>(dialog, "ok");
        QTest::mouseClick(newName, Qt::LeftButton);
        QCOMPARE(dialog.focusWidget(), name);
        QVERIFY(name->isEnabled() && !save->isEnabled());
        name->insert(QStringLiteral("　 "));  // an ideographic and a plain space
        QVERIFY(!save->isEnabled());
        QTest::keyClicks(name, QStringLiteral("pal1"));
        QVERIFY(save->isEnabled());
        QTest::mouseClick(overwrite, Qt::LeftButton);
        QCOMPARE(name->text(), QStringLiteral("pal1"));  // leading blanks gone
        QVERIFY(!name->isEnabled() && save->isEnabled());
        QTest::keyClick(overwrite, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Choice(), PaletteSaveChoice::Overwrite);
        QVERIFY(messages_.asked.empty());
    }

    // A new name whose file exists asks 246 with No as the default; No keeps the dialog
    // open with the focus on the name, Yes saves.
    void paletteSaveAsksBeforeReplacing() {
        QFile(Path(QStringLiteral("pal1.act"))).open(QIODevice::WriteOnly);
        for (bool yes : {false, true}) {
            messages_.asked.clear();
            messages_.yes = yes;
            PaletteSaveDialog dialog(PaletteMode::RgbBits, 256, "", "", temp_.path().toStdString());
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            auto* name = Child<QLineEdit>(dialog, "edit1044");
            QTest::keyClicks(name, QStringLiteral("pal1"));
            Child<QPushButton>(dialog, "ok")->setFocus();
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
            QCOMPARE(messages_.asked,
                     (std::vector<std::pair<Msg, bool>>{{Msg::PaletteExistsQuestion, false}}));
            QCOMPARE(dialog.isVisible(), !yes);
            if (!yes) QCOMPARE(dialog.focusWidget(), name);
            if (yes) QCOMPARE(dialog.Name(), std::string("pal1"));
        }
    }

    // The format beside the name: .act by default and while overwriting (the current file
    // keeps its own); a chosen format adds its extension once, a typed extension chooses
    // its format, and the existing-file question looks at the file of that format.
    void paletteSaveFormatChoice() {
        QFile(Path(QStringLiteral("pal1.gpl"))).open(QIODevice::WriteOnly);
        messages_.asked.clear();
        messages_.yes = true;
        PaletteSaveDialog dialog(PaletteMode::Fixed256, 256, "p.gpl", "",
                                 temp_.path().toStdString());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* format = Child<QComboBox>(dialog, "format");
        auto* name = Child<QLineEdit>(dialog, "edit1044");
        auto* note = Child<QLabel>(dialog, "static1045");
        auto* overwrite = Child<QRadioButton>(dialog, "radio1042");
        auto* newName = Child<QRadioButton>(dialog, "radio1043");
        QCOMPARE(dialog.Format(), PaletteFormat::Gpl);  // the current file's
        QVERIFY(!format->isEnabled());
        QTest::mouseClick(newName, Qt::LeftButton);
        QVERIFY(format->isEnabled());
        QCOMPARE(dialog.Format(), PaletteFormat::Act);
        QCOMPARE(note->text(), QStringLiteral("拡張子 (.act) は不要です"));

        QTest::keyClicks(name, QStringLiteral("pal1"));
        QCOMPARE(dialog.Name(), std::string("pal1"));
        format->setCurrentIndex(1);
        emit format->activated(1);
        QCOMPARE(dialog.Format(), PaletteFormat::Gpl);
        QCOMPARE(dialog.Name(), std::string("pal1.gpl"));
        QCOMPARE(note->text(), QStringLiteral("拡張子 (.gpl) は不要です"));
        QTest::mouseClick(overwrite, Qt::LeftButton);
        QTest::mouseClick(newName, Qt::LeftButton);
        QCOMPARE(dialog.Format(), PaletteFormat::Gpl);  // the new name's choice comes back

        name->clear();
        QTest::keyClicks(name, QStringLiteral("x.HEX"));
        QCOMPARE(dialog.Format(), PaletteFormat::Hex);
        QCOMPARE(dialog.Name(), std::string("x.HEX"));
        format->setCurrentIndex(2);
        emit format->activated(2);  // the typed extension goes with the other format
        QCOMPARE(name->text(), QStringLiteral("x"));
        QCOMPARE(dialog.Name(), std::string("x.pal"));

        name->clear();
        QTest::keyClicks(name, QStringLiteral("pal1.gpl"));
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(messages_.asked,
                 (std::vector<std::pair<Msg, bool>>{{Msg::PaletteExistsQuestion, false}}));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Name(), std::string("pal1.gpl"));
    }
};

QTEST_MAIN(OutputDialogsTest)
#include "output_dialogs_test.moc"
