#include <QColorDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <vector>

#include "jobs/color_edit_session.h"
#include "jobs/workspace_view.h"
#include "palette/color_table.h"
#include "ui/color_edit_dialog.h"

using tintwell::ColorEditDialog;
using tintwell::ColorEditSession;
using tintwell::ColorRef;
using tintwell::ListId;

namespace {

// Counts repaints and records the color rows the session selects and unselects.
class CountingView final : public tintwell::HeadlessView {
  public:
    int repaints = 0;
    std::vector<std::pair<int, bool>> selections;

    void ColorListRepaint() override { ++repaints; }
    void SetRowSelected(ListId list, int row, bool selected) override {
        if (list == ListId::Colors) selections.emplace_back(row, selected);
    }
    void ShowMessage(tintwell::Msg, const std::string&) override {}
    tintwell::OverwriteAnswer AskOverwrite(const std::string&) override {
        return tintwell::OverwriteAnswer::Cancel;
    }
};

constexpr int kColors = 40;

// Color i of the table: red i, green 2i, blue 255 - i.
ColorRef Opening(int i) {
    return tintwell::ColorRefFromEdits(i, 2 * i, 255 - i);
}

struct Table {
    tintwell::ColorTable table;
    Table() {
        for (int i = 0; i < kColors; ++i) {
            const ColorRef c = Opening(i);
            table.AddColor({static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                            static_cast<std::uint8_t>(c), 0},
                           1, {});
        }
    }
    [[nodiscard]] ColorRef At(int position) const {
        return tintwell::ColorRefOf(table.AtPosition(position));
    }
};

template <typename T>
T* Child(const QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("no child %s", name);
    return child;
}

}  // namespace

class ColorEditDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { ColorEditDialog::ForgetPosition(); }

    // The dialog opens on the focused row's color and number, the focus in the red box, the
    // template's texts on our controls; a second opening appears where the first closed.
    void opensOnFocusedRowAndKeepsItsPlace() {
        Table t;
        CountingView view;
        ColorEditSession session(t.table, view, 5);
        QPoint closedAt;
        {
            ColorEditDialog dialog(session);
            QCOMPARE(dialog.windowTitle(), QStringLiteral("色の設定"));
            QCOMPARE(dialog.ChooserColor(), Opening(5));
            QCOMPARE(dialog.NumberEdit()->text(), QStringLiteral("5"));
            QCOMPARE(Child<QPushButton>(dialog, "apply")->text(), QStringLiteral("適用"));
            QCOMPARE(Child<QPushButton>(dialog, "undo")->text(), QStringLiteral("元に戻す"));
            QCOMPARE(Child<QPushButton>(dialog, "cancel")->text(), QStringLiteral("キャンセル"));
            QVERIFY(Child<QPushButton>(dialog, "ok")->isDefault());
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            auto* red = qobject_cast<QSpinBox*>(dialog.focusWidget());
            QVERIFY(red != nullptr);
            QCOMPARE(red->value(), 5);
            dialog.move(dialog.pos() + QPoint(37, 23));
            closedAt = dialog.pos();
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        }
        QCOMPARE(ColorEditDialog::LastPosition(), std::optional<QPoint>(closedAt));
        ColorEditDialog again(session);
        QCOMPARE(again.pos(), closedAt);
    }

    // Apply writes at once and only a change; a switch applies the color it leaves; Undo
    // brings back the opening color; Cancel (Escape in the chooser's box) restores all.
    void cancelRestoresEveryColor() {
        Table t;
        CountingView view;
        ColorEditSession session(t.table, view, 5);
        ColorEditDialog dialog(session);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* apply = Child<QPushButton>(dialog, "apply");

        const ColorRef edited5 = tintwell::ColorRefFromEdits(200, 10, 20);
        dialog.SetChooserColor(edited5);
        QTest::mouseClick(apply, Qt::LeftButton);
        QCOMPARE(t.At(5), edited5);
        const int repaints = view.repaints;
        QTest::mouseClick(apply, Qt::LeftButton);
        QCOMPARE(view.repaints, repaints);

        QTest::mouseClick(Child<QPushButton>(dialog, "undo"), Qt::LeftButton);
        QCOMPARE(t.At(5), Opening(5));
        QCOMPARE(dialog.ChooserColor(), Opening(5));

        dialog.SetChooserColor(edited5);  // typed, not applied: the switch takes it
        QTest::mouseClick(Child<QToolButton>(dialog, "spinUp"), Qt::LeftButton);
        QCOMPARE(dialog.CurrentIndex(), 6);
        QCOMPARE(dialog.NumberEdit()->text(), QStringLiteral("6"));
        QCOMPARE(t.At(5), edited5);
        QCOMPARE(dialog.ChooserColor(), Opening(6));
        QCOMPARE(view.selections, (std::vector<std::pair<int, bool>>{{5, false}, {6, true}}));

        dialog.SetChooserColor(tintwell::ColorRefFromEdits(1, 2, 3));
        QTest::mouseClick(apply, Qt::LeftButton);
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        for (int i = 0; i < kColors; ++i)
            QCOMPARE(t.At(i), Opening(i));
    }

    // OK (Enter) keeps every switched-away color and the one typed but not applied; the Up
    // and Down keys in the number box switch at once, within 0..N-1.
    void okKeepsEveryEdit() {
        Table t;
        CountingView view;
        ColorEditSession session(t.table, view, kColors - 1);
        ColorEditDialog dialog(session);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QLineEdit* number = dialog.NumberEdit();

        QTest::keyClick(number, Qt::Key_Up);  // already the last color
        QCOMPARE(dialog.CurrentIndex(), kColors - 1);
        const ColorRef a = tintwell::ColorRefFromEdits(9, 9, 9);
        dialog.SetChooserColor(a);
        QTest::keyClick(number, Qt::Key_Down);
        QCOMPARE(dialog.CurrentIndex(), kColors - 2);
        const ColorRef b = tintwell::ColorRefFromEdits(7, 7, 7);
        dialog.SetChooserColor(b);
        // Apply has had the focus; Enter in the number box is still OK's.
        QTest::mouseClick(Child<QPushButton>(dialog, "apply"), Qt::LeftButton);
        number->setFocus();
        QTest::keyClick(number, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(t.At(kColors - 1), a);
        QCOMPARE(t.At(kColors - 2), b);
        QCOMPARE(t.At(0), Opening(0));
    }

    // Typed numbers switch once, when the restarting delay runs out; out of range is
    // clamped; a text that is no number puts the current one back, selected.
    void typedNumberSwitchesOnceAfterTheDelay_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("index");
        QTest::newRow("two digits") << QStringLiteral("12") << 12;
        QTest::newRow("above the last") << QStringLiteral("99999") << kColors - 1;
        QTest::newRow("leading zeros") << QStringLiteral("007") << 7;
        QTest::newRow("letters") << QStringLiteral("ab") << 5;
    }
    void typedNumberSwitchesOnceAfterTheDelay() {
        QFETCH(QString, typed);
        QFETCH(int, index);
        Table t;
        CountingView view;
        ColorEditSession session(t.table, view, 5);
        ColorEditDialog dialog(session);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QLineEdit* number = dialog.NumberEdit();
        QTimer* timer = dialog.SwitchTimer();
        QCOMPARE(timer->interval(), ColorEditDialog::kSwitchDelayMs);
        QVERIFY(timer->isSingleShot());

        number->setFocus();
        number->selectAll();
        QTest::keyClicks(number, typed);
        QCOMPARE(dialog.CurrentIndex(), 5);
        QVERIFY(view.selections.empty());
        if (index == 5) {
            QVERIFY(!timer->isActive());
            QCOMPARE(number->text(), QStringLiteral("5"));
            QCOMPARE(number->selectedText(), QStringLiteral("5"));
            return;
        }
        QVERIFY(timer->isActive());
        timer->setInterval(0);  // runs out now instead of 800 ms from the last key
        QTRY_COMPARE(dialog.CurrentIndex(), index);
        QCOMPARE(number->text(), QString::number(index));
        QCOMPARE(dialog.ChooserColor(), Opening(index));
        QCOMPARE(view.selections, (std::vector<std::pair<int, bool>>{{5, false}, {index, true}}));
    }
};

QTEST_MAIN(ColorEditDialogTest)
#include "color_edit_dialog_test.moc"
