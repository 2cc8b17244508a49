#include "ui/chat/chatview.h"

#include "core/wincolor.h"
#include "ui/chat/accessibleinterfaces.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>
#include <tuple>

ChatView::ChatView(ChatDocument* document, QWidget* parent) : QWidget(parent), document_(document)
{
    Q_ASSERT(document);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Tab reaches the text, so a screen reader that speaks what arrives where the keyboard
    // is can follow the conversation; a click leaves the keyboard in the text entry.
    setFocusPolicy(Qt::TabFocus);
    installAccessibleInterfaces();
    scrollBar_ = new QScrollBar(Qt::Vertical, this);
    // The bar never keeps the keyboard focus from the window's text entry.
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    scrollBar_->setRange(0, 0);
    scrollBar_->hide();
    connect(scrollBar_, &QScrollBar::valueChanged, this, &ChatView::onScrollBarMoved);
    connect(document, &ChatDocument::linesAppended, this, &ChatView::onLinesAppended);
    repaintTimer_.setSingleShot(true);
    repaintTimer_.setInterval(RepaintIntervalMs);
    connect(&repaintTimer_, &QTimer::timeout, this, &ChatView::onRepaintTick);
    connect(document, &ChatDocument::cleared, this, &ChatView::onCleared);
    connect(document, &ChatDocument::linesTrimmed, this, &ChatView::onLinesTrimmed);
    connect(document, &ChatDocument::linesPrepended, this, &ChatView::onLinesPrepended);
    connect(document, &ChatDocument::linesDroppedBack, this, &ChatView::onLinesDroppedBack);
    connect(document, &ChatDocument::themeApplied, this, &ChatView::onThemeApplied);
    connect(document, &ChatDocument::layoutChanged, this, &ChatView::onLayoutChanged);
    knownWords_ = document->wordCount();
    loadPicture();
    syncGeometry();
    showEnd();
}

ChatView::~ChatView() = default;

void ChatView::setOwnNickname(std::function<QString()> ownNickname)
{
    ownNickname_ = std::move(ownNickname);
}

void ChatView::setThemesFolder(const QString& folder)
{
    themesFolder_ = folder;
    if (document_)
        loadPicture();
    update();
}

void ChatView::setLayoutEnabled(bool enabled)
{
    if (!document_)
        return;
    // Resizes while switched off only marked the layout stale; switching on lays out
    // once, for the current size, and the view settles from layoutChanged.
    document_->setLayoutEnabled(enabled);
}

// --- keeping the view in step with the document -----------------------------------------

void ChatView::syncGeometry()
{
    scrollBar_->setGeometry(width() - ScrollBarWidth, 0, ScrollBarWidth, height());
    const QSize textSize(std::max(0, width() - (barShown_ ? ScrollBarAllowance : 0)), height());
    // Our own re-layout: the document's layoutChanged is not news to us.
    adjusting_ = true;
    document_->setViewSize(textSize);
    adjusting_ = false;
}

void ChatView::setVisibleFrom(int firstRow)
{
    firstRow_ = std::max(firstRow, 0);
    lastRow_ = document_->lastRowFittingFrom(firstRow_);
    lastPaintedWord_ = lastRow_ >= firstRow_ ? document_->rowEndWord(lastRow_) - 1 : -1;
}

void ChatView::settle(qsizetype anchorWord)
{
    // The bar changes at most once: showing it narrows the text and adds rows, which
    // keeps it needed; hiding it widens the text, which keeps everything fitting. The
    // third pass is only a guard.
    for (int pass = 0; pass < 3; ++pass) {
        const int rows = document_->rowCount();
        int bottomRow = rows - 1;
        if (!autoScroll_ && anchorWord >= 0 && anchorWord < document_->laidOutWordCount())
            bottomRow = document_->wordRow(anchorWord);
        setVisibleFrom(rows > 0 ? document_->firstRowEndingAt(bottomRow) : 0);
        const bool needed = rowsOnScreen() < std::max(0, rows - 1);
        if (needed == barShown_)
            break;
        barShown_ = needed;
        scrollBar_->setVisible(needed);
        if (!needed)
            autoScroll_ = true; // everything shows, so the display is at the end
        if (anchorWord < 0)
            anchorWord = lastPaintedWord_;
        syncGeometry();
        update();
    }
    updateScrollBar();
}

