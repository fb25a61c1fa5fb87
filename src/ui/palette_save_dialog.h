#pragma once

#include <QDialog>
#include <filesystem>
#include <string>

#include "jobs/palette_save.h"
#include "palette/palette_settings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tintwell {

// The palette save dialog (template 140, "パレットの保存"): overwrite the current palette file
// of the output depth (1042) or save under a new name (1043, typed into 1044), "保存" (OK,
// the default) and "ｷｬﾝｾﾙ". The overwrite choice is offered only when the mode is the fixed
// mode of that depth and its palette comes from a named file. The name field and its note
// are enabled only for a new name, which then takes the focus; "保存" needs a name that is
// more than white space. A new name whose file exists is saved only after Yes to 246.
// Beside the name, the format of a new file (combo "format": .act, the default, .gpl, .pal,
// .hex); typing one of those extensions chooses it, and the note names its extension.
class PaletteSaveDialog final : public QDialog {
    Q_OBJECT
  public:
    PaletteSaveDialog(PaletteMode mode, int outputDepth, const std::string& pal256Name,
                      const std::string& pal16Name, std::filesystem::path paletteDir,
                      QWidget* parent = nullptr);

    [[nodiscard]] PaletteSaveChoice Choice() const;
    // The palette name to save under, UTF-8: the name field's text with the chosen format's
    // extension where PaletteSaveName adds one (the Workspace removes leading white space).
    [[nodiscard]] std::string Name() const;
    [[nodiscard]] PaletteFormat Format() const;

  public slots:
    void accept() override;

  private:
    // After opening and on every click of a radio button.
    void UpdateState();
    void UpdateSaveButton();
    void OnNameEdited();
    void OnFormatChosen();
    [[nodiscard]] std::string NameText() const;

    std::filesystem::path paletteDir_;
    QRadioButton* overwrite_ = nullptr;
    QRadioButton* newName_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLabel* note_ = nullptr;
    QComboBox* format_ = nullptr;
    PaletteFormat currentFormat_ = PaletteFormat::Act;
    int newNameFormat_ = 0;  // the combo's entry for a new name
    QPushButton* save_ = nullptr;
};

}  // namespace tintwell
