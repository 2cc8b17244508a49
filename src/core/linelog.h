#pragma once

#include <QObject>
#include <QStringList>

// An append-only list of text lines that a view shows with its newest line last.
// The status list and the server's message-of-the-day view are both one of these.
class LineLog : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void add(const QString& line);
    void clear();
    const QStringList& lines() const { return lines_; }
    QString last() const { return lines_.isEmpty() ? QString() : lines_.last(); }
    qsizetype count() const { return lines_.size(); }

Q_SIGNALS:
    void lineAdded(const QString& line);
    void cleared();

private:
    QStringList lines_;
};
