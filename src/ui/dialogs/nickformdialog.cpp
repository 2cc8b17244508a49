#include "ui/dialogs/nickformdialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

NickFormDialog::NickFormDialog(QWidget* parent)
    : SmallDialog(QStringLiteral("nickform"), QStringLiteral("Add a Nickname to the List"), parent)
{
    auto* label = new QLabel(
        QStringLiteral("Type in a Nickname to add it to the List.  Most Servers allow a max of 9 "
                       "characters for Nicknames.  To use the Nickname later, double-click on it "
                       "in the List.  Do not use any of these characters : ',.+<>!@#$%*:;"),
        this);
    label->setObjectName(QStringLiteral("nicklabel"));
    label->setWordWrap(true);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("nickedit"));
    edit_->setMaxLength(MaxLength);
    addContent(label);
    addContent(edit_);
    connect(edit_, &QLineEdit::returnPressed, this, &NickFormDialog::finish);
    connect(addButton(QStringLiteral("Okay"), QStringLiteral("okaybutton")), &QPushButton::clicked,
            this, &NickFormDialog::finish);
    connect(addButton(QStringLiteral("Cancel"), QStringLiteral("cancelbutton")),
            &QPushButton::clicked, this, &QDialog::reject);
    resize(360, sizeHint().height());
}

void NickFormDialog::showEvent(QShowEvent* event)
{
    SmallDialog::showEvent(event);
    edit_->setFocus();
}

void NickFormDialog::finish()
{
    const QString nickname = edit_->text().trimmed();
    // An empty box adds nothing; the dialog waits for a name or "Cancel".
    if (nickname.isEmpty())
        return;
    Q_EMIT nicknameChosen(nickname);
    accept();
}
