#include "ui/settings/fileserverpage.h"

#include "client/client.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {
template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QSlider* slider(const char* name, QWidget* parent)
{
    auto* s = named(new QSlider(Qt::Horizontal, parent), name);
    s->setRange(OptionLimits::fileServerSliderMin, OptionLimits::fileServerSliderMax);
    s->setPageStep(1);
    return s;
}
} // namespace

FileServerPage::FileServerPage(Client& client, QWidget* parent) : QWidget(parent), client_(client)
{
    setObjectName(QStringLiteral("fileserverpage"));
    onRadio_ = named(new QRadioButton(QStringLiteral("On"), this), "RadioButton1");
    offRadio_ = named(new QRadioButton(QStringLiteral("Off"), this), "RadioButton2");
    rootFolderEdit_ = named(new QLineEdit(this), "Edit22");
    triggerEdit_ = named(new QLineEdit(this), "Edit23");
    maxUsersSlider_ = slider("TrackBar2", this);
    maxUsersSlider_->setAccessibleName(QStringLiteral("Maximum users"));
    maxUsersLabel_ = named(new QLabel(this), "Label36");
    maxGetsSlider_ = slider("TrackBar3", this);
    maxGetsSlider_->setAccessibleName(QStringLiteral("Maximum gets"));
    maxGetsLabel_ = named(new QLabel(this), "Label37");
    greet_ = named(new QListWidget(this), "greet");
    greet_->setAccessibleName(QStringLiteral("Greeting"));

    auto* switches = new QHBoxLayout;
    switches->addWidget(onRadio_);
    switches->addWidget(offRadio_);
    switches->addStretch(1);
    auto* users = new QHBoxLayout;
    users->addWidget(maxUsersSlider_, 1);
    users->addWidget(maxUsersLabel_);
    auto* gets = new QHBoxLayout;
    gets->addWidget(maxGetsSlider_, 1);
    gets->addWidget(maxGetsLabel_);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("FileServer"), switches);
    form->addRow(QStringLiteral("FileServer Root Folder"), rootFolderEdit_);
    form->addRow(QStringLiteral("Keyword Trigger"), triggerEdit_);
    form->addRow(QStringLiteral("Max. Simultaneous Users"), users);
    form->addRow(QStringLiteral("Max. Gets per User"), gets);
    form->addRow(QStringLiteral("Greet Message"), greet_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);

    FileServerOptions& o = client_.options().fileServer;
    connect(onRadio_, &QRadioButton::toggled, this, [&o](bool on) { o.enabled = on; });
    connect(rootFolderEdit_, &QLineEdit::textEdited, this, [&o](const QString& t) { o.root = t; });
    connect(triggerEdit_, &QLineEdit::textEdited, this, [&o](const QString& t) { o.trigger = t; });
    connect(maxUsersSlider_, &QSlider::valueChanged, this, [this, &o](int value) {
        o.maxUsers = value;
        maxUsersLabel_->setText(QString::number(value));
    });
    connect(maxGetsSlider_, &QSlider::valueChanged, this, [this, &o](int value) {
        o.maxGets = value;
        maxGetsLabel_->setText(QString::number(value));
    });
    connect(greet_, &QListWidget::currentTextChanged, this, [&o](const QString& name) {
        if (!name.isEmpty())
            o.greeting = name;
    });
    connect(&client_, &Client::fileServerSwitchedOff, offRadio_,
            [this] { offRadio_->setChecked(true); });
    load();
}

void FileServerPage::load()
{
    const FileServerOptions& o = client_.options().fileServer;
    (o.enabled ? onRadio_ : offRadio_)->setChecked(true);
    rootFolderEdit_->setText(o.root);
    triggerEdit_->setText(o.trigger);
    maxUsersSlider_->setValue(o.maxUsers);
    maxUsersLabel_->setText(QString::number(maxUsersSlider_->value()));
    maxGetsSlider_->setValue(o.maxGets);
    maxGetsLabel_->setText(QString::number(maxGetsSlider_->value()));
    refreshGreetings();
}

void FileServerPage::refreshGreetings()
{
    const QString chosen = client_.fileServer().greetingFile();
    const QSignalBlocker quiet(greet_);
    greet_->clear();
    greet_->addItems(client_.fileServer().greetingFiles());
    const QList<QListWidgetItem*> found = greet_->findItems(chosen, Qt::MatchExactly);
    if (!found.isEmpty())
        greet_->setCurrentItem(found.first());
}

void FileServerPage::showEvent(QShowEvent* event)
{
    refreshGreetings();
    QWidget::showEvent(event);
}
