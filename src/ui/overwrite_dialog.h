#pragma once

#include <QDialog>

#include "jobs/workspace_view.h"

class QLabel;

namespace tintwell {

// The overwrite question of the output job (template 138, "上書きの確認"): the output path
// and four buttons. "はい" (the default), "すべて上書き" and "いいえ" answer Yes, All and No;
// "ｷｬﾝｾﾙ", Escape and the close box answer Cancel. Unanswered until one of them closes it.
class OverwriteDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit OverwriteDialog(const QString& path, QWidget* parent = nullptr);

    [[nodiscard]] OverwriteAnswer Answer() const { return answer_; }

    // Shows the dialog modally and returns its answer.
    [[nodiscard]] static OverwriteAnswer Ask(const QString& path, QWidget* parent);

  public slots:
    void reject() override;

  private:
    void Close(OverwriteAnswer answer);

    OverwriteAnswer answer_ = OverwriteAnswer::Unanswered;
};

}  // namespace tintwell
