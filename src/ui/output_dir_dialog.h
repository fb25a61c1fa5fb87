#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

namespace tintwell {

// The output folder dialog (template 135, "出力ディレクトリを指定して下さい"): the folder
// text, "参　照" for the folder chooser, "出　力" (OK, the default) and "ｷｬﾝｾﾙ". OK is enabled
// only while the text holds more than white space. On OK a missing folder is offered for creation
// (231), a folder that cannot be made (232), cannot be written to (230) or whose path is too long
// (248) keeps the dialog open. The result is the text without its leading white space.
class OutputDirDialog final : public QDialog {
    Q_OBJECT
  public:
    // Picks a folder, starting at the given text; an empty result means none was picked.
    using FolderChooser = std::function<QString(QWidget* parent, const QString& start)>;

    explicit OutputDirDialog(const QString& directory, QWidget* parent = nullptr);

    // The folder text without leading white space (the dialog's result after OK).
    [[nodiscard]] QString Directory() const;
    // The dialog's caption, which the folder chooser shows too.
    [[nodiscard]] static QString Caption();
    // Tests replace the system's folder chooser.
    void SetFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }

  public slots:
    void accept() override;

  private:
    void Browse();
    void UpdateOk();

    QLineEdit* edit_ = nullptr;
    QPushButton* ok_ = nullptr;
    FolderChooser chooseFolder_;
};

}  // namespace tintwell
