#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>
#include <string>

#include "jobs/palette_save.h"
#include "palette/palette_settings.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tintwell {

// The palette save dialog (template 140, "パレットの保存"): overwrite the current palette
// file (1042, offered only in the fixed mode of the output depth with a named file) or save
// under a new name (1043, the name in 1044). "保存" is enabled for the overwrite choice and
// for a name that is more than white space; a name whose file exists asks message 246
// (default No) and stays open on a No.
class PaletteSaveDialog final : public QDialog {
    Q_OBJECT
  public:
    // Asks message 246; true for Yes.
    using Question = std::function<bool()>;

    PaletteSaveDialog(PaletteMode mode, int outputDepth, const std::string& pal256Name,
                      const std::string& pal16Name, std::filesystem::path paletteDir,
                      QWidget* parent = nullptr);

    [[nodiscard]] PaletteSaveChoice Choice() const;
    [[nodiscard]] std::string Name() const;
    void SetQuestion(Question question) { question_ = std::move(question); }

  public slots:
    void accept() override;

  private:
    void UpdateState();

    std::filesystem::path paletteDir_;
    QRadioButton* overwrite_ = nullptr;
    QRadioButton* newName_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* save_ = nullptr;
    Question question_;
};

}  // namespace tintwell
