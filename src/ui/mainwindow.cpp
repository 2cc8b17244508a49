#include "ui/mainwindow.h"

#include "chat/chatthemes.h"
#include "client/client.h"
#include "commands/linkactions.h"
#include "commands/weblinks.h"
#include "core/formatting.h"
#include "core/wincolor.h"
#include "settings/startsequence.h"
#include "theme/themefile.h"
#include "ui/backbuffer.h"
#include "ui/chat/chatmenuwidget.h"
#include "ui/chat/chatsplitter.h"
#include "ui/chat/chatview.h"
#include "ui/chat/chatwindowwidget.h"
#include "ui/chat/pickerpanel.h"
#include "ui/chat/rawdatapage.h"
#include "ui/chat/serverinfowidget.h"
#include "ui/chat/switchbutton.h"
#include "ui/chat/textentry.h"
#include "ui/dcc/dccsettingspage.h"
#include "ui/dcc/filespanel.h"
#include "ui/dialogs/historysearchdialog.h"
#include "ui/dialogs/importdialog.h"
#include "ui/script/scriptingpage.h"
#include "ui/settings/aliassettingspage.h"
#include "ui/settings/channellistpage.h"
#include "ui/settings/fileserverpage.h"
#include "ui/settings/ignoresettingspage.h"
#include "ui/settings/menumodpage.h"
#include "ui/settings/messagessettingspage.h"
#include "ui/settings/miscpage.h"
#include "ui/settings/notifypage.h"
#include "ui/settings/recentserversmenu.h"
#include "ui/settings/servertreepage.h"
#include "ui/settings/settingspanel.h"
#include "ui/settings/soundsettingspage.h"
#include "ui/settings/themepage.h"
#include "ui/settings/usersettingspage.h"
#include "ui/standardicons.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSet>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
// "Your Nickname is: ..." in the status strip: a long nickname is cut with an ellipsis
// rather than pushing the buttons beside it off the strip; the tooltip has it whole.
class NicknamePanel : public QLabel
{
public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override
    {
        const QMargins frame = contentsMargins();
        return {fontMetrics().horizontalAdvance(QStringLiteral("Your Nickname is: WWWW")) +
                    frame.left() + frame.right() + 2 * margin() + 4,
                QLabel::minimumSizeHint().height()};
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QFrame::paintEvent(event);
        QPainter painter(this);
        const QRect area = contentsRect().adjusted(margin() + 2, 0, -margin() - 2, 0);
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }
};
} // namespace

