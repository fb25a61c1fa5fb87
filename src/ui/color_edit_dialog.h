#pragma once

#include <QDialog>
#include <QPoint>
#include <optional>

#include "jobs/color_edit_session.h"

class QColorDialog;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;

namespace tintwell {

// The color edit dialog ("色の設定"): Qt's color chooser inside our own dialog, with the
// color number (1049) and its horizontal spin (1050), Apply (1046, "適用"), Undo (3,
// "元に戻す"), OK (the default) and "キャンセル". It drives a ColorEditSession: Apply, Undo
// and every switch to another color write into the table at once, OK keeps all changes,
// Cancel (also Escape and the close box) takes all of them back.
//
// The spin and the Up/Down keys in the number box switch at once. A typed number switches
// once, kSwitchDelayMs after the last keystroke; a text that is no number puts the current
// number back, selected; a number out of range is clamped when the switch runs.
class ColorEditDialog final : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kSwitchDelayMs = 800;

    explicit ColorEditDialog(ColorEditSession& session, QWidget* parent = nullptr);

    // The color of the chooser's red, green and blue boxes, 0x00BBGGRR.
    [[nodiscard]] ColorRef ChooserColor() const;
    // Sets the chooser's current color (its sample and boxes).
    void SetChooserColor(ColorRef color);
    [[nodiscard]] int CurrentIndex() const { return session_.CurrentIndex(); }

    [[nodiscard]] QColorDialog* Chooser() const { return chooser_; }
    [[nodiscard]] QLineEdit* NumberEdit() const { return number_; }
    [[nodiscard]] QTimer* SwitchTimer() const { return switchTimer_; }

    // Where the dialog was when it last closed in this run; empty until then.
    [[nodiscard]] static std::optional<QPoint> LastPosition();
    static void ForgetPosition();

  public slots:
    void accept() override;
    void reject() override;
    void done(int result) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildChooser();
    QWidget* BuildEditPanel();
    void OnApply();
    void OnUndo();
    // The spin or an arrow key: one step from the number shown, at once.
    void Step(int delta);
    void OnNumberEdited(const QString& text);
    void SwitchTo(int requested);

    ColorEditSession& session_;
    QColorDialog* chooser_ = nullptr;
    QWidget* panel_ = nullptr;       // our controls
    QWidget* panelPlace_ = nullptr;  // their place in the chooser's layout
    QLineEdit* number_ = nullptr;
    QToolButton* spinDown_ = nullptr;
    QToolButton* spinUp_ = nullptr;
    QPushButton* ok_ = nullptr;
    QTimer* switchTimer_ = nullptr;
};

}  // namespace tintwell
