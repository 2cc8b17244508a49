#pragma once

#include <QFile>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class LineLog;

// The raw data facility: every protocol line exchanged with the server, shown on the
// "Raw Data" page while its show toggle is down and written to Quorlraw.txt while the
// raw log is on; and the raw input line that sends what the user types unchanged.
class RawData : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype MaxHistory = 99;
    static constexpr int MaxInputLength = 250;

    using SendLine = std::function<void(const QString& line)>;

    RawData(QString programFolder, LineLog& status, const Clock& clock, SendLine sendLine,
            QObject* parent = nullptr);
    ~RawData() override;

    static QString serverDirection() { return QStringLiteral("server"); }
    static QString userDirection() { return QStringLiteral("user"); }

    // direction is serverDirection() for a received line, userDirection() for a sent one.
    // The line goes to the log while it is on, and to the view while it is shown.
    void recordRawLine(const QString& line, const QString& direction);
    // A line the session sent: recorded, to the log as well, only while the view is
    // shown, so a flood with the view off costs nothing.
    void recordSentLine(const QString& line);

    // rawbuttonshow
    bool showing() const { return showing_; }
    void setShowing(bool show) { showing_ = show; }

    // rawbuttonlog. Returns whether the log is on afterwards.
    bool logging() const { return logFile_ != nullptr; }
    bool setLogging(bool on);
    // The session ended or the program closes: the log ends with its own closing line.
    void endLogForShutdown();
    // Where the raw log is: Quorlraw.txt in the program folder's Logs folder, whatever the
    // case of its name on disk.
    QString logPath() const;

    // rawbuttonclear, and every new connection attempt.
    void clearView();

    // The raw input line is disabled until the first connection succeeds.
    bool inputEnabled() const { return inputEnabled_; }
    void enableInput();
    // Enter in the raw input. False when the text is blank and nothing happened, so the
    // box keeps it; otherwise the box is to be emptied.
    bool enterInput(const QString& text);
    // Up and Down walk the lines entered before. Up gives nothing when there is nothing
    // older to show; Down gives an empty text past the newest line.
    std::optional<QString> historyUp();
    QString historyDown();
    const QStringList& history() const { return history_; }
    int historyIndex() const { return historyIndex_; }

    // The line sent for a typed raw line: "|" stands for the CTCP delimiter.
    static QString rawInputToLine(const QString& text);

Q_SIGNALS:
    void lineShown(const QString& line, bool fromServer);
    void viewCleared();
    void loggingChanged(bool on);
    void inputEnabledChanged(bool enabled);

private:
    bool writeLogLine(const QString& text);
    void endLog(const QString& closingLine);
    QString timestamp() const;

    QString programFolder_;
    LineLog& status_;
    const Clock& clock_;
    SendLine sendLine_;
    bool showing_ = false;
    std::unique_ptr<QFile> logFile_;
    QString logFilePath_;
    bool linkReported_ = false; // a refused link is said once
    bool inputEnabled_ = false;
    QStringList history_;
    int historyIndex_ = -1;
};