MainWindow::MainWindow(const QString& programFolder, QWidget* parent)
    : QMainWindow(parent), prompts_(this),
      client_(std::make_unique<Client>(programFolder, prompts_))
{
    setObjectName(QStringLiteral("mainform"));
    chatMenu_ = new ChatMenuWidget(*client_, this);
    setWindowTitle(Product::mainCaption());
    // The application's title: what a minimized window shows.
    setWindowIconText(Product::applicationTitle());
    resize(1000, 680);
    setMinimumSize(MinimumSize);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);

    buildWorkArea(central);
    layout->addWidget(mainSplitter_, 1);
    buildSettingsPanel();

    // The section panels in the order of the window list's sections.
    WindowRegistry& windows = client_->windows();
    QWidget* sectionPanels[] = {
        settingspanel_,
        addSectionPanel(QStringLiteral("channelpanel"), QStringLiteral("Public Chat")),
        addSectionPanel(QStringLiteral("privatechatpanel"), QStringLiteral("Private Chat")),
        addSectionPanel(QStringLiteral("dccchatpanel"), QStringLiteral("DCC Chat"),
                        new DccChatPanel(*client_)),
        addSectionPanel(QStringLiteral("filepanel"), QStringLiteral("Files"),
                        filesHolder_ = new QWidget),
    };
    for (int i = 0; i < 5; ++i)
        windows.at(i)->container = sectionPanels[i];
    // The transfer lists are made when the Files panel is first shown.
    (new QVBoxLayout(filesHolder_))->setContentsMargins(0, 0, 0, 0);
    filesHolder_->installEventFilter(this);
    connect(&windows, &WindowRegistry::windowCreated, this, &MainWindow::addChatWindow);
    // A network's node shows the settings panel at its server messages.
    connect(&windows, &WindowRegistry::networkNodeCreated, this,
            [this](ChatWindow* node) { node->container = settingspanel_; });
    connect(chatMenu_, &ChatMenuWidget::otherEntryChosen, this,
            [this](ChatWindow* window, const QString& caption, const QStringList& nicks) {
                if (caption != QLatin1String("Send File..."))
                    return;
                QString nick = nicks.value(0);
                if (nick.isEmpty() && window->conversationKind != ConversationKind::Channel)
                    nick = window->peerNickname;
                filesPanel()->openSendDialog(nick);
            });
    connect(&windows, &WindowRegistry::windowDestroying, this, &MainWindow::dropChatWindow);
    connect(&windows, &WindowRegistry::topicChanged, this, [](ChatWindow* w) {
        if (auto* container = qobject_cast<ChatWindowWidget*>(w->container.data()))
            container->updateCaption();
    });
    // A stored line asked for (a search result) is marked and scrolled into view.
    connect(&windows, &WindowRegistry::storedLineShown, this, [](ChatWindow* w, qsizetype line) {
        if (auto* container = qobject_cast<ChatWindowWidget*>(w->container.data()))
            container->view()->markText(line, 0, int(w->document->plainLine(line).size()));
    });
    PickerLayout& pickerLayout = windows.picker();
    connect(&pickerLayout, &PickerLayout::displayChanged, this, &MainWindow::layoutMaster);
    connect(&pickerLayout, &PickerLayout::displayChanged, this, [this, &pickerLayout] {
        const ChatWindow* shown = pickerLayout.shownAlone();
        if (shown && shown->kindNumber == PickerKind::NetworkNode && serverInfo_)
            settingspanel_->setCurrentWidget(serverInfo_);
    });
    connect(&pickerLayout, &PickerLayout::tileFrameChanged, this, &MainWindow::placeTileFrame);
    connect(&pickerLayout, &PickerLayout::entryFocusWanted, this, [](ChatWindow* w) {
        if (auto* container = qobject_cast<ChatWindowWidget*>(w->container.data()))
            container->textEntry()->setFocus();
    });
    layoutMaster();
    installWindowKeys();

    auto* strip = new QWidget(central);
    strip->setObjectName(QStringLiteral("statuspanel"));
    buildStatusStrip(strip);
    layout->addWidget(strip);
    setCentralWidget(central);

    ServerConnection& connection = client_->connection();
    connection.onStateChanged(this, &MainWindow::showSessionState);
    connection.onNicknameChanged(this, &MainWindow::showNickname);
    showSessionState(connection.state());
    showNickname(connection.nickname());

    // Before the first show, so the window opens where it was left and no page ever
    // shows the defaults.
    runShowSequence();
}

MainWindow::~MainWindow() = default;

void MainWindow::runShowSequence()
{
    StepSequence steps;
    // The program folder was decided by main(); the picker was built with the window.
    steps.add(QStringLiteral("poster settings"), [this] { return client_->readPosterSettings(); });
    steps.add(QStringLiteral("poster"), [this] {
        client_->loadPoster();
        picker_->setPoster(&client_->poster());
        return true;
    });
    // Posters: the poster named by the settings is loaded and handed to the picker. The
    // settings panel is in front and the first picker entry selected from the start.
    steps.add(QStringLiteral("welcome"), [this] {
        client_->addStatusLine(Product::welcome());
        return true;
    });
    // Script objects, the browser link, the file server list, the theme editor's font
    // list and the adult-word list are set up here.
    steps.add(QStringLiteral("settings"), [this] { return client_->readSettings(); });
    steps.add(QStringLiteral("menu mod"), [this] {
        client_->loadMenuMod();
        return true;
    });
    // The bookmark read with the settings selects the server list's node.
    steps.add(QStringLiteral("server list"), [this] {
        client_->loadServerList();
        return true;
    });
    // The networks marked "connect at start" start connecting; the window shows the
    // attempts from its first picture.
    steps.add(QStringLiteral("connect at start"), [this] {
        client_->connectAtStart();
        return true;
    });
    steps.add(QStringLiteral("last script"), [this] {
        client_->loadLastScript();
        return true;
    });
    // The settings pages, the toolbar switches and the recent-server menu show what was
    // read as soon as it is (Client::settingsLoaded); a page made later reads it when it
    // is made.
    steps.add(QStringLiteral("window placement"), [this] { return applyWindowPlacement(); });
    for (const QString& step : steps.run())
        qWarning("start-up: %s did not complete", qPrintable(step));
}

