#pragma once

#include <QDialog>
#include <QStringList>
#include <array>

#include "jobs/palette_choice.h"
#include "palette/palette_settings.h"

class QComboBox;
class QRadioButton;

namespace tintwell {

// The palette settings dialog (template 132, "パレットの設定"): the mode radios 1037-1039,
// the sorted palette lists 1041 (256 colors) and 1042 (16 colors) that start with the
// built-in entry and hold the names of the palette folder's palette files, and the bit lists
// 1014-1016 ("8".."1"). A list is enabled only in its mode. OK hands back a PaletteChoice.
class PaletteSettingsDialog final : public QDialog {
    Q_OBJECT
  public:
    // `titles`: the palette names of the folder's files (an .act file's title, another
    // format's whole file name; see PaletteNamesInFolder), in any order.
    PaletteSettingsDialog(const PaletteSettings& current, const std::string& pal256Name,
                          const std::string& pal16Name, const QStringList& titles,
                          QWidget* parent = nullptr);

    // The dialog's choice; the name of a fixed mode other than the chosen one is as given.
    [[nodiscard]] PaletteChoice Choice() const;

    // The list entries: the built-in entry first, then the titles sorted ignoring case.
    [[nodiscard]] static QStringList Entries(const QStringList& titles);
    // The entry to select for a stored name: the first that begins with it, ignoring case
    // (an empty name matches the first entry); 0, the built-in entry, when none does.
    [[nodiscard]] static int PrefixMatch(const QStringList& entries, const QString& name);

  private:
    void ApplyEnablingRule();
    [[nodiscard]] int Mode() const;

    std::array<QRadioButton*, 3> modes_{};
    QComboBox* list256_ = nullptr;
    QComboBox* list16_ = nullptr;
    std::array<QComboBox*, 3> bits_{};
    std::string pal256Name_;
    std::string pal16Name_;
};

}  // namespace tintwell