void ChatView::showEnd()
{
    autoScroll_ = true;
    settle(-1);
}

void ChatView::updateScrollBar()
{
    // The position is the first row on screen; the largest position shows the end.
    const QSignalBlocker blocker(scrollBar_);
    const int total = std::max(0, document_->rowCount() - 1);
    const int onScreen = rowsOnScreen();
    scrollBar_->setRange(0, std::max(0, total - onScreen));
    scrollBar_->setPageStep(onScreen + 1);
    scrollBar_->setSingleStep(1);
    scrollBar_->setValue(firstRow_);
}

void ChatView::onLinesAppended()
{
    // A busy channel appends lines far faster than anyone can read them: the view catches
    // up with the document at most every RepaintIntervalMs, so painting and the scroll bar
    // never take the time the lines need.
    if (repaintTimer_.isActive()) {
        appendPending_ = true;
        return;
    }
    showAppended();
    repaintTimer_.start();
}

void ChatView::catchUp()
{
    if (!appendPending_)
        return;
    appendPending_ = false;
    showAppended();
}

void ChatView::onRepaintTick()
{
    if (!appendPending_)
        return;
    catchUp();
    repaintTimer_.start(); // lines still flowing: the next catch-up waits its turn
}

void ChatView::showAppended()
{
    if (!document_ || !document_->isLayoutEnabled())
        return;
    const qsizetype firstNew = knownWords_;
    knownWords_ = document_->wordCount();
    if (firstNew >= knownWords_)
        return;
    if (!barShown_) {
        setVisibleFrom(firstRow_);
        if (lastRow_ >= document_->rowCount() - 1) {
            // Everything still fits: only the new words are drawn.
            update(rowsRect(document_->wordRow(firstNew), lastRow_));
            updateScrollBar();
            return;
        }
        autoScroll_ = true;
    }
    if (autoScroll_) {
        settle(-1);
        update(document_->textArea());
        return;
    }
    // Scrolled back: the display stays where it is; only the bar learns of the rows.
    updateScrollBar();
}

void ChatView::onCleared()
{
    barShown_ = false;
    scrollBar_->hide();
    {
        const QSignalBlocker blocker(scrollBar_);
        scrollBar_->setRange(0, 0);
    }
    firstRow_ = 0;
    lastRow_ = -1;
    lastPaintedWord_ = -1;
    knownWords_ = 0;
    hover_ = {};
    selecting_ = false;
    selectionMoved_ = false;
    selection_ = {};
    mark_ = {};
    autoScroll_ = true;
    unsetCursor();
    syncGeometry();
    update();
}

void ChatView::onLinesTrimmed(qsizetype, qsizetype words, int rows)
{
    // Every index we hold moved down; what pointed into the lines that left is dropped.
    knownWords_ = std::max<qsizetype>(0, knownWords_ - words);
    lastPaintedWord_ = lastPaintedWord_ >= words ? lastPaintedWord_ - words : -1;
    if (hover_.isLink() && hover_.firstWord >= words) {
        hover_.firstWord -= words;
        hover_.lastWord -= words;
    } else if (hover_.isLink()) {
        hover_ = {};
        unsetCursor();
    }
    if (selection_.isValid() && selection_.startWord >= words) {
        selection_.startWord -= words;
        selection_.endWord -= words;
    } else if (selecting_ || selection_.isValid()) {
        selecting_ = false;
        selectionMoved_ = false;
        selection_ = {};
    }
    // A display scrolled back into the lines that left now shows the oldest kept.
    const bool shown = firstRow_ >= rows;
    setVisibleFrom(shown ? firstRow_ - rows : 0);
    if (!shown)
        update(document_->textArea());
    updateScrollBar();
}

