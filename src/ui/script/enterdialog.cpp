#include "ui/script/enterdialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

EnterDialog::EnterDialog(const QString& caption, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("soenterform"));
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("Edit1"));
    layout->addWidget(field_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* okay = new QPushButton(QStringLiteral("Okay"), this);
    okay->setObjectName(QStringLiteral("Button1"));
    okay->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Button2"));
    cancel->setAutoDefault(false);
    buttons->addWidget(okay);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(okay, &QPushButton::clicked, this, [this] {
        Q_EMIT textEntered(field_->text().trimmed());
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(sizeHint().expandedTo(QSize(260, 0)));
}
