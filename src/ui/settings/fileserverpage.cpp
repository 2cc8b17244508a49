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
    radioButton1_ = named(new QRadioButton(QStringLiteral("On"), this), "RadioButton1");
    radioButton2_ = named(new QRadioButton(QStringLiteral("Off"), this), "RadioButton2");
    edit22_ = named(new QLineEdit(this), "Edit22");
    edit23_ = named(new QLineEdit(this), "Edit23");
    trackBar2_ = slider("TrackBar2", this);
    label36_ = named(new QLabel(this), "Label36");
    trackBar3_ = slider("TrackBar3", this);
    label37_ = named(new QLabel(this), "Label37");
    greet_ = named(new QListWidget(this), "greet");

    auto* switches = new QHBoxLayout;
    switches->addWidget(radioButton1_);
    switches->addWidget(radioButton2_);
    switches->addStretch(1);
    auto* users = new QHBoxLayout;
    users->addWidget(trackBar2_, 1);
    users->addWidget(label36_);
    auto* gets = new QHBoxLayout;
    gets->addWidget(trackBar3_, 1);
    gets->addWidget(label37_);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("FileServer"), switches);
    form->addRow(QStringLiteral("FileServer Root Folder"), edit22_);
    form->addRow(QStringLiteral("Keyword Trigger"), edit23_);
    form->addRow(QStringLiteral("Max. Simultaneous Users"), users);
    form->addRow(QStringLiteral("Max. Gets per User"), gets);
    form->addRow(QStringLiteral("Greet Message"), greet_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);

    FileServerOptions& o = client_.options().fileServer;
    connect(radioButton1_, &QRadioButton::toggled, this, [&o](bool on) { o.enabled = on; });
    connect(edit22_, &QLineEdit::textEdited, this, [&o](const QString& t) { o.root = t; });
    connect(edit23_, &QLineEdit::textEdited, this, [&o](const QString& t) { o.trigger = t; });
    connect(trackBar2_, &QSlider::valueChanged, this, [this, &o](int value) {
        o.maxUsers = value;
        label36_->setText(QString::number(value));
    });
    connect(trackBar3_, &QSlider::valueChanged, this, [this, &o](int value) {
        o.maxGets = value;
        label37_->setText(QString::number(value));
    });
    connect(greet_, &QListWidget::currentTextChanged, this, [&o](const QString& name) {
        if (!name.isEmpty())
            o.greeting = name;
    });
    connect(&client_, &Client::fileServerSwitchedOff, radioButton2_,
            [this] { radioButton2_->setChecked(true); });
    load();
}

void FileServerPage::load()
{
    const FileServerOptions& o = client_.options().fileServer;
    (o.enabled ? radioButton1_ : radioButton2_)->setChecked(true);
    edit22_->setText(o.root);
    edit23_->setText(o.trigger);
    trackBar2_->setValue(o.maxUsers);
    label36_->setText(QString::number(trackBar2_->value()));
    trackBar3_->setValue(o.maxGets);
    label37_->setText(QString::number(trackBar3_->value()));
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
