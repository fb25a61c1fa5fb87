#pragma once

#include <QDialog>
#include <functional>

#include "resources/string_table.h"

class QLineEdit;
class QPushButton;

namespace tintwell {

// The output folder dialog (template 135, "出力ディレクトリを指定して下さい"): the folder
// text (1027), "参　照" (1028) for the folder chooser, "出　力" (OK) enabled only while the
// text is not empty. OK checks the folder: a missing one is created with its parents after
// a Yes to message 231 (232 when that fails), one that cannot be written gives 230; the
// dialog then stays open. The result is the text as it stands in the field.
class OutputDirDialog final : public QDialog {
    Q_OBJECT
  public:
    // Asks a Yes/No question; true for Yes.
    using Question = std::function<bool(Msg msg)>;
    // Shows a message with an OK button.
    using Message = std::function<void(Msg msg, const QString& text)>;

    explicit OutputDirDialog(const QString& directory, QWidget* parent = nullptr);

    [[nodiscard]] QString Directory() const;
    // Tests answer instead of message boxes.
    void SetPresenters(Question question, Message message);

  public slots:
    void accept() override;

  private:
    void Browse();

    QLineEdit* edit_ = nullptr;
    QPushButton* ok_ = nullptr;
    Question question_;
    Message message_;
};

}  // namespace tintwell
