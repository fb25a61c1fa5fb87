#pragma once

#include <QDialog>

namespace tintwell {

// The user guide that ships inside the program (":/help/index.html"), in a browser dialog.
class HelpDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit HelpDialog(QWidget* parent = nullptr);
};

}  // namespace tintwell