void ChatView::onLinesPrepended(qsizetype, qsizetype words, int rows)
{
    // Every index we hold moved up; the rows on screen stay on screen where they were.
    knownWords_ += words;
    if (lastPaintedWord_ >= 0)
        lastPaintedWord_ += words;
    for (ChatSelection* range : {&selection_, &mark_}) {
        if (range->isValid()) {
            range->startWord += words;
            range->endWord += words;
        }
    }
    if (hover_.isLink()) {
        hover_.firstWord += words;
        hover_.lastWord += words;
    }
    if (autoScroll_) {
        settle(-1);
    } else {
        setVisibleFrom(firstRow_ + rows);
        updateScrollBar();
    }
    update(document_->textArea());
}

void ChatView::onLinesDroppedBack()
{
    // The newest lines went back to the store; they were not on screen.
    const qsizetype words = document_->wordCount();
    knownWords_ = std::min(knownWords_, words);
    if (lastPaintedWord_ >= words)
        lastPaintedWord_ = words - 1;
    for (ChatSelection* range : {&selection_, &mark_}) {
        if (range->isValid() && range->endWord >= words)
            *range = {};
    }
    if (hover_.isLink() && hover_.lastWord >= words) {
        hover_ = {};
        unsetCursor();
    }
    autoScroll_ = false;
    setVisibleFrom(std::min(firstRow_, std::max(0, document_->rowCount() - 1)));
    updateScrollBar();
    update(document_->textArea());
}

void ChatView::askBeyondEdges(int direction)
{
    if (!document_)
        return;
    // A screen ahead, so that the lines are there before the user reaches them.
    const int ahead = std::max(rowsOnScreen(), 1);
    if (direction <= 0 && firstRow_ <= ahead)
        document_->askForOlder();
    if (direction >= 0 && lastRow_ >= document_->rowCount() - 1 - ahead)
        document_->askForNewer();
}

void ChatView::onThemeApplied()
{
    loadPicture();
    update();
}

void ChatView::onLayoutChanged()
{
    if (adjusting_)
        return;
    // A theme or the layout switch moved the words: keep the last painted word at the
    // bottom, as a resize does.
    knownWords_ = document_->wordCount();
    hover_ = {};
    settle(lastPaintedWord_);
    update();
}

void ChatView::onScrollBarMoved(int value)
{
    if (!document_)
        return;
    const int total = std::max(0, document_->rowCount() - 1);
    const int onScreen = rowsOnScreen();
    autoScroll_ = value + onScreen >= total;
    setVisibleFrom(std::clamp(value, 0, std::max(0, total - onScreen)));
    if (rowsOnScreen() != onScreen)
        updateScrollBar();
    update(document_->textArea());
    askBeyondEdges(0);
}

// --- geometry helpers -------------------------------------------------------------------

QRect ChatView::rowsRect(int firstRow, int lastRow) const
{
    if (firstRow < firstRow_ || lastRow < firstRow || lastRow_ < firstRow_)
        return {};
    const int y0 = document_->rowY(firstRow_);
    const int top = document_->rowY(firstRow) - y0 + document_->topMargin();
    const int bottom =
        document_->rowY(lastRow) + document_->rowHeight(lastRow) - y0 + document_->topMargin();
    return QRect(0, top, document_->viewSize().width(), bottom - top);
}

QRect ChatView::wordRect(qsizetype word) const
{
    const int row = document_->wordRow(word);
    if (row < 0 || row < firstRow_ || row > lastRow_)
        return {};
    const int y = document_->rowY(row) - document_->rowY(firstRow_) + document_->topMargin();
    return QRect(document_->wordX(word), y, document_->wordWidth(word), document_->rowHeight(row));
}

QRect ChatView::linkRect(const ChatLink& link) const
{
    QRect area;
    if (!link.isLink())
        return area;
    for (qsizetype i = link.firstWord; i <= link.lastWord; ++i)
        area |= wordRect(i);
    return area;
}

// --- painting ---------------------------------------------------------------------------

void ChatView::loadPicture()
{
    picture_ = QPixmap();
    stretched_ = QPixmap();
    const ThemeRecord& theme = document_->theme();
    if (!theme.tileon || theme.tilename.isEmpty() || themesFolder_.isEmpty())
        return;
    const QImage image(QDir(themesFolder_).filePath(theme.tilename));
    if (!image.isNull())
        picture_ = QPixmap::fromImage(image);
}