bool MainWindow::applyWindowPlacement()
{
    // A file that cannot be read still places the window, as a missing file does.
    const bool read = client_->readWindowPlacement();
    const WindowPlacement& placement = client_->storedState().window;
    if (placement.maximized) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        move(placement.bounds.topLeft());
        resize(placement.bounds.size());
    }
    return read;
}

void MainWindow::recordWindowPlacement()
{
    WindowPlacement& placement = client_->storedState().window;
    placement.maximized = isMaximized() || isMinimized();
    // A maximized window keeps the bounds it returns to.
    placement.bounds = placement.maximized ? normalGeometry() : QRect(pos(), size());
}

void MainWindow::buildWorkArea(QWidget* central)
{
    mainSplitter_ = new ChatSplitter(Qt::Horizontal, central);
    mainSplitter_->setObjectName(QStringLiteral("mainsplitter"));
    picker_ = new PickerPanel(client_->windows(), mainSplitter_);
    masterPanel_ = new QWidget(mainSplitter_);
    masterPanel_->setObjectName(QStringLiteral("masterpanel"));
    masterPanel_->installEventFilter(this);
    mainSplitter_->addWidget(picker_);
    mainSplitter_->addWidget(masterPanel_);
    mainSplitter_->setChildrenCollapsible(false);
    mainSplitter_->setStretchFactor(0, 0);
    mainSplitter_->setStretchFactor(1, 1);
    mainSplitter_->setSizes({PickerWidth, width() - PickerWidth});
    connect(mainSplitter_, &ChatSplitter::handleDoubleClicked, this, &MainWindow::fitPicker);

    static const char* const frameNames[] = {"tleft", "ttop", "tright", "tbot"};
    for (int i = 0; i < 4; ++i) {
        tileFrame_[i] = new QFrame(masterPanel_);
        tileFrame_[i]->setObjectName(QLatin1String(frameNames[i]));
        tileFrame_[i]->setAutoFillBackground(true);
        tileFrame_[i]->setBackgroundRole(QPalette::Highlight);
        tileFrame_[i]->hide();
    }
}

