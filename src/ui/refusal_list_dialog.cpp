#include "ui/refusal_list_dialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/utf8_text.h"

namespace tintwell {

RefusalListDialog::RefusalListDialog(const QList<Refusal>& refusals, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("refusalList"));
    setWindowTitle(FromUtf8(MessageText(Msg::AppName)));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(
        tr("ほかにも読み込めなかったファイルがあります（%1 件）。").arg(refusals.size()), this);
    layout->addWidget(label);

    auto* list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("refusals"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels({tr("ファイル"), tr("理由")});
    for (const Refusal& refusal : refusals) {
        // A message without a file (the limit of 128) names no file.
        auto* item = new QTreeWidgetItem(
            list, {QFileInfo(refusal.path).fileName(), refusal.text.simplified()});
        item->setToolTip(0, refusal.path);
        item->setToolTip(1, refusal.text);
    }
    list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    list->setMinimumWidth(560);
    layout->addWidget(list);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

QString RefusalListDialog::SkipText(SkipReason reason) {
    switch (reason) {
        case SkipReason::NotImage:
            return tr("読み込みませんでした（.bmp でも .png でもありません）。");
        case SkipReason::SameName:
            return tr("読み込みませんでした（同じ名前のファイルがすでにあります）。");
        case SkipReason::SameFile:
            return tr("読み込みませんでした（このファイルはすでにあります）。");
        case SkipReason::None:
            break;
    }
    return {};
}

}  // namespace tintwell
