#include "ui/output_dir_dialog.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

#include "jobs/output_directory.h"
#include "jobs/text_input.h"
#include "ui/dialog_messages.h"
#include "ui/dialog_units.h"
#include "ui/utf8_text.h"

namespace tintwell {

OutputDirDialog::OutputDirDialog(const QString& directory, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("outputDirDialog"));
    setWindowTitle(Caption());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(DialogFontProportional(11));
    const DialogUnits du(font());
    setFixedSize(du.Size(187, 77));

    edit_ = new QLineEdit(directory, this);
    edit_->setObjectName(QStringLiteral("edit1027"));
    edit_->setGeometry(du.Rect(7, 15, 136, 15));
    auto* browse = new QPushButton(tr("参　照"), this);
    browse->setObjectName(QStringLiteral("browse"));
    browse->setGeometry(du.Rect(146, 14, 34, 17));
    ok_ = new QPushButton(tr("出　力"), this);
    ok_->setObjectName(QStringLiteral("ok"));
    ok_->setGeometry(du.Rect(130, 56, 50, 14));
    ok_->setDefault(true);
    auto* cancel = new QPushButton(tr("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(du.Rect(77, 56, 50, 14));
    setTabOrder(edit_, browse);
    setTabOrder(browse, ok_);
    setTabOrder(ok_, cancel);

    chooseFolder_ = [](QWidget* owner, const QString& start) {
        return QFileDialog::getExistingDirectory(owner, Caption(), start,
                                                 QFileDialog::ShowDirsOnly);
    };
    connect(edit_, &QLineEdit::textChanged, this, &OutputDirDialog::UpdateOk);
    connect(browse, &QPushButton::clicked, this, &OutputDirDialog::Browse);
    connect(ok_, &QPushButton::clicked, this, &OutputDirDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &OutputDirDialog::reject);
    UpdateOk();
    edit_->setFocus();
}

QString OutputDirDialog::Caption() {
    return tr("出力ディレクトリを指定して下さい");
}

QString OutputDirDialog::Directory() const {
    // The folder that OK checked (and perhaps created) is the text without its leading white
    // space; the job must write into that one, not into a relative folder named " /out".
    return FromUtf8(TrimLeadingSpace(ToUtf8(edit_->text())));
}

void OutputDirDialog::UpdateOk() {
    // A text of white space only names no folder: OK stays disabled, as for an empty text.
    ok_->setEnabled(!IsBlank(ToUtf8(edit_->text())));
}

void OutputDirDialog::Browse() {
    const QString folder = chooseFolder_(this, edit_->text());
    if (!folder.isEmpty()) edit_->setText(QDir::toNativeSeparators(folder));
    edit_->setFocus();
}

void OutputDirDialog::accept() {
    if (!ok_->isEnabled()) return;
    DialogMessages& messages = DialogMessages::Current();
    const DirectoryCheckResult check = CheckOutputDirectory(ToUtf8(edit_->text()));
    switch (check.verdict) {
        case DirectoryCheck::Accept:
            break;
        case DirectoryCheck::AskCreate:
            if (!messages.AskYesNo(this, Msg::CreateDirectoryQuestion, true)) return;
            if (MakeFolder(check.path) != Msg::None) {
                messages.Show(this, Msg::CannotCreateDirectory);
                return;
            }
            break;
        case DirectoryCheck::NotWritable:
            messages.Show(this, Msg::DirectoryNotWritable);
            return;
        case DirectoryCheck::NotAFolder:
            messages.Show(this, Msg::NotADirectory, FromUtf8(check.path));
            return;
        case DirectoryCheck::TooLong:
            messages.Show(this, Msg::PathTooLong, FromUtf8(check.path));
            return;
    }
    QDialog::accept();
}

}  // namespace tintwell