const QFont& ChatView::drawingFont(std::uint16_t font, bool underline, bool strikethrough)
{
    // Fonts of a document are interned and never change, so neither does this cache.
    const size_t needed = size_t(document_->fontCount()) * 4;
    if (fonts_.size() < needed) {
        fonts_.resize(needed);
        ascents_.resize(needed / 4, -1);
    }
    std::optional<QFont>& cached =
        fonts_[size_t(font) * 4 + (underline ? 1 : 0) + (strikethrough ? 2 : 0)];
    if (!cached) {
        cached = toQFont(document_->font(font));
        cached->setUnderline(underline);
        cached->setStrikeOut(strikethrough);
    }
    return *cached;
}

int ChatView::ascent(std::uint16_t font)
{
    int& cached = ascents_[font];
    if (cached < 0)
        cached = QFontMetrics(drawingFont(font, false, false)).ascent();
    return cached;
}

void ChatView::paintBackground(QPainter& painter)
{
    const ThemeRecord& theme = document_->theme();
    const QColor back = colorFromWin(theme.backcolor);
    if (picture_.isNull()) {
        painter.fillRect(rect(), back);
        return;
    }
    if (!theme.tilestretch) {
        painter.drawTiledPixmap(rect(), picture_);
        return;
    }
    const QSize target(document_->viewSize().width(), height());
    if (stretched_.size() != target)
        stretched_ = picture_.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawPixmap(0, 0, stretched_);
    if (target.width() < width())
        painter.fillRect(QRect(target.width(), 0, width() - target.width(), height()), back);
}

void ChatView::paintWords(QPainter& painter)
{
    if (lastRow_ < firstRow_ || lastRow_ >= document_->rowCount())
        return;
    const ChatDocument& doc = *document_;
    const ThemeRecord& theme = doc.theme();
    const QRect dirty = painter.clipBoundingRect().toAlignedRect();
    const bool clipped = painter.hasClipping();

    const bool showSelection = selecting_ && selectionMoved_ && selection_.isValid();
    const ChatSelection& shownRange = showSelection ? selection_ : mark_;
    const bool showRange = showSelection || mark_.isValid();
    const qsizetype selFirst = showRange ? shownRange.startWord : -1;
    const qsizetype selLast = showRange ? shownRange.endWord : -2;
    const QColor selectBack = colorFromWin(theme.selectbackcolor);
    const QColor selectText = colorFromWin(theme.selectfontcolor);

    // Font and colour change only when they differ from the previous word's.
    int currentFont = -1;
    bool currentUnderline = false;
    bool currentStrikethrough = false;
    int currentAscent = 0;
    qint64 currentColor = -1; // outside the range of colour values
    const int y0 = doc.rowY(firstRow_);
    for (int row = firstRow_; row <= lastRow_; ++row) {
        const int y = doc.rowY(row) - y0 + doc.topMargin();
        const int h = doc.rowHeight(row);
        if (clipped && (y + h <= dirty.top() || y >= dirty.bottom() + 1))
            continue;
        for (qsizetype i = doc.rowFirstWord(row); i < doc.rowEndWord(row); ++i) {
            const QStringView text = doc.wordText(i);
            if (text.isEmpty())
                continue;
            const ChatStyle& style = doc.wordStyle(i);
            if (style.font != currentFont || style.underline != currentUnderline ||
                style.strikethrough != currentStrikethrough) {
                currentFont = style.font;
                currentUnderline = style.underline;
                currentStrikethrough = style.strikethrough;
                painter.setFont(drawingFont(style.font, style.underline, style.strikethrough));
                currentAscent = ascent(style.font);
            }
            const bool inLink = hover_.isLink() && i >= hover_.firstWord && i <= hover_.lastWord;
            const qint32 color = inLink ? theme.linkcolor : style.textColor;
            if (color != currentColor) {
                currentColor = color;
                painter.setPen(colorFromWin(color));
            }
            const int x = doc.wordX(i);
            const int w = doc.wordWidth(i);
            if (style.backgroundDrawn)
                painter.fillRect(x, y, w, h, colorFromWin(style.backColor));
            const QString shown =
                QString::fromRawData(reinterpret_cast<const QChar*>(text.data()), text.size());
            painter.drawText(QPoint(x, y + currentAscent), shown);

            if (i < selFirst || i > selLast)
                continue;
            int from = 0;
            int to = int(text.size()); // exclusive
            if (i == selFirst)
                from = shownRange.startChar;
            if (i == selLast)
                to = shownRange.endChar + 1;
            if (selFirst == selLast)
                std::tie(from, to) =
                    std::pair(std::min(shownRange.startChar, shownRange.endChar),
                              std::max(shownRange.startChar, shownRange.endChar) + 1);
            from = std::clamp(from, 0, int(text.size()));
            to = std::clamp(to, from, int(text.size()));
            if (from == to)
                continue;
            const int left = x + doc.characterOffset(i, from);
            const int right = x + doc.characterOffset(i, to);
            painter.fillRect(left, y, right - left, h, selectBack);
            painter.setPen(selectText);
            currentColor = -1;
            painter.drawText(QPoint(left, y + currentAscent), shown.sliced(from, to - from));
        }
    }
}

