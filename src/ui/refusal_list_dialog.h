#pragma once

#include <QDialog>
#include <QList>
#include <QString>

#include "jobs/workspace_view.h"
#include "resources/string_table.h"

namespace tintwell {

// One file a drop refused or skipped: the message number (Msg::None for a skipped file), the
// file's path and the reason's text.
struct Refusal {
    Msg msg = Msg::None;
    QString path;
    QString text;
};

// The refusals of one drop after the first, and the files it skipped, all in one dialog shown
// when the drop has been read: a list with each file's name (its full path in the tip) and
// the reason, the text its own message box would have shown, so fifty refused files are one
// dialog, not fifty boxes.
class RefusalListDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit RefusalListDialog(const QList<Refusal>& refusals, QWidget* parent = nullptr);

    // Why a drop passed over a file without reading it, as the list shows it.
    [[nodiscard]] static QString SkipText(SkipReason reason);
};

}  // namespace tintwell
