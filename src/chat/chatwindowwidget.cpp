#include "chat/chatwindowwidget.h"

#include "chat/nicklistwidget.h"
#include "chat/windowregistry.h"
#include "chat/xsplitterwidget.h"
#include "core/fontrecord.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int CaptionHeight = 15;
constexpr int ButtonHeight = 22;
constexpr int ButtonPanelWidth = 70;
constexpr int SplitterMinimum = 65;
} // namespace

ChatWindowWidget::ChatWindowWidget(Tpickeritem& window, std::function<QString()> ownNickname,
                                   QWidget* parent)
    : QFrame(parent), window_(window)
{
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
        outer->addWidget(caption_);
        updateCaption();
    }

    // The view panel. The real chat text view (Tchattext, painting window.document) takes
    // this place; until it exists a read-only text box shows the document's lines.
    auto* viewPanel = new QFrame(this);
    viewPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    viewPanel->setLineWidth(2);
    auto* viewLayout = new QVBoxLayout(viewPanel);
    viewLayout->setContentsMargins(2, 2, 2, 2);
    view_ = new QPlainTextEdit(viewPanel);
    view_->setObjectName(QStringLiteral("chatview"));
    view_->setReadOnly(true);
    viewLayout->addWidget(view_);
    if (window.document) {
        connect(window.document.get(), &ChatDocument::linesAppended, this,
                &ChatWindowWidget::reloadView);
        connect(window.document.get(), &ChatDocument::cleared, this, &ChatWindowWidget::reloadView);
    }
    reloadView();

    QWidget* bottom = buildBottomStrip(channel);

    if (!channel) {
        outer->addWidget(viewPanel, 1);
        outer->addWidget(bottom);
        return;
    }

    auto* textArea = new QWidget(this);
    auto* textLayout = new QVBoxLayout(textArea);
    textLayout->setContentsMargins(0, 0, 0, 0);
    textLayout->setSpacing(2);
    textLayout->addWidget(viewPanel, 1);
    textLayout->addWidget(bottom);

    auto* column = new QWidget(this);
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(0);
    nickList_ = new Tnicklistbox(window.nickList, std::move(ownNickname), column);
    nickList_->setObjectName(QStringLiteral("nicklist"));
    nickList_->applyTheme(window.theme);
    columnLayout->addWidget(nickList_, 1);
    control_->setParent(column);
    control_->setFixedHeight(ButtonHeight);
    columnLayout->addWidget(control_);

    auto* splitter = new Txsplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("chatsplitter"));
    splitter->addWidget(textArea);
    splitter->addWidget(column);
    splitter->setChildrenCollapsible(false);
    column->setMinimumWidth(SplitterMinimum);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({400, NickColumnWidth});
    splitter->handle(1)->setCursor(Qt::SplitHCursor);
    connect(splitter, &Txsplitter::handleDoubleClicked, this, &ChatWindowWidget::fitNickColumn);
    splitter_ = splitter;
    outer->addWidget(splitter, 1);
}

QWidget* ChatWindowWidget::buildBottomStrip(bool channel)
{
    auto* strip = new QWidget(this);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);

    // The text entry with its slash commands and history replaces this line edit.
    entry_ = new QLineEdit(strip);
    entry_->setObjectName(QStringLiteral("textentry"));
    entry_->setFont(
        FontRecord(window_.theme.textentryfont, window_.theme.textentryfontsize).toFont());
    const int textHeight = QFontMetrics(entry_->font()).height() + 4;
    row->addWidget(entry_, 1);

    control_ = new QPushButton(QStringLiteral("Control"), strip);
    control_->setObjectName(QStringLiteral("chatcontrol"));
    QFont bold = control_->font();
    bold.setBold(true);
    control_->setFont(bold);
    if (channel) {
        entry_->setFixedHeight(textHeight);
        return strip;
    }
    control_->setFixedSize(ButtonPanelWidth, ButtonHeight);
    row->addWidget(control_);
    strip->setFixedHeight(textHeight >= 18 ? textHeight : ButtonHeight);
    return strip;
}

void ChatWindowWidget::updateCaption()
{
    if (caption_)
        caption_->setText(WindowRegistry::captionFor(&window_));
}

void ChatWindowWidget::reloadView()
{
    view_->setPlainText(window_.document ? window_.document->plainLines().join(u'\n') : QString());
    view_->moveCursor(QTextCursor::End);
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