void ChatView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (!document_) {
        painter.fillRect(event->rect(), palette().base());
        return;
    }
    painter.setClipRegion(event->region());
    paintBackground(painter);
    paintWords(painter);
}

void ChatView::resizeEvent(QResizeEvent*)
{
    catchUp(); // the user acts on what is there now
    stretched_ = QPixmap();
    if (!document_)
        return;
    const qsizetype anchor = lastPaintedWord_;
    syncGeometry();
    if (!document_->isLayoutEnabled())
        return;
    settle(anchor);
    update();
}

// --- mouse ------------------------------------------------------------------------------

void ChatView::mousePressEvent(QMouseEvent* event)
{
    catchUp(); // the user acts on what is there now
    if (!document_)
        return;
    const QPoint pos = event->position().toPoint();
    const Qt::MouseButton button = event->button();
    if (colourPicking_ && button == Qt::RightButton) {
        Q_EMIT colourPicked(grab(QRect(pos, QSize(1, 1))).toImage().pixelColor(0, 0));
        return;
    }
    if (button == Qt::RightButton && pos.x() >= width() - ClearCornerWidth &&
        pos.y() >= height() - ClearCornerHeight) {
        document_->clear();
        return;
    }
    const qsizetype word = document_->wordAt(firstRow_, pos);
    if (linksEnabled_ && word >= 0) {
        const ChatLink link = document_->linkAt(word);
        switch (link.kind) {
        case ChatLink::Channel:
            Q_EMIT channelLinkClicked(link.target);
            return;
        case ChatLink::Web:
            // As written: paths are case-sensitive (the address lower-cases its host).
            Q_EMIT webLinkClicked(link.target);
            return;
        case ChatLink::Sound:
            Q_EMIT soundLinkClicked(link.owner, link.target);
            return;
        case ChatLink::Nickname: {
            const QString own = ownNickname_ ? ownNickname_() : QString();
            // The user's own nickname is plain text: it may start a selection.
            if (link.target.toLower() != own.toLower()) {
                Q_EMIT nicknameLinkClicked(link.target, button);
                return;
            }
            break;
        }
        case ChatLink::None:
            break;
        }
    }
    if (word >= 0 && button == Qt::LeftButton) {
        selecting_ = true;
        selectionMoved_ = false;
        selection_.startWord = selection_.endWord = word;
        selection_.startChar = selection_.endChar = document_->characterAt(word, pos.x());
        setHover({});
    } else if (selecting_ || selection_.isValid()) {
        selecting_ = false;
        selection_ = {};
        update(document_->textArea());
    }
}

