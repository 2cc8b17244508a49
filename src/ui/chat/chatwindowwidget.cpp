#include "ui/chat/chatwindowwidget.h"

#include "chat/windowregistry.h"
#include "client/conversations.h"
#include "commands/commandparser.h"
#include "commands/linkactions.h"
#include "core/fontrecord.h"
#include "core/options.h"
#include "core/wincolor.h"
#include "ui/chat/chatsplitter.h"
#include "ui/chat/chatview.h"
#include "ui/chat/findbar.h"
#include "ui/chat/nicklistview.h"
#include "ui/chat/textentry.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {
constexpr int CaptionHeight = 15;
constexpr int ButtonHeight = 22;
constexpr int ButtonPanelWidth = 70;
constexpr int SplitterMinimum = 65;
constexpr int ViewBevel = 2;
constexpr int EntryEdge = 1;
} // namespace

ChatWindowWidget::ChatWindowWidget(ChatWindow& window, ChatWindowContext context, QWidget* parent)
    : QFrame(parent), window_(window), context_(std::move(context))
{
    if (!context_.ownNickname)
        context_.ownNickname = [] { return QString(); };
    const bool channel = window.conversationKind == ConversationKind::Channel;
    setObjectName(QStringLiteral("chatwindow"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(3, 3, 3, 3);
    outer->setSpacing(2);

    if (channel) {
        caption_ = new QLabel(this);
        caption_->setObjectName(QStringLiteral("caption"));
        caption_->setFixedHeight(CaptionHeight);
        caption_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        caption_->setTextFormat(Qt::PlainText);
        // A long topic must not widen the window; the label clips it.
        caption_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        QFont bold = caption_->font();
        bold.setBold(true);
        caption_->setFont(bold);
        outer->addWidget(caption_);
        updateCaption();
    }
}

void ChatWindowWidget::setVisible(bool visible)
{
    if (visible)
        built();
    QFrame::setVisible(visible);
}

ChatWindowWidget& ChatWindowWidget::built()
{
    if (view_)
        return *this;
    const bool channel = window_.conversationKind == ConversationKind::Channel;
    auto* outer = static_cast<QVBoxLayout*>(layout());
    QWidget* viewPanel = buildViewPanel();
    QWidget* bottom = buildBottomStrip(channel);
    buildFindBar();

    if (!channel) {
        outer->addWidget(viewPanel, 1);
        outer->addWidget(findBar_);
        outer->addWidget(bottom);
        return *this;
    }

    auto* textArea = new QWidget(this);
    auto* textLayout = new QVBoxLayout(textArea);
    textLayout->setContentsMargins(0, 0, 0, 0);
    textLayout->setSpacing(2);
    textLayout->addWidget(viewPanel, 1);
    textLayout->addWidget(findBar_);
    textLayout->addWidget(bottom);

    auto* splitter = new ChatSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("chatsplitter"));
    splitter->addWidget(textArea);
    splitter->addWidget(buildNickColumn());
    splitter->setChildrenCollapsible(false);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({400, NickColumnWidth});
    splitter->handle(1)->setCursor(Qt::SplitHCursor);
    connect(splitter, &ChatSplitter::handleDoubleClicked, this, &ChatWindowWidget::fitNickColumn);
    splitter_ = splitter;
    outer->addWidget(splitter, 1);
    return *this;
}

QWidget* ChatWindowWidget::buildViewPanel()
{
    auto* viewPanel = new QFrame(this);
    viewPanel->setObjectName(QStringLiteral("viewpanel"));
    viewPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    viewPanel->setLineWidth(ViewBevel);
    auto* viewLayout = new QVBoxLayout(viewPanel);
    viewLayout->setContentsMargins(ViewBevel, ViewBevel, ViewBevel, ViewBevel);
    view_ = new ChatView(window_.document.get(), viewPanel);
    view_->setObjectName(QStringLiteral("chatview"));
    view_->setOwnNickname(context_.ownNickname);
    view_->setThemesFolder(context_.themesFolder);
    viewLayout->addWidget(view_);

    connect(view_, &ChatView::channelLinkClicked, this, &ChatWindowWidget::channelLinkClicked);
    connect(view_, &ChatView::nicknameLinkClicked, this, &ChatWindowWidget::nicknameLinkClicked);
    connect(view_, &ChatView::webLinkClicked, this, &ChatWindowWidget::webLinkClicked);
    connect(view_, &ChatView::soundLinkClicked, this, &ChatWindowWidget::soundLinkClicked);
    return viewPanel;
}

void ChatWindowWidget::buildFindBar()
{
    findBar_ = new FindBar(view_, this);
    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, findBar_, &FindBar::open);
    connect(findBar_, &FindBar::closed, entry_, [this] { entry_->setFocus(); });
}

