#include "ui/color_chooser.h"

#include <QBoxLayout>
#include <QColorDialog>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <iterator>
#include <string_view>

namespace tintwell {
namespace {

// Enter and Escape are the surrounding dialog's (OK and Cancel), never the chooser's own
// accept and reject, which would only hide it.
class EmbeddedChooser final : public QColorDialog {
  public:
    using QColorDialog::QColorDialog;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Escape:
            case Qt::Key_Return:
            case Qt::Key_Enter:
                event->ignore();
                return;
            default:
                QColorDialog::keyPressEvent(event);
        }
    }
};

// The chooser's labels as Qt writes them (before Qt's own translation), and ours.
struct Relabel {
    const char* qt;
    const char* ours;
};
constexpr const char* kDialogContext = "tintwell::ColorEditDialog";
constexpr Relabel kLabels[] = {
    {"&Basic colors", QT_TRANSLATE_NOOP("tintwell::ColorEditDialog", "基本色(&B):")},
    {"Hu&e:", QT_TRANSLATE_NOOP("tintwell::ColorEditDialog", "色合い(&E):")},
    {"&Sat:", QT_TRANSLATE_NOOP("tintwell::ColorEditDialog", "鮮やかさ(&S):")},
    {"&Val:", QT_TRANSLATE_NOOP("tintwell::ColorEditDialog", "明るさ(&L):")},
    {"&Red:", QT_TRANSLATE_NOOP("tintwell::ColorEditDialog", "赤(&R):")},
    {"&Green:", QT_TRANSLATE_NOOP("tintwell::ColorEditDialog", "緑(&G):")},
    {"Bl&ue:", QT_TRANSLATE_NOOP("tintwell::ColorEditDialog", "青(&U):")},
};
// The chooser's parts that our dialog does not show, by their labels.
constexpr const char* kHiddenLabels[] = {"&Custom colors", "&HTML:"};

// A label of the chooser as it reads now, in Qt's own translation of the language in use.
QString ChooserText(const char* qt) {
    return QColorDialog::tr(qt);
}

}  // namespace

QColorDialog* NewEmbeddedChooser(QWidget* parent) {
    auto* chooser = new EmbeddedChooser(parent);
    chooser->setWindowFlags(Qt::Widget);
    chooser->setOptions(QColorDialog::NoButtons | QColorDialog::DontUseNativeDialog);
    return chooser;
}

ChooserLandmarks TrimChooser(QColorDialog* chooser) {
    ChooserLandmarks landmarks;
    for (QLabel* label : chooser->findChildren<QLabel*>()) {
        const QString text = label->text();
        if (std::any_of(std::begin(kHiddenLabels), std::end(kHiddenLabels),
                        [&text](const char* qt) { return text == ChooserText(qt); })) {
            label->hide();
            if (label->buddy() != nullptr) label->buddy()->hide();
            continue;
        }
        if (text.trimmed().isEmpty()) {
            label->hide();  // the screen picker's note
            continue;
        }
        for (const Relabel& relabel : kLabels) {
            if (text != ChooserText(relabel.qt)) continue;
            label->setText(QCoreApplication::translate(kDialogContext, relabel.ours));
            if (std::string_view(relabel.qt) == "&Red:") landmarks.red = label->buddy();
            if (std::string_view(relabel.qt) == "&Basic colors")
                landmarks.basicColors = label->buddy();
        }
    }
    for (QPushButton* button : chooser->findChildren<QPushButton*>())
        button->hide();
    return landmarks;
}

QBoxLayout* LayoutHolding(QLayout* layout, QWidget* widget) {
    if (layout == nullptr) return nullptr;
    if (layout->indexOf(widget) >= 0) return qobject_cast<QBoxLayout*>(layout);
    for (int i = 0; i < layout->count(); ++i) {
        if (QBoxLayout* inner = LayoutHolding(layout->itemAt(i)->layout(), widget)) return inner;
    }
    return nullptr;
}

}  // namespace tintwell