void ChatView::mouseMoveEvent(QMouseEvent* event)
{
    catchUp(); // the user acts on what is there now
    if (!document_)
        return;
    const QPoint pos = event->position().toPoint();
    if (colourPicking_ && (event->buttons() & Qt::RightButton)) {
        if (rect().contains(pos))
            Q_EMIT colourPicked(grab(QRect(pos, QSize(1, 1))).toImage().pixelColor(0, 0));
        return;
    }
    const qsizetype word = document_->wordAt(firstRow_, pos);
    if (selecting_) {
        if (word >= 0)
            selection_.endWord = std::max(word, selection_.startWord);
        selection_.endChar = document_->characterAt(selection_.endWord, pos.x());
        selectionMoved_ = true;
        update(document_->textArea());
        return;
    }
    setHover(word >= 0 ? document_->linkAt(word) : ChatLink());
}

void ChatView::mouseReleaseEvent(QMouseEvent*)
{
    if (!selecting_ || !document_)
        return;
    // Selecting is copying; a click that never moved has nothing fresh to copy.
    if (selectionMoved_) {
        const QString text = document_->selectionText(selection_);
        if (!text.isEmpty())
            QGuiApplication::clipboard()->setText(text);
    }
    selecting_ = false;
    selectionMoved_ = false;
    selection_ = {};
    update(document_->textArea());
}

void ChatView::leaveEvent(QEvent*)
{
    if (document_)
        setHover({});
}

void ChatView::wheelEvent(QWheelEvent* event)
{
    catchUp(); // the user acts on what is there now
    if (barShown_)
        QCoreApplication::sendEvent(scrollBar_, event);
    // At either end the bar does not move: the turn still asks for what lies beyond.
    if (document_ && event->angleDelta().y() != 0)
        askBeyondEdges(event->angleDelta().y() > 0 ? -1 : 1);
}

void ChatView::setHover(const ChatLink& link)
{
    if (link.kind == hover_.kind && link.firstWord == hover_.firstWord &&
        link.lastWord == hover_.lastWord)
        return;
    update(linkRect(hover_));
    hover_ = link;
    update(linkRect(hover_));
    if (hover_.isLink())
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void ChatView::markText(qsizetype line, int from, int length)
{
    mark_ = {};
    if (!document_ || length <= 0 || line < 0 || from < 0) {
        update();
        return;
    }
    catchUp();
    const ChatDocument& doc = *document_;
    // Walk to the line's first word, then along its words to the characters.
    qsizetype word = -1;
    qsizetype seen = -1;
    for (qsizetype i = 0; i < doc.wordCount(); ++i) {
        if (doc.isLineStart(i) && ++seen == line) {
            word = i;
            break;
        }
    }
    if (word < 0)
        return;
    const qsizetype last = from + length - 1; // the last marked character of the line
    qsizetype offset = 0;
    for (qsizetype i = word; i < doc.wordCount(); ++i) {
        if (i > word && doc.isLineStart(i))
            break;
        const qsizetype size = doc.wordText(i).size();
        if (mark_.startWord < 0 && from < offset + size) {
            mark_.startWord = i;
            mark_.startChar = int(from - offset);
        }
        if (last < offset + size) {
            mark_.endWord = i;
            mark_.endChar = int(last - offset);
            break;
        }
        offset += size;
    }
    if (!mark_.isValid()) {
        mark_ = {};
        return;
    }
    if (document_->rowCount() > 0 && mark_.startWord < document_->laidOutWordCount()) {
        const int row = document_->wordRow(mark_.startWord);
        if (row < firstRow_ || row > lastRow_ || document_->wordRow(mark_.endWord) > lastRow_) {
            const int onScreen = std::max(1, rowsOnScreen());
            scrollBar_->setValue(std::max(0, row - onScreen / 2));
            onScrollBarMoved(scrollBar_->value());
        }
    }
    update();
}

void ChatView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
        scrollPage(event->key() == Qt::Key_PageUp ? -1 : 1);
        return;
    }
    QWidget::keyPressEvent(event);
}

void ChatView::scrollPage(int direction)
{
    catchUp();
    if (barShown_)
        scrollBar_->triggerAction(direction < 0 ? QAbstractSlider::SliderPageStepSub
                                                : QAbstractSlider::SliderPageStepAdd);
    askBeyondEdges(direction < 0 ? -1 : 1);
}