QWidget* MainWindow::addSectionPanel(const QString& objectName, const QString& caption,
                                     QWidget* content)
{
    auto* panel = new QFrame(masterPanel_);
    panel->setObjectName(objectName);
    panel->setFrameStyle(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(panel);
    auto* title = new QLabel(caption, panel);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    column->addWidget(title);
    if (content) {
        content->setParent(panel);
        column->addWidget(content, 1);
    } else {
        column->addStretch(1);
    }
    panel->hide();
    return panel;
}

void MainWindow::buildSettingsPanel()
{
    settingspanel_ = new SettingsPanel(masterPanel_);
    settingspanel_->setObjectName(QStringLiteral("settingspanel"));
    settingspanel_->setAccessibleName(QStringLiteral("Settings pages"));
    // The server list is in front from the start; the other pages are made when their tab
    // is first shown.
    serverPage_ = new ServerTreePage(*client_, settingspanel_);
    settingspanel_->addTab(serverPage_, QStringLiteral("Servers"));
    connect(serverPage_, &ServerTreePage::connectRequested, this, &MainWindow::connectToServer);
    connect(serverPage_, &ServerTreePage::importRequested, this, [this] {
        if (!importDialog_) {
            importDialog_ = new ImportDialog(*client_, this);
            connect(importDialog_, &ImportDialog::imported, this, [this] {
                if (auto* user = findChild<UserSettingsPage*>())
                    user->load();
            });
        }
        importDialog_->show();
    });
    Client& c = *client_;
    addPage(QStringLiteral("User"), [&c](QWidget* tab) { return new UserSettingsPage(c, tab); });
    addPage(QStringLiteral("Ignore"),
            [&c](QWidget* tab) { return new IgnoreSettingsPage(c, tab); });
    addPage(QStringLiteral("Messages"),
            [&c](QWidget* tab) { return new MessagesSettingsPage(c, tab); });
    addPage(QStringLiteral("Sound"), [&c](QWidget* tab) { return new SoundSettingsPage(c, tab); });
    addPage(QStringLiteral("File Server"),
            [&c](QWidget* tab) { return new FileServerPage(c, tab); });
    addPage(QStringLiteral("Notify List"), [&c](QWidget* tab) { return new NotifyPage(c, tab); });
    addPage(QStringLiteral("Aliases"),
            [&c](QWidget* tab) { return new AliasSettingsPage(c, tab); });
    addPage(QStringLiteral("Scripting"), [&c](QWidget* tab) { return new ScriptingPage(c, tab); });
    addPage(QStringLiteral("Menu Mods"),
            [this](QWidget* tab) { return new MenuModPage(client_->menuMods(), *chatMenu_, tab); });
    addPage(QStringLiteral("DCC"), [&c](QWidget* tab) { return new DccSettingsPage(c, tab); });
    addPage(QStringLiteral("Channel List"), [this](QWidget* tab) {
        auto* page = new ChannelListPage(*client_, tab);
        // The favourites page is made for the entry if it was not yet.
        connect(page, &ChannelListPage::addFavourite, this,
                [this](const QString& entry) { settingsPage<FavouritesPage>()->addEntry(entry); });
        return page;
    });
    addPage(QStringLiteral("Favorite Channels"),
            [&c](QWidget* tab) { return new FavouritesPage(c, tab); });
    addPage(QStringLiteral("Themes"), [&c](QWidget* tab) { return new ThemePage(c, tab); });
    addPage(QStringLiteral("Misc"), [this](QWidget* tab) {
        auto* page = new MiscPage(*client_, tab);
        connect(page, &MiscPage::posterChanged, this,
                [this] { picker_->setPoster(&client_->poster()); });
        connect(page, &MiscPage::tileFrameColourChanged, this, &MainWindow::paintTileFrame);
        return page;
    });
    connect(client_.get(), &Client::settingsLoaded, this,
            [this] { paintTileFrame(colorFromWin(client_->options().appearance.tileFrameColor)); });

    buildServerInfo();
    settingspanel_->addTab(new RawDataPage(client_->rawData(), settingspanel_),
                           QStringLiteral("Raw Data"));
    connect(settingspanel_, &QTabWidget::currentChanged, this, &MainWindow::makeSettingsPage);
}

void MainWindow::addPage(const QString& caption, const QMetaObject& type,
                         std::function<QWidget*(QWidget*)> make)
{
    auto* tab = new QWidget(settingspanel_);
    auto* column = new QVBoxLayout(tab);
    column->setContentsMargins(0, 0, 0, 0);
    pageMakers_.insert(settingspanel_->addTab(tab, caption), {&type, std::move(make)});
}

void MainWindow::makeSettingsPage(int index)
{
    const auto maker = pageMakers_.find(index);
    if (maker == pageMakers_.end())
        return;
    const PageMaker page = std::move(maker.value());
    pageMakers_.erase(maker);
    QWidget* tab = settingspanel_->widget(index);
    tab->layout()->addWidget(page.make(tab));
}

QWidget* MainWindow::settingsPage(const QMetaObject& type)
{
    for (auto maker = pageMakers_.cbegin(); maker != pageMakers_.cend(); ++maker) {
        if (maker.value().type == &type) {
            makeSettingsPage(maker.key());
            break;
        }
    }
    for (QWidget* page : settingspanel_->findChildren<QWidget*>()) {
        if (page->metaObject() == &type)
            return page;
    }
    return nullptr;
}

void MainWindow::buildServerInfo()
{
    const QString programFolder = client_->programFolder();
    serverInfo_ = new ServerInfoWidget(
        client_->serverView(),
        ChatThemes::serverViewTheme(programFolder, client_->options().display.themeUses),
        ThemeFile::themesFolder(programFolder), settingspanel_);
    settingspanel_->addTab(serverInfo_, QStringLiteral("Server"));

    Conversations& conversations = client_->conversations();
    ChatView* view = serverInfo_->motdView();
    view->setOwnNickname([this] { return client_->connection().nickname(); });
    connect(view, &ChatView::channelLinkClicked, this,
            [&conversations](const QString& channel) { conversations.join(channel); });
    connect(view, &ChatView::nicknameLinkClicked, this,
            [&conversations](const QString& nick, Qt::MouseButton button) {
                if (button == Qt::LeftButton)
                    conversations.openPrivateChat(nick);
            });
    connect(view, &ChatView::webLinkClicked, this, [this](const QString& text) {
        const QUrl url = LinkActions::webLinkUrl(text);
        if (!url.isEmpty())
            openUrl(url);
    });
}

void MainWindow::addChatWindow(ChatWindow* window)
{
    const ServerConnection& connection = client_->connection();
    ChatWindowContext context;
    context.registry = &client_->windows();
    context.conversations = &client_->conversations();
    context.ownNickname = [&connection] { return connection.nickname(); };
    context.options = &client_->options();
    context.themesFolder = ThemeFile::themesFolder(client_->programFolder());
    context.enterLine = [this](ChatWindow* w, const QString& text) {
        client_->commands().enterLine(w, text);
    };
    context.showMenu = [this](ChatWindow* w, const QPoint& at, const QStringList& nicks) {
        chatMenu_->showChatMenu(w, at, nicks);
    };
    context.openUrl = [this](const QUrl& url) { openUrl(url); };
    context.offerDccChat = [this](const QString& nick) {
        client_->dcc().chats().offerDccChat(nick);
    };
    auto* container = new ChatWindowWidget(*window, std::move(context), masterPanel_);
    container->hide();
    window->container = container;
}

void MainWindow::dropChatWindow(ChatWindow* window)
{
    if (QWidget* container = qobject_cast<QWidget*>(window->container.data())) {
        container->hide();
        // The close may come from inside the container (its context menu).
        container->deleteLater();
    }
    window->container = nullptr;
}

void MainWindow::layoutMaster()
{
    WindowRegistry& windows = client_->windows();
    const PickerLayout& layout = windows.picker();
    const QRect area = masterPanel_->rect();
    const QList<ChatWindow*> tiles = layout.tiles();
    const QList<QRect> places = layout.tilesShown()
                                    ? PickerLayout::tileRects(int(tiles.size()), area.size())
                                    : QList<QRect>{};
    // A network node shares the settings panel, so what is shown is decided before
    // anything is hidden.
    QSet<QWidget*> shown;
    for (qsizetype i = 0; i < windows.count(); ++i) {
        ChatWindow* item = windows.at(i);
        auto* container = qobject_cast<QWidget*>(item->container.data());
        if (!container)
            continue;
        const qsizetype tile = tiles.indexOf(item);
        if (layout.tilesShown() && tile >= 0 && tile < places.size()) {
            container->setGeometry(places.at(tile));
            shown.insert(container);
        } else if (!layout.tilesShown() && item == layout.shownAlone()) {
            container->setGeometry(area);
            shown.insert(container);
        }
    }
    for (qsizetype i = 0; i < windows.count(); ++i) {
        if (auto* container = qobject_cast<QWidget*>(windows.at(i)->container.data()))
            container->setVisible(shown.contains(container));
    }
    placeTileFrame(layout.tileFrameRow());
}

void MainWindow::placeTileFrame(int row)
{
    WindowRegistry& windows = client_->windows();
    QWidget* target = nullptr;
    if (row >= 0 && row < windows.count())
        target = qobject_cast<QWidget*>(windows.at(row)->container.data());
    if (!target || !target->isVisible()) {
        for (QFrame* edge : tileFrame_)
            edge->hide();
        return;
    }
    constexpr int Thickness = 3;
    const QRect r = target->geometry();
    tileFrame_[0]->setGeometry(r.left(), r.top(), Thickness, r.height());
    tileFrame_[1]->setGeometry(r.left(), r.top(), r.width(), Thickness);
    tileFrame_[2]->setGeometry(r.right() - Thickness + 1, r.top(), Thickness, r.height());
    tileFrame_[3]->setGeometry(r.left(), r.bottom() - Thickness + 1, r.width(), Thickness);
    for (QFrame* edge : tileFrame_) {
        edge->show();
        edge->raise();
    }
}

void MainWindow::paintTileFrame(const QColor& colour)
{
    for (QFrame* edge : tileFrame_) {
        QPalette p = edge->palette();
        p.setColor(QPalette::Window, colour);
        edge->setPalette(p);
        edge->setBackgroundRole(QPalette::Window);
    }
}

void MainWindow::openUrl(const QUrl& url)
{
    WebLinks::openUrl(client_->options().browser, url, client_->statusLog());
}

void MainWindow::fitPicker()
{
    const int width = picker_->fittingWidth();
    const QList<int> sizes = mainSplitter_->sizes();
    mainSplitter_->setSizes({width, sizes.value(0) + sizes.value(1) - width});
    layoutMaster();
}

void MainWindow::installWindowKeys()
{
    PickerLayout& picker = client_->windows().picker();
    const auto key = [this](const QKeySequence& sequence, auto action) {
        auto* shortcut = new QShortcut(sequence, this);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    for (int n = 1; n <= 9; ++n)
        key(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_0 + n)),
            [&picker, n] { picker.selectChatWindow(n); });
    key(QKeySequence(Qt::CTRL | Qt::Key_PageUp), [&picker] { picker.stepChatWindow(-1); });
    key(QKeySequence(Qt::CTRL | Qt::Key_PageDown), [&picker] { picker.stepChatWindow(1); });
    // As the picker's close command: a channel is left, a chat closed.
    key(QKeySequence(Qt::CTRL | Qt::Key_W), [this] {
        if (ChatWindow* window = currentChatWindow())
            client_->conversations().leave(window);
    });
    key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), [this] { openHistorySearch(); });
}

