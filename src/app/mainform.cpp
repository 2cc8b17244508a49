#include "app/mainform.h"

#include "app/ignoresettingspage.h"
#include "app/usersettingspage.h"
#include "core/client.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

Tmainform::Tmainform(const QString& programFolder, QWidget* parent)
    : QMainWindow(parent), prompts_(this),
      client_(std::make_unique<Client>(programFolder, prompts_))
{
    setObjectName(QStringLiteral("mainform"));
    setWindowTitle(QStringLiteral("QuorlIRC v2.00"));
    resize(900, 600);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);

    masterpanel_ = new QStackedWidget(central);
    masterpanel_->setObjectName(QStringLiteral("masterpanel"));
    settingspanel_ = new QTabWidget(masterpanel_);
    settingspanel_->setObjectName(QStringLiteral("settingspanel"));
    userPage_ = new UserSettingsPage(*client_, settingspanel_);
    settingspanel_->addTab(userPage_, QStringLiteral("User"));
    settingspanel_->addTab(new IgnoreSettingsPage(*client_, settingspanel_),
                           QStringLiteral("Ignore"));

    motdView_ = new QPlainTextEdit(settingspanel_);
    motdView_->setObjectName(QStringLiteral("motdview"));
    motdView_->setReadOnly(true);
    settingspanel_->addTab(motdView_, QStringLiteral("Message of the Day"));
    masterpanel_->addWidget(settingspanel_);
    layout->addWidget(masterpanel_, 1);

    auto* strip = new QWidget(central);
    buildStatusStrip(strip);
    layout->addWidget(strip);
    setCentralWidget(central);

    LineLog& serverView = client_->serverView();
    connect(&serverView, &LineLog::lineAdded, motdView_, &QPlainTextEdit::appendPlainText);
    connect(&serverView, &LineLog::cleared, motdView_, &QPlainTextEdit::clear);

    Session& session = client_->session();
    connect(&session, &Session::buttonsChanged, this, &Tmainform::showButtons);
    connect(&session, &Session::nicknameChanged, this, &Tmainform::showNickname);
    showButtons(session.connectEnabled(), session.disconnectEnabled());
    showNickname(session.currentNickname());

    client_->addStatusLine(QStringLiteral("Welcome to QuorlIRC!"));
}

Tmainform::~Tmainform() = default;

void Tmainform::buildStatusStrip(QWidget* strip)
{
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);

    connectbuttonconnect_ = new QToolButton(strip);
    connectbuttonconnect_->setObjectName(QStringLiteral("connectbuttonconnect"));
    connectbuttonconnect_->setText(QStringLiteral("Connect"));
    connectbuttonconnect_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    connectbuttonconnect_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connectbuttonconnect_->setToolTip(QStringLiteral("Connect to Server"));
    connect(connectbuttonconnect_, &QToolButton::clicked, this,
            &Tmainform::connectbuttonconnectClick);

    connectbuttondisconnect_ = new QToolButton(strip);
    connectbuttondisconnect_->setObjectName(QStringLiteral("connectbuttondisconnect"));
    connectbuttondisconnect_->setText(QStringLiteral("Disconnect"));
    connectbuttondisconnect_->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    connectbuttondisconnect_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connectbuttondisconnect_->setToolTip(QStringLiteral("Disconnect from Server"));
    connect(connectbuttondisconnect_, &QToolButton::clicked, this,
            &Tmainform::connectbuttondisconnectClick);

    statuslist_ = new QComboBox(strip);
    statuslist_->setObjectName(QStringLiteral("statuslist"));
    statuslist_->setMaxVisibleItems(20);
    statuslist_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    statuslist_->setMinimumContentsLength(30);
    statuslist_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Whatever the user picks from the drop-down, the newest line stays the one shown.
    connect(statuslist_, &QComboBox::activated, this,
            [this] { statuslist_->setCurrentIndex(statuslist_->count() - 1); });

    panel6_ = new QLabel(strip);
    panel6_->setObjectName(QStringLiteral("Panel6"));
    panel6_->setFrameShape(QFrame::StyledPanel);
    panel6_->setMinimumWidth(200);

    row->addWidget(connectbuttonconnect_);
    row->addWidget(connectbuttondisconnect_);
    row->addWidget(statuslist_, 1);
    row->addWidget(panel6_);

    LineLog& status = client_->statusLog();
    for (const QString& line : status.lines())
        addStatusEntry(line);
    connect(&status, &LineLog::lineAdded, this, &Tmainform::addStatusEntry);
    connect(&status, &LineLog::cleared, statuslist_, &QComboBox::clear);
}

void Tmainform::addStatusEntry(const QString& line)
{
    statuslist_->setUpdatesEnabled(false);
    statuslist_->addItem(line);
    statuslist_->setCurrentIndex(statuslist_->count() - 1);
    statuslist_->setUpdatesEnabled(true);
}

void Tmainform::showButtons(bool connectEnabled, bool disconnectEnabled)
{
    connectbuttonconnect_->setEnabled(connectEnabled);
    connectbuttondisconnect_->setEnabled(disconnectEnabled);
}

void Tmainform::showNickname(const QString& nickname)
{
    panel6_->setText(QStringLiteral("Your Nickname is: ") + nickname);
}

void Tmainform::connectbuttonconnectClick()
{
    // Connecting needs a server entry selected in the server directory; until the
    // directory exists there is nothing to connect to, so nothing happens.
}

void Tmainform::connectbuttondisconnectClick()
{
    client_->session().disconnectFromServer();
}

void Tmainform::closeEvent(QCloseEvent* event)
{
    client_->shutdown();
    event->accept();
}
