#pragma once

#include <QCoreApplication>
#include <QString>

#include "resources/string_table.h"

class QWidget;

namespace tintwell {

// How the window puts a message of the string table in front of the user: every message box
// of the window and its dialogs is shown here, with a text made by Text, which names the
// file. The default shows a modal box captioned "Tintwell" with the exclamation icon; tests
// install their own so that nothing modal waits for a click.
class DialogMessages {
    Q_DECLARE_TR_FUNCTIONS(DialogMessages)

  public:
    virtual ~DialogMessages() = default;

    // A message's text: "%1" replaced by `path`; a path the text does not name ("書き込み
    // エラーです。", "The 256-color palette file holds invalid data.") on a line below it,
    // and the reason in words, where there is one, below that.
    [[nodiscard]] static QString Text(Msg msg, const QString& path, const QString& detail = {});

    // A box with an OK button showing Text(msg, path).
    virtual void Show(QWidget* parent, Msg msg, const QString& path = {});
    // A box with an OK button showing a text made by Text.
    virtual void ShowText(QWidget* parent, Msg msg, const QString& text);
    // A box with Yes and No buttons; true for Yes. `defaultYes` says which button Enter presses.
    virtual bool AskYesNo(QWidget* parent, Msg msg, bool defaultYes);

    // The presenter the window uses now.
    [[nodiscard]] static DialogMessages& Current();
    // Replaces it; nullptr brings the boxes back. The caller keeps ownership.
    static void SetCurrent(DialogMessages* messages);
};

}  // namespace tintwell
