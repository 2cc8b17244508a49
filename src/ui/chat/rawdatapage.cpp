#include "ui/chat/rawdatapage.h"

#include "chat/rawdata.h"
#include "core/formatting.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// Lines are drawn at most this often, so a burst is laid out once rather than per line.
constexpr int FlushIntervalMs = 50;

QToolButton* makeButton(QWidget* bar, const char* objectName, const QString& text,
                        const QString& hint, bool checkable)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1String(objectName));
    button->setText(text);
    button->setToolTip(hint);
    button->setCheckable(checkable);
    bar->layout()->addWidget(button);
    return button;
}
} // namespace

RawDataPage::RawDataPage(RawData& rawData, QWidget* parent) : QWidget(parent), rawData_(rawData)
{
    setObjectName(QStringLiteral("rawtab"));

    rawtext_ = new QPlainTextEdit(this);
    rawtext_->setObjectName(QStringLiteral("rawtext"));
    rawtext_->setAccessibleName(QStringLiteral("Raw data"));
    rawtext_->setReadOnly(true);
    rawtext_->setLineWrapMode(QPlainTextEdit::NoWrap);
    rawtext_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rawtext_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rawtext_->setUndoRedoEnabled(false);

    rawinput_ = new QLineEdit(this);
    rawinput_->setObjectName(QStringLiteral("rawinput"));
    rawinput_->setAccessibleName(QStringLiteral("Raw line to send"));
    rawinput_->setMaxLength(RawData::MaxInputLength);
    rawinput_->setEnabled(rawData_.inputEnabled());
    rawinput_->installEventFilter(this);

    // A plain row: a tool bar would make its overflow button, and load every image
    // plugin for that button's icon, as the window starts.
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("rawtoolbar"));
    (new QHBoxLayout(bar))->setContentsMargins(0, 0, 0, 0);
    rawbuttonshow_ = makeButton(bar, "rawbuttonshow", QStringLiteral("Show"),
                                QStringLiteral("Show Raw Data"), true);
    rawbuttonlog_ = makeButton(bar, "rawbuttonlog", QStringLiteral("Log"),
                               QStringLiteral("Log Raw Data to File"), true);
    rawbuttonclear_ =
        makeButton(bar, "rawbuttonclear", QStringLiteral("Clear"), QStringLiteral("Clear"), false);
    rawbuttonshow_->setChecked(rawData_.showing());
    rawbuttonlog_->setChecked(rawData_.logging());

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(10);
    bottom->addWidget(rawinput_, 1);
    bottom->addWidget(bar);
    auto* column = new QVBoxLayout(this);
    column->addWidget(rawtext_, 1);
    column->addLayout(bottom);

    flushTimer_ = new QTimer(this);
    flushTimer_->setSingleShot(true);
    flushTimer_->setInterval(FlushIntervalMs);
    connect(flushTimer_, &QTimer::timeout, this, &RawDataPage::flushPending);

    connect(rawbuttonshow_, &QToolButton::toggled, &rawData_, &RawData::setShowing);
    connect(rawbuttonlog_, &QToolButton::clicked, this,
            [this](bool checked) { rawData_.setLogging(checked); });
    // The log can end without the button: a failed open, the session's end, shutdown.
    connect(&rawData_, &RawData::loggingChanged, rawbuttonlog_, &QToolButton::setChecked);
    connect(rawbuttonclear_, &QToolButton::clicked, &rawData_, &RawData::clearView);
    connect(&rawData_, &RawData::viewCleared, this, &RawDataPage::clearView);
    connect(&rawData_, &RawData::lineShown, this, &RawDataPage::queueLine);
    connect(&rawData_, &RawData::inputEnabledChanged, rawinput_, &QLineEdit::setEnabled);
    connect(rawinput_, &QLineEdit::returnPressed, this, &RawDataPage::sendRawInput);
}

void RawDataPage::queueLine(const QString& line, bool fromServer)
{
    pending_.append({line, fromServer});
    if (isVisible() && !flushTimer_->isActive())
        flushTimer_->start();
}

void RawDataPage::flushPending()
{
    if (pending_.isEmpty())
        return;
    QScrollBar* bar = rawtext_->verticalScrollBar();
    // Within a page of the end the view follows; further back the reader keeps their place.
    const bool follow = bar->maximum() - bar->value() <= bar->pageStep();
    const int keep = bar->value();

    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat normal;
    normal.setFontWeight(QFont::Normal);
    // Control bytes have no glyph: they are shown as marks such as ^B, set apart in the
    // colour of placeholder text so that a typed "^B" reads differently.
    QTextCharFormat boldMark = bold;
    QTextCharFormat normalMark = normal;
    const QColor markColour = rawtext_->palette().color(QPalette::PlaceholderText);
    boldMark.setForeground(markColour);
    normalMark.setForeground(markColour);
    QTextCursor cursor(rawtext_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    bool first = rawtext_->document()->isEmpty();
    for (const PendingLine& line : std::as_const(pending_)) {
        if (!first)
            cursor.insertBlock();
        first = false;
        const QTextCharFormat& text = line.fromServer ? bold : normal;
        const QTextCharFormat& mark = line.fromServer ? boldMark : normalMark;
        const QStringView whole(line.text);
        qsizetype runStart = 0;
        for (qsizetype i = 0; i < whole.size(); ++i) {
            const QString shown = Formatting::controlMark(whole[i]);
            if (shown.isEmpty())
                continue;
            if (i > runStart)
                cursor.insertText(whole.sliced(runStart, i - runStart).toString(), text);
            cursor.insertText(shown, mark);
            runStart = i + 1;
        }
        if (runStart < whole.size())
            cursor.insertText(whole.sliced(runStart).toString(), text);
    }
    cursor.endEditBlock();
    pending_.clear();
    bar->setValue(follow ? bar->maximum() : keep);
}

void RawDataPage::clearView()
{
    pending_.clear();
    flushTimer_->stop();
    rawtext_->clear();
}

void RawDataPage::sendRawInput()
{
    if (rawData_.enterInput(rawinput_->text()))
        rawinput_->clear();
}

void RawDataPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    flushPending();
    if (rawinput_->isEnabled())
        rawinput_->setFocus();
}

bool RawDataPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == rawinput_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up) {
            if (const auto line = rawData_.historyUp())
                rawinput_->setText(*line);
            return true;
        }
        if (key == Qt::Key_Down) {
            rawinput_->setText(rawData_.historyDown());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
