#include "ui/dialogs/setuserlimitdialog.h"

#include "commands/useractions.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>

SetUserLimitDialog::SetUserLimitDialog(const QString& channel, int start, QWidget* parent)
    : SmallDialog(QStringLiteral("setuserlimit"), QStringLiteral("Enter User Limit for ") + channel,
                  parent)
{
    trackBar_ = new QSlider(Qt::Horizontal, this);
    trackBar_->setObjectName(QStringLiteral("TrackBar1"));
    trackBar_->setRange(UserActions::UserLimitMin, UserActions::UserLimitMax);
    trackBar_->setPageStep(10);
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("limitlabel"));
    label_->setAlignment(Qt::AlignCenter);
    connect(trackBar_, &QSlider::valueChanged, label_,
            [this](int value) { label_->setText(QString::number(value)); });
    trackBar_->setValue(start);
    label_->setText(QString::number(trackBar_->value()));
    addContent(label_);
    addContent(trackBar_);
    connect(addButton(QStringLiteral("Okay"), QStringLiteral("okaybutton")), &QPushButton::clicked,
            this, [this] {
                Q_EMIT limitChosen(trackBar_->value());
                accept();
            });
    connect(addButton(QStringLiteral("No User Limit"), QStringLiteral("nolimitbutton")),
            &QPushButton::clicked, this, [this] {
                Q_EMIT limitRemoved();
                accept();
            });
    connect(addButton(QStringLiteral("Cancel"), QStringLiteral("cancelbutton")),
            &QPushButton::clicked, this, &QDialog::reject);
    resize(360, sizeHint().height());
}
