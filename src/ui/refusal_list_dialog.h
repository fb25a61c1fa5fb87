#pragma once

#include <QDialog>
#include <QList>
#include <QString>

#include "resources/string_table.h"

namespace tintwell {

// One file a job refused: the message number, the file's path and the message's text.
struct Refusal {
    Msg msg = Msg::None;
    QString path;
    QString text;
};

// The refusals of one drop after the first, all in one dialog shown when the drop has been
// read: a list with each file's name (its full path in the tip) and the reason, the text its
// own message box would have shown, so fifty refused files are one dialog, not fifty boxes.
class RefusalListDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit RefusalListDialog(const QList<Refusal>& refusals, QWidget* parent = nullptr);
};

}  // namespace tintwell