Completion::Sources ChatWindowWidget::completionSources() const
{
    Completion::Sources sources;
    for (const QString& entry : window_.nickList.entries())
        sources.nicknames.append(NickList::nickOf(entry));
    sources.recentSpeakers = window_.recentSpeakers;
    sources.ownNickname = context_.ownNickname();
    sources.commands = CommandParser::commandWords(window_.conversationKind);
    if (context_.options) {
        // Aliases are commands the user made.
        for (const QString& alias : context_.options->textEntry.aliases) {
            const QString word = alias.section(u' ', 0, 0);
            if (word.startsWith(u'/') && word.size() > 1)
                sources.commands.append(word);
        }
    }
    if (window_.conversationKind == ConversationKind::Private ||
        window_.conversationKind == ConversationKind::DccChat)
        sources.nicknames.append(window_.peerNickname);
    if (context_.registry) {
        for (qsizetype i = 0; i < context_.registry->count(); ++i) {
            const ChatWindow* w = context_.registry->at(i);
            if (w->conversationKind == ConversationKind::Channel)
                sources.channels.append(w->channelName);
        }
    }
    return sources;
}

QWidget* ChatWindowWidget::buildBottomStrip(bool channel)
{
    auto* strip = new QWidget(this);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);

    // A thin sunken edge shows where to type, whatever colours the theme gives the entry.
    auto* entryFrame = new QFrame(strip);
    entryFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    entryFrame->setLineWidth(EntryEdge);
    auto* entryLayout = new QHBoxLayout(entryFrame);
    entryLayout->setContentsMargins(EntryEdge, EntryEdge, EntryEdge, EntryEdge);
    entry_ = new TextEntry(entryFrame, &window_.entryHistory);
    entry_->setObjectName(QStringLiteral("textentry"));
    entry_->setLineEntered([this](const QString& text) {
        if (context_.enterLine)
            context_.enterLine(&window_, text);
    });
    entry_->setCompletionSources([this] { return completionSources(); });
    entry_->setPageScroller([this](int direction) { view_->scrollPage(direction); });
    applyEntryTheme();
    const int textHeight = QFontMetrics(entry_->font()).height() + 4;
    entryLayout->addWidget(entry_);
    row->addWidget(entryFrame, 1);

    control_ = new QPushButton(QStringLiteral("Control"), strip);
    control_->setObjectName(QStringLiteral("chatcontrol"));
    // The menu opens above the button, where it does not cover the conversation's end.
    connect(control_, &QPushButton::clicked, this,
            [this] { showMenu(control_->mapToGlobal(QPoint(0, -154))); });
    QFont bold = control_->font();
    bold.setBold(true);
    control_->setFont(bold);
    if (channel) {
        entry_->setFixedHeight(textHeight);
        return strip;
    }
    control_->setFixedSize(ButtonPanelWidth, ButtonHeight);
    row->addWidget(control_);
    const int stripHeight = textHeight >= 18 ? textHeight : ButtonHeight;
    entry_->setFixedHeight(stripHeight - 2 * EntryEdge);
    strip->setFixedHeight(stripHeight);
    return strip;
}