void MainWindow::openHistorySearch()
{
    auto* dialog = new HistorySearchDialog(client_->history(), this);
    // A result's window is shown when it is open, at the result's line.
    connect(dialog, &HistorySearchDialog::windowWanted, this,
            [this](const QString& network, const QString& name, qint64 row) {
                WindowRegistry& windows = client_->windows();
                if (ChatWindow* window = client_->windowOfStoredLines(network, name)) {
                    windows.picker().selectRow(int(windows.indexOf(window)));
                    client_->showStoredLine(window, row);
                }
            });
    dialog->show();
}

ChatWindow* MainWindow::currentChatWindow() const
{
    WindowRegistry& windows = client_->windows();
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
        if (auto* container = qobject_cast<ChatWindowWidget*>(w)) {
            ChatWindow* window = &container->window();
            return windows.indexOf(window) >= 0 ? window : nullptr;
        }
    }
    return windows.picker().selectedChatWindow();
}

bool MainWindow::event(QEvent* event)
{
    // A shown window is about to paint, or to be exposed at a new size: a new back buffer
    // gets its memory in one piece first.
    if ((event->type() == QEvent::UpdateRequest || event->type() == QEvent::Resize) && isVisible())
        populateBackBuffer(this);
    return QMainWindow::event(event);
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange)
        client_->notifications().setWindowActive(isActiveWindow());
    QMainWindow::changeEvent(event);
}

