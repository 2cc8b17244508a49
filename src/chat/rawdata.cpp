#include "chat/rawdata.h"

#include "core/appendfile.h"
#include "core/clock.h"
#include "core/linelog.h"

#include <QDir>
#include <QLocale>

namespace {
const QString RuleLine = QString(55, u'-');
constexpr char16_t CtcpDelimiter = 0x01;
} // namespace

RawData::RawData(QString programFolder, LineLog& status, const Clock& clock, SendLine sendLine,
                 QObject* parent)
    : QObject(parent), programFolder_(std::move(programFolder)), status_(status), clock_(clock),
      sendLine_(std::move(sendLine))
{
}

RawData::~RawData() = default;

void RawData::recordRawLine(const QString& line, const QString& direction)
{
    if (logFile_)
        writeLogLine(line);
    if (showing_)
        Q_EMIT lineShown(line, direction == serverDirection());
}

void RawData::recordSentLine(const QString& line)
{
    if (showing_)
        recordRawLine(line, userDirection());
}

QString RawData::logPath() const
{
    // The folder is "Logs" by name; on a case-sensitive disk the one that exists is used,
    // and a new program folder has "logs".
    const QDir folder(programFolder_);
    QString logs = QStringLiteral("logs");
    if (!folder.exists(QStringLiteral("Logs"))) {
        const QStringList found = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& name : found) {
            if (name.compare(logs, Qt::CaseInsensitive) == 0) {
                logs = name;
                break;
            }
        }
    } else {
        logs = QStringLiteral("Logs");
    }
    return programFolder_ + logs + QStringLiteral("/Quorlraw.txt");
}

bool RawData::setLogging(bool on)
{
    if (on == logging())
        return on;
    if (!on) {
        endLog(QStringLiteral("Raw Logging Terminated ") + timestamp());
        return false;
    }
    const QString path = logPath();
    // Unbuffered: a log is worth most after a crash.
    // A link planted in its place is refused, not followed.
    auto file = std::make_unique<QFile>();
    QString reason;
    const AppendOpen opened = openForAppend(*file, path, &reason);
    if (opened != AppendOpen::Opened) {
        if (opened == AppendOpen::Failed)
            status_.add(QStringLiteral("Can't open the Raw Data log ") + path +
                        QStringLiteral(" (") + reason + QStringLiteral(")"));
        else if (!linkReported_)
            status_.add(QStringLiteral("Not logging to ") + path +
                        QStringLiteral(": it is a symbolic link or not a regular file."));
        linkReported_ = linkReported_ || opened == AppendOpen::Refused;
        Q_EMIT loggingChanged(false);
        return false;
    }
    logFile_ = std::move(file);
    logFilePath_ = path;
    writeLogLine(QStringLiteral("QuorlIRC v2.00 Raw Data Facility"));
    writeLogLine(QStringLiteral("Raw Logging Started ") + timestamp());
    writeLogLine(RuleLine);
    status_.add(QStringLiteral("Raw Logging Enabled."));
    Q_EMIT loggingChanged(logging());
    return logging();
}

void RawData::endLogForShutdown()
{
    if (logging())
        endLog(QStringLiteral("Raw Logging Terminated by Shutdown ") + timestamp());
}

void RawData::endLog(const QString& closingLine)
{
    // The empty line after the closing line parts this block from the next one appended.
    if (!writeLogLine(RuleLine) || !writeLogLine(closingLine + QStringLiteral("\r\n")))
        return;
    const QString path = logFilePath_;
    logFile_.reset();
    status_.add(QStringLiteral("Raw Logging Disabled. (") + path + QStringLiteral(")"));
    Q_EMIT loggingChanged(false);
}

bool RawData::writeLogLine(const QString& text)
{
    if (!logFile_)
        return false;
    const QByteArray bytes = (text + QStringLiteral("\r\n")).toUtf8();
    if (logFile_->write(bytes) == bytes.size())
        return true;
    // A full or vanished disk ends the log rather than failing on every line.
    const QString path = logFilePath_;
    logFile_.reset();
    status_.add(QStringLiteral("Raw Logging Disabled. (") + path + QStringLiteral(")"));
    Q_EMIT loggingChanged(false);
    return false;
}

QString RawData::timestamp() const
{
    // The same stamp as the chat logs: short date, long time without the zone.
    const QDateTime now = clock_.now();
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(u't');
    return locale.toString(now.date(), QLocale::ShortFormat) + QStringLiteral(" at ") +
           locale.toString(now.time(), timeFormat.trimmed());
}

void RawData::clearView()
{
    Q_EMIT viewCleared();
}

void RawData::enableInput()
{
    if (inputEnabled_)
        return;
    inputEnabled_ = true;
    Q_EMIT inputEnabledChanged(true);
}

bool RawData::enterInput(const QString& text)
{
    const QString line = text.trimmed();
    if (line.isEmpty())
        return false;
    if (history_.size() >= MaxHistory)
        history_.removeFirst();
    history_.append(line);
    historyIndex_ = int(history_.size()) - 1;
    sendLine_(rawInputToLine(line));
    return true;
}

std::optional<QString> RawData::historyUp()
{
    if (historyIndex_ < 0)
        return std::nullopt;
    return history_.at(historyIndex_--);
}

QString RawData::historyDown()
{
    if (historyIndex_ < int(history_.size()) - 1)
        return history_.at(++historyIndex_);
    return {};
}

QString RawData::rawInputToLine(const QString& text)
{
    QString line = text;
    line.replace(u'|', QChar(CtcpDelimiter));
    return line;
}