QWidget* ChatWindowWidget::buildNickColumn()
{
    auto* column = new QWidget(this);
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(0);
    nickList_ = new NickListView(window_.nickList, context_.ownNickname, column);
    nickList_->setObjectName(QStringLiteral("nicklist"));
    nickList_->applyTheme(window_.theme);
    nickList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(nickList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        // A right click on a row that is not selected acts on that row alone.
        const QModelIndex row = nickList_->indexAt(at);
        if (row.isValid() && !nickList_->selectionModel()->isSelected(row)) {
            nickList_->clearSelection();
            nickList_->selectionModel()->select(row, QItemSelectionModel::Select);
        }
        showMenu(nickList_->viewport()->mapToGlobal(at));
    });
    columnLayout->addWidget(nickList_, 1);
    control_->setParent(column);
    control_->setFixedHeight(ButtonHeight);
    columnLayout->addWidget(control_);
    column->setMinimumWidth(SplitterMinimum);
    return column;
}

void ChatWindowWidget::applyEntryTheme()
{
    const ThemeRecord& theme = window_.theme;
    entry_->setFont(FontRecord(theme.textentryfont, theme.textentryfontsize).toFont());
    QPalette p = entry_->palette();
    const QColor back = colorFromWin(theme.textentrybackcolor);
    const QColor text = colorFromWin(theme.textentrytextcolor);
    p.setColor(QPalette::Base, back);
    p.setColor(QPalette::Text, text);
    // The caret and selection follow the text colour, so a dark theme keeps them visible.
    p.setColor(QPalette::Highlight, text);
    p.setColor(QPalette::HighlightedText, back);
    entry_->setPalette(p);
    entry_->setFrameShape(QFrame::NoFrame);
    // One line of text fills the entry; the document's own margin would clip it.
    entry_->document()->setDocumentMargin(1);
}

void ChatWindowWidget::showMenu(const QPoint& globalPos)
{
    if (context_.showMenu)
        context_.showMenu(&window_, globalPos,
                          nickList_ ? nickList_->selectedNicks() : QStringList());
}

void ChatWindowWidget::updateCaption()
{
    if (caption_)
        caption_->setText(WindowRegistry::captionFor(&window_));
}

void ChatWindowWidget::fitNickColumn()
{
    if (!nickList_ || !splitter_)
        return;
    const int width = nickList_->fittingWidth();
    const QList<int> sizes = splitter_->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    splitter_->setSizes({std::max(0, total - width), width});
}

// --- links ----------------------------------------------------------------------------

void ChatWindowWidget::channelLinkClicked(const QString& channel)
{
    if (context_.conversations)
        context_.conversations->join(channel);
}

void ChatWindowWidget::nicknameLinkClicked(const QString& nick, Qt::MouseButton button)
{
    if (button == Qt::LeftButton) {
        if (context_.conversations)
            context_.conversations->openPrivateChat(nick);
        return;
    }
    if (button != Qt::RightButton || !context_.registry)
        return;
    QPointer<WindowRegistry> registry = context_.registry;
    const auto offer = context_.offerDccChat;
    askYesNo(LinkActions::dccChatQuestion(nick), [registry, offer, nick](bool yes) {
        if (!yes || !registry)
            return;
        if (offer)
            offer(nick);
        else
            registry->addStatusLine(LinkActions::dccChatUnavailable(nick));
    });
}

void ChatWindowWidget::webLinkClicked(const QString& text)
{
    const QUrl url = LinkActions::webLinkUrl(text);
    if (url.isEmpty())
        return;
    if (context_.openUrl)
        context_.openUrl(url);
    else
        QDesktopServices::openUrl(url);
}

void ChatWindowWidget::soundLinkClicked(const QString& owner, const QString& file)
{
    if (context_.conversations)
        context_.conversations->requestSound(window_, owner, file);
}

void ChatWindowWidget::askYesNo(const QString& question, std::function<void(bool)> answer)
{
    if (context_.askYesNo) {
        context_.askYesNo(question, std::move(answer));
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("QuorlIRC"), question,
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::finished, this, [box, answer = std::move(answer)](int) {
        answer(box->clickedButton() == box->button(QMessageBox::Yes));
    });
    box->open();
}
