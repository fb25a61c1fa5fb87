#include "ui/output_dir_dialog.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "jobs/output_directory.h"
#include "ui/dialog_units.h"

namespace tintwell {
namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace

OutputDirDialog::OutputDirDialog(const QString& directory, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("outputDirDialog"));
    setWindowTitle(QStringLiteral("出力ディレクトリを指定して下さい"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogFontProportional(11));
    const DialogUnits du(font());
    setFixedSize(du.Size(187, 77));

    edit_ = new QLineEdit(directory, this);
    edit_->setObjectName(QStringLiteral("edit1027"));
    edit_->setGeometry(du.Rect(7, 15, 136, 15));
    auto* browse = new QPushButton(QStringLiteral("参　照"), this);
    browse->setObjectName(QStringLiteral("button1028"));
    browse->setGeometry(du.Rect(146, 14, 34, 17));
    browse->setAutoDefault(false);
    ok_ = new QPushButton(QStringLiteral("出　力"), this);
    ok_->setObjectName(QStringLiteral("ok"));
    ok_->setGeometry(du.Rect(130, 56, 50, 14));
    ok_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(du.Rect(77, 56, 50, 14));
    cancel->setAutoDefault(false);
    setTabOrder(edit_, browse);
    setTabOrder(browse, ok_);
    setTabOrder(ok_, cancel);

    ok_->setEnabled(!directory.isEmpty());
    connect(edit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { ok_->setEnabled(!text.isEmpty()); });
    connect(browse, &QPushButton::clicked, this, &OutputDirDialog::Browse);
    connect(ok_, &QPushButton::clicked, this, &OutputDirDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    const QString caption = FromUtf8(MessageText(Msg::AppName));
    question_ = [this, caption](Msg msg) {
        return QMessageBox::question(this, caption, FromUtf8(MessageText(msg)),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    message_ = [this, caption](Msg, const QString& text) {
        QMessageBox::warning(this, caption, text);
    };
}

QString OutputDirDialog::Directory() const {
    return edit_->text();
}

void OutputDirDialog::SetPresenters(Question question, Message message) {
    question_ = std::move(question);
    message_ = std::move(message);
}

void OutputDirDialog::Browse() {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("出力ディレクトリを指定して下さい"), edit_->text());
    if (!chosen.isEmpty()) edit_->setText(chosen);
    ok_->setEnabled(!edit_->text().isEmpty());
}

void OutputDirDialog::accept() {
    if (edit_->text().isEmpty()) return;  // Enter while OK is disabled
    const DirectoryCheckResult check = CheckOutputDirectory(ToUtf8(edit_->text()));
    switch (check.verdict) {
        case DirectoryCheck::Accept:
            break;
        case DirectoryCheck::AskCreate:
            if (!question_(Msg::CreateDirectoryQuestion)) return;
            if (!MakeDirectoryPath(check.path)) {
                message_(Msg::CannotCreateDirectory,
                         FromUtf8(MessageText(Msg::CannotCreateDirectory)));
                return;
            }
            break;
        case DirectoryCheck::NotWritable:
            message_(Msg::DirectoryNotWritable, FromUtf8(MessageText(Msg::DirectoryNotWritable)));
            return;
        case DirectoryCheck::TooLong:
            message_(Msg::PathTooLong, FromUtf8(FormatMessage(Msg::PathTooLong, check.path)));
            return;
    }
    QDialog::accept();
}

}  // namespace tintwell
