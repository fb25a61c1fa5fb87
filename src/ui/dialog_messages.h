#pragma once

#include <QCoreApplication>
#include <QString>

#include "resources/string_table.h"

class QWidget;

namespace tintwell {

// How the dialogs put a message of the string table in front of the user. The default shows
// a modal box captioned "Tintwell" with the exclamation icon; tests install their own so that
// nothing modal waits for a click.
class DialogMessages {
    Q_DECLARE_TR_FUNCTIONS(DialogMessages)

  public:
    virtual ~DialogMessages() = default;

    // A box with an OK button; "%1" in the text is replaced by `path`.
    virtual void Show(QWidget* parent, Msg msg, const QString& path = {});
    // A box with Yes and No buttons; true for Yes. `defaultYes` says which button Enter presses.
    virtual bool AskYesNo(QWidget* parent, Msg msg, bool defaultYes);

    // The presenter the dialogs use now.
    [[nodiscard]] static DialogMessages& Current();
    // Replaces it; nullptr brings the boxes back. The caller keeps ownership.
    static void SetCurrent(DialogMessages* messages);
};

}  // namespace tintwell
