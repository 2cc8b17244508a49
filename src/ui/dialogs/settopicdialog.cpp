#include "ui/dialogs/settopicdialog.h"

#include <QLineEdit>
#include <QPushButton>

SetTopicDialog::SetTopicDialog(const QString& channel, const QString& currentTopic, QWidget* parent)
    : SmallDialog(QStringLiteral("settopicform"), QStringLiteral("Enter Topic for ") + channel,
                  parent)
{
    edit_ = new QLineEdit(currentTopic, this);
    edit_->setObjectName(QStringLiteral("topicedit"));
    addContent(edit_);
    connect(addButton(QStringLiteral("Okay"), QStringLiteral("okaybutton")), &QPushButton::clicked,
            this, [this] {
                Q_EMIT topicChosen(edit_->text().trimmed());
                accept();
            });
    connect(addButton(QStringLiteral("Cancel"), QStringLiteral("cancelbutton")),
            &QPushButton::clicked, this, &QDialog::reject);
    resize(420, sizeHint().height());
}