FilesPanel* MainWindow::filesPanel()
{
    if (!filesPanel_) {
        filesPanel_ = new FilesPanel(*client_, filesHolder_);
        filesPanel_->loadFilters();
        filesHolder_->layout()->addWidget(filesPanel_);
        // Made while its panel shows: shown now, not one event loop pass later. Made for
        // a menu entry while hidden, it shows with its panel.
        if (filesHolder_->isVisible())
            filesPanel_->show();
    }
    return filesPanel_;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == filesHolder_ && event->type() == QEvent::Show)
        filesPanel();
    // The window shrinks while it closes; nothing needs laying out any more.
    if (watched == masterPanel_ && event->type() == QEvent::Resize && !client_->shuttingDown())
        layoutMaster();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::buildStatusStrip(QWidget* strip)
{
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);

    connectButton_ = new QToolButton(strip);
    connectButton_->setObjectName(QStringLiteral("connectbuttonconnect"));
    connectButton_->setText(QStringLiteral("Connect"));
    connectButton_->setIcon(StandardIcons::icon(style(), QStyle::SP_MediaPlay));
    connectButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connectButton_->setToolTip(QStringLiteral("Connect to Server"));
    connect(connectButton_, &QToolButton::clicked, this, &MainWindow::connectToServer);
    connectMenu_ = new RecentServersMenu(client_->recentServers(), connectButton_, this);

    disconnectButton_ = new QToolButton(strip);
    disconnectButton_->setObjectName(QStringLiteral("connectbuttondisconnect"));
    disconnectButton_->setText(QStringLiteral("Disconnect"));
    disconnectButton_->setIcon(StandardIcons::icon(style(), QStyle::SP_MediaStop));
    disconnectButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    disconnectButton_->setToolTip(QStringLiteral("Disconnect from Server"));
    connect(disconnectButton_, &QToolButton::clicked, this, &MainWindow::disconnectFromServer);
    // While two or more networks are in use the button's arrow offers "Disconnect All";
    // with one the button looks and acts as it always did.
    auto* disconnectMenu = new QMenu(disconnectButton_);
    QAction* disconnectAll = disconnectMenu->addAction(QStringLiteral("Disconnect All"));
    disconnectAll->setObjectName(QStringLiteral("disconnectall"));
    ServerConnection& connection = client_->connection();
    connect(disconnectAll, &QAction::triggered, this,
            [&connection] { connection.disconnectAll(); });
    connect(&connection, &ServerConnection::anyStateChanged, this,
            [this, &connection, disconnectMenu] {
                const bool several = connection.sessionsInUse() >= 2;
                if (several == (disconnectButton_->menu() != nullptr))
                    return;
                disconnectButton_->setMenu(several ? disconnectMenu : nullptr);
                disconnectButton_->setPopupMode(several ? QToolButton::MenuButtonPopup
                                                        : QToolButton::DelayedPopup);
            });

    statuslist_ = new QComboBox(strip);
    statuslist_->setObjectName(QStringLiteral("statuslist"));
    statuslist_->setMaxVisibleItems(20);
    statuslist_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    statuslist_->setMinimumContentsLength(16);
    statuslist_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Whatever the user picks from the drop-down, the newest line stays the one shown.
    connect(statuslist_, &QComboBox::activated, this,
            [this] { statuslist_->setCurrentIndex(statuslist_->count() - 1); });

    nicknamePanel_ = new NicknamePanel(strip);
    nicknamePanel_->setObjectName(QStringLiteral("Panel6"));
    nicknamePanel_->setFrameShape(QFrame::StyledPanel);

    row->addWidget(connectButton_);
    row->addWidget(disconnectButton_);
    row->addWidget(statuslist_, 1);
    row->addWidget(nicknamePanel_);
    auto* help = new QToolButton(strip);
    help->setObjectName(QStringLiteral("helpbutton"));
    help->setText(QStringLiteral("Help"));
    help->setToolTip(QStringLiteral("Help"));
    connect(help, &QToolButton::clicked, this, [this] {
        // The help pages are opened by the desktop's browser, as web links are.
        openUrl(QUrl(WebLinks::helpIndexUrl(client_->programFolder())));
    });
    row->addWidget(help);
    DisplayOptions& display = client_->options().display;
    for (auto* toggle :
         {new SwitchButton(display.autoLog, QStringLiteral("ToolButton7"),
                           QStringLiteral("Auto-Log"), QStringLiteral("Auto-Log all Chats"), strip),
          new SwitchButton(display.hideTraffic, QStringLiteral("ToolButton4"),
                           QStringLiteral("Hide Joins"),
                           QStringLiteral("Hide All Channel Joins/Parts/Quits"), strip)}) {
        row->addWidget(toggle);
        connect(client_.get(), &Client::settingsLoaded, toggle, &SwitchButton::load);
    }

    LineLog& status = client_->statusLog();
    for (const QString& line : status.lines())
        addStatusEntry(line);
    connect(&status, &LineLog::lineAdded, this, &MainWindow::addStatusEntry);
    connect(&status, &LineLog::cleared, statuslist_, &QComboBox::clear);
}

void MainWindow::addStatusEntry(const QString& line)
{
    statuslist_->setUpdatesEnabled(false);
    // Server texts in status lines may carry formatting codes, which a list cannot draw.
    statuslist_->addItem(stripFormatting(line));
    statuslist_->setCurrentIndex(statuslist_->count() - 1);
    statuslist_->setUpdatesEnabled(true);
}

void MainWindow::showSessionState(Session::State state)
{
    // Connect while there is no connection and none is tried again; Disconnect while one
    // is made, up, or waited for.
    connectButton_->setEnabled(state == Session::State::Disconnected);
    disconnectButton_->setEnabled(state != Session::State::Disconnected &&
                                  state != Session::State::Closing);
}

void MainWindow::showNickname(const QString& nickname)
{
    nicknamePanel_->setText(QStringLiteral("Your Nickname is: ") + nickname);
    nicknamePanel_->setToolTip(nicknamePanel_->text());
}

void MainWindow::connectToServer()
{
    connectMenu_->recentTimer().stop();
    client_->connectToSelectedServer();
}

void MainWindow::disconnectFromServer()
{
    client_->connection().disconnectFromServer();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!client_->shuttingDown())
        recordWindowPlacement();
    client_->shutdown();
    event->accept();
}
