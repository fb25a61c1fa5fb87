#include "ui/color_edit_dialog.h"

#include <QBoxLayout>
#include <QColorDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "ui/color_chooser.h"
#include "ui/dialog_units.h"

namespace tintwell {
namespace {

std::optional<QPoint> lastPosition;

ColorRef ColorRefOf(const QColor& color) {
    return ColorRefFromEdits(color.red(), color.green(), color.blue());
}

}  // namespace

ColorEditDialog::ColorEditDialog(ColorEditSession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
    setObjectName(QStringLiteral("colorEditDialog"));
    setWindowTitle(tr("色の設定"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(DialogFontProportional(9));

    switchTimer_ = new QTimer(this);
    switchTimer_->setObjectName(QStringLiteral("switchTimer"));
    switchTimer_->setSingleShot(true);
    switchTimer_->setInterval(kSwitchDelayMs);
    connect(switchTimer_, &QTimer::timeout, this, [this] {
        bool ok = false;
        const int requested = number_->text().toInt(&ok);
        if (ok) SwitchTo(requested);
    });

    BuildChooser();
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(chooser_);

    number_->setText(QString::number(session_.CurrentIndex()));
    SetChooserColor(session_.WorkingColor(session_.CurrentIndex()));
    if (lastPosition) move(*lastPosition);
}

void ColorEditDialog::BuildChooser() {
    chooser_ = NewEmbeddedChooser(this);
    chooser_->setObjectName(QStringLiteral("chooser"));
    const ChooserLandmarks landmarks = TrimChooser(chooser_);

    // Our controls go below the basic colors, where the template has them. The chooser's
    // layout keeps an empty place for them; the controls themselves are children of this
    // dialog, not of the chooser, so that the default button is this dialog's (a button
    // inside the embedded chooser would take the default and never give it back).
    panel_ = BuildEditPanel();
    panelPlace_ = new QWidget;
    panelPlace_->setFixedSize(panel_->size());
    panelPlace_->installEventFilter(this);
    const DialogUnits du(font());
    if (QBoxLayout* column = LayoutHolding(chooser_->layout(), landmarks.basicColors)) {
        const int at = column->indexOf(landmarks.basicColors) + 1;
        column->insertSpacing(at, du.Y(10));
        column->insertWidget(at + 1, panelPlace_, 0, Qt::AlignLeft);
    } else if (auto* box = qobject_cast<QBoxLayout*>(chooser_->layout())) {
        box->addWidget(panelPlace_, 0, Qt::AlignLeft);
    }
    if (landmarks.red != nullptr) landmarks.red->setFocus();
}

QWidget* ColorEditDialog::BuildEditPanel() {
    const DialogUnits du(font());
    // The panel's origin is the template's (4, 124): Apply's top-left corner.
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("editPanel"));
    panel->setFixedSize(du.Size(137, 35));
    auto at = [&du](QWidget* widget, int x, int y, int w, int h) {
        widget->setGeometry(du.Rect(x - 4, y - 124, w, h));
    };

    auto* apply = new QPushButton(tr("適用"), panel);
    apply->setObjectName(QStringLiteral("apply"));
    at(apply, 4, 124, 41, 14);
    auto* undo = new QPushButton(tr("元に戻す"), panel);
    undo->setObjectName(QStringLiteral("undo"));
    at(undo, 47, 124, 41, 14);
    ok_ = new QPushButton(tr("OK"), panel);
    ok_->setObjectName(QStringLiteral("ok"));
    at(ok_, 4, 145, 41, 14);
    ok_->setDefault(true);
    auto* cancel = new QPushButton(tr("キャンセル"), panel);
    cancel->setObjectName(QStringLiteral("cancel"));
    at(cancel, 47, 145, 41, 14);
    auto* label = new QLabel(tr("色番号"), panel);
    at(label, 89, 127, 24, 9);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    number_ = new QLineEdit(panel);
    number_->setObjectName(QStringLiteral("edit1049"));
    at(number_, 115, 124, 26, 14);
    number_->setAlignment(Qt::AlignRight);
    // A number box: no input method composing in it.
    number_->setAttribute(Qt::WA_InputMethodEnabled, false);
    number_->installEventFilter(this);
    label->setBuddy(number_);

    // The horizontal spin: left steps down, right steps up, held down it repeats.
    spinDown_ = new QToolButton(panel);
    spinDown_->setObjectName(QStringLiteral("spinDown"));
    spinDown_->setArrowType(Qt::LeftArrow);
    at(spinDown_, 91, 145, 25, 14);
    spinUp_ = new QToolButton(panel);
    spinUp_->setObjectName(QStringLiteral("spinUp"));
    spinUp_->setArrowType(Qt::RightArrow);
    at(spinUp_, 116, 145, 25, 14);
    for (QToolButton* button : {spinDown_, spinUp_}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }

    connect(apply, &QPushButton::clicked, this, &ColorEditDialog::OnApply);
    connect(undo, &QPushButton::clicked, this, &ColorEditDialog::OnUndo);
    connect(ok_, &QPushButton::clicked, this, &ColorEditDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &ColorEditDialog::reject);
    connect(spinDown_, &QToolButton::clicked, this, [this] { Step(-1); });
    connect(spinUp_, &QToolButton::clicked, this, [this] { Step(1); });
    connect(number_, &QLineEdit::textEdited, this, &ColorEditDialog::OnNumberEdited);
    return panel;
}

ColorRef ColorEditDialog::ChooserColor() const {
    return ColorRefOf(chooser_->currentColor());
}

void ColorEditDialog::SetChooserColor(ColorRef color) {
    chooser_->setCurrentColor(QColor(static_cast<int>(color & 0xFF),
                                     static_cast<int>((color >> 8) & 0xFF),
                                     static_cast<int>((color >> 16) & 0xFF)));
}

void ColorEditDialog::OnApply() {
    const QColor color = chooser_->currentColor();
    session_.Apply(color.red(), color.green(), color.blue());
}

void ColorEditDialog::OnUndo() {
    SetChooserColor(session_.Undo());
}

void ColorEditDialog::Step(int delta) {
    // The spin steps from the number shown, which may have been typed and not yet taken.
    bool ok = false;
    const int shown = number_->text().toInt(&ok);
    const int last = session_.Count() - 1;
    const int from = ok ? std::clamp(shown, 0, last) : session_.CurrentIndex();
    const int to = std::clamp(from + delta, 0, last);
    number_->setText(QString::number(to));
    switchTimer_->stop();
    if (to != session_.CurrentIndex()) SwitchTo(to);
}

void ColorEditDialog::OnNumberEdited(const QString& text) {
    bool ok = false;
    const int typed = text.toInt(&ok);
    if (!ok) {
        switchTimer_->stop();
        number_->setText(QString::number(session_.CurrentIndex()));
        number_->selectAll();
        return;
    }
    // Each keystroke restarts the delay, so a run of them switches once, after the last.
    if (typed != session_.CurrentIndex()) switchTimer_->start();
}

void ColorEditDialog::SwitchTo(int requested) {
    switchTimer_->stop();
    const QColor edits = chooser_->currentColor();
    const ColorEditSession::SwitchResult result =
        session_.SwitchTo(requested, edits.red(), edits.green(), edits.blue());
    number_->setText(QString::number(result.currentIndex));
    SetChooserColor(result.color);
}

bool ColorEditDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panelPlace_ &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
         event->type() == QEvent::Show)) {
        panel_->move(panelPlace_->mapTo(this, QPoint(0, 0)));
        panel_->raise();
    }
    if (watched == number_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ColorEditDialog::accept() {
    // Values typed into the boxes but not applied count.
    const QColor edits = chooser_->currentColor();
    session_.Ok(edits.red(), edits.green(), edits.blue());
    QDialog::accept();
}

void ColorEditDialog::reject() {
    session_.Cancel();
    QDialog::reject();
}

void ColorEditDialog::done(int result) {
    switchTimer_->stop();
    lastPosition = pos();
    QDialog::done(result);
}

std::optional<QPoint> ColorEditDialog::LastPosition() {
    return lastPosition;
}

void ColorEditDialog::ForgetPosition() {
    lastPosition.reset();
}

}  // namespace tintwell
