#pragma once

#include <QDialog>

#include "jobs/workspace_view.h"

namespace tintwell {

// The overwrite question (template 138, "上書きの確認"): the output path (1040), "は、すでに
// 存在します。上書きしますか？" and はい (default) / すべて上書き / いいえ / ｷｬﾝｾﾙ. Escape and
// the close box answer ｷｬﾝｾﾙ.
class OverwriteDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit OverwriteDialog(const QString& path, QWidget* parent = nullptr);
    [[nodiscard]] OverwriteAnswer Answer() const { return answer_; }

  public slots:
    void reject() override;

  private:
    OverwriteAnswer answer_ = OverwriteAnswer::Cancel;
};

}  // namespace tintwell
