#include "ui/chat/findbar.h"

#include "ui/chat/chatview.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

FindBar::FindBar(ChatView* view, QWidget* parent) : QWidget(parent), view_(view)
{
    setObjectName(QStringLiteral("findbar"));
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("findtext"));
    text_->setAccessibleName(QStringLiteral("Find"));
    text_->setPlaceholderText(QStringLiteral("Find in this chat"));
    previous_ = new QToolButton(this);
    previous_->setObjectName(QStringLiteral("findprevious"));
    previous_->setText(QStringLiteral("Previous"));
    previous_->setToolTip(QStringLiteral("The match before, in older lines (Enter)"));
    next_ = new QToolButton(this);
    next_->setObjectName(QStringLiteral("findnext"));
    next_->setText(QStringLiteral("Next"));
    next_->setToolTip(QStringLiteral("The match after, in newer lines"));
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("findcount"));
    auto* closeButton = new QToolButton(this);
    closeButton->setObjectName(QStringLiteral("findclose"));
    closeButton->setText(QStringLiteral("Close"));
    closeButton->setToolTip(QStringLiteral("Close (Escape)"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(text_, 1);
    row->addWidget(previous_);
    row->addWidget(next_);
    row->addWidget(count_);
    row->addWidget(closeButton);

    connect(text_, &QLineEdit::textChanged, this, &FindBar::search);
    connect(text_, &QLineEdit::returnPressed, this, &FindBar::findPrevious);
    connect(previous_, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(next_, &QToolButton::clicked, this, &FindBar::findNext);
    connect(closeButton, &QToolButton::clicked, this, &FindBar::close);
    hide();
}

void FindBar::open()
{
    // Made on the first open: the button's icon is work no window should pay for at start.
    text_->setClearButtonEnabled(true);
    show();
    text_->setFocus();
    text_->selectAll();
    search();
}

void FindBar::close()
{
    hide();
    matches_.clear();
    current_ = -1;
    view_->markText(0, 0, 0);
    Q_EMIT closed();
}

void FindBar::search()
{
    const ChatDocument* document = view_->document();
    matches_ = document ? findText(document->plainLines(), text_->text()) : QList<TextMatch>();
    // The newest match first: what was said last is what one usually looks for.
    current_ = int(matches_.size()) - 1;
    showCurrent();
}

// Previous goes back in time, towards older lines.
void FindBar::findPrevious()
{
    step(-1);
}

void FindBar::findNext()
{
    step(1);
}

void FindBar::step(int direction)
{
    if (matches_.isEmpty())
        return;
    const int n = int(matches_.size());
    current_ = ((current_ + direction) % n + n) % n;
    showCurrent();
}

void FindBar::showCurrent()
{
    const bool found = current_ >= 0 && current_ < matches_.size();
    if (found) {
        const TextMatch& m = matches_.at(current_);
        view_->markText(m.line, m.from, m.length);
        count_->setText(QString::number(current_ + 1) + QStringLiteral(" of ") +
                        QString::number(matches_.size()));
    } else {
        view_->markText(0, 0, 0);
        count_->setText(text_->text().isEmpty() ? QString() : QStringLiteral("Not found"));
    }
    previous_->setEnabled(matches_.size() > 1);
    next_->setEnabled(matches_.size() > 1);
}

void FindBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
