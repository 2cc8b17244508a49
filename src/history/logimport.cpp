#include "history/logimport.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <algorithm>

namespace {

// A longer line is cut: its first piece may still be read, the rest is no log line.
constexpr qint64 MaxLineBytes = 64 * 1024;
// A step back in the time of day larger than this is the next day.
constexpr int NextDayStepSeconds = 6 * 3600;
// "[HH:mm] "
constexpr int StampLength = 8;

bool isChannelName(const QString& name)
{
    return !name.isEmpty() && QStringLiteral("#&+!").contains(name.at(0));
}

// The date as the locale writes it in short form; a two-digit year is of this century.
QDate readDate(const QString& text)
{
    QDate date = QLocale().toDate(text, QLocale::ShortFormat);
    if (!date.isValid())
        date = QLocale::c().toDate(text, QLocale::ShortFormat);
    if (!date.isValid())
        date = QDate::fromString(text, Qt::ISODate);
    if (date.isValid() && date.year() < 1970)
        date = date.addYears(100);
    return date;
}

// The time of day as the log header writes it: the locale's long form without its zone.
QTime readTime(const QString& text)
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(u't');
    return QLocale().toTime(text, format.trimmed());
}

QTime readStamp(const QString& line)
{
    if (line.size() < StampLength || line.at(0) != u'[' || line.at(3) != u':' ||
        line.at(6) != u']' || line.at(7) != u' ')
        return {};
    const auto digit = [&line](int i) {
        return line.at(i).isDigit() ? line.at(i).digitValue() : -100;
    };
    return QTime(digit(1) * 10 + digit(2), digit(4) * 10 + digit(5));
}

// The nickname a text begins with, up to the character that ends it.
QString leadingNick(const QString& text, int from, QChar end)
{
    const qsizetype stop = text.indexOf(end, from);
    if (stop <= from)
        return {};
    const QString nick = text.mid(from, stop - from);
    return nick.contains(u' ') ? QString() : nick;
}

} // namespace

LogImport::LogImport(Setup setup, QString listPath)
    : setup_(std::move(setup)), listPath_(std::move(listPath))
{
}

LogImport::~LogImport() = default;

bool LogImport::open()
{
    const QDir dir(setup_.folder);
    if (!dir.exists() || !dir.isReadable())
        return false;
    QSet<QString> listed;
    QFile list(listPath_);
    if (list.open(QIODevice::ReadOnly)) {
        for (const QByteArray& name : list.readAll().split('\n'))
            if (!name.isEmpty())
                listed.insert(QString::fromUtf8(name));
    }
    // Links and special files are left alone: a log is a plain file the windows wrote.
    for (const QString& name :
         dir.entryList({QStringLiteral("*.txt")}, QDir::Files | QDir::NoSymLinks, QDir::Name))
        if (!listed.contains(name))
            pending_.append(name);
    return true;
}

bool LogImport::openNext()
{
    while (!pending_.isEmpty()) {
        fileName_ = pending_.takeFirst();
        // "name (network).txt" belongs to that network; a window's name holds no space.
        QString base = fileName_.chopped(4);
        QString network = setup_.network;
        const qsizetype open = base.lastIndexOf(QStringLiteral(" ("));
        if (base.endsWith(u')') && open > 0 && base.size() - open > 3) {
            network = base.mid(open + 2, base.size() - open - 3);
            base.truncate(open);
        }
        if (base.isEmpty() || network.isEmpty())
            continue; // no window or no network to keep its lines under
        const QFileInfo info(QDir(setup_.folder), fileName_);
        auto file = std::make_unique<QFile>(info.filePath());
        if (!info.isFile() || !file->open(QIODevice::ReadOnly))
            continue; // tried again by a later import
        file_ = std::move(file);
        readUpTo_ = info.size();
        fileDate_ = info.lastModified().date();
        ++logsRead_;
        network_ = network;
        fileWindow_ = base;
        window_ = base;
        kind_ = Window::Unknown;
        date_ = fileDate_;
        previous_ = QTime();
        return true;
    }
    return false;
}

bool LogImport::read(std::vector<HistoryLine>& lines, int max)
{
    // Lines passed over count too, so that a step through junk is no longer than another.
    for (int n = 0; n < max;) {
        if (!file_ && !openNext())
            return false;
        const qint64 left = readUpTo_ - file_->pos();
        // readLine keeps a byte of its limit for a terminating zero.
        QByteArray bytes =
            left > 0 ? file_->readLine(std::min(left, MaxLineBytes) + 1) : QByteArray();
        if (bytes.isEmpty()) { // the end, or a read error
            finished_.append(fileName_);
            file_.reset();
            continue;
        }
        ++n;
        if (bytes.contains('\0'))
            continue;
        QString line = QString::fromUtf8(bytes);
        while (line.endsWith(u'\n') || line.endsWith(u'\r'))
            line.chop(1);
        if (line.startsWith(QStringLiteral("Logging Started for "))) {
            readHeader(line);
            continue;
        }
        HistoryLine out;
        if (takeLine(line, out))
            lines.push_back(std::move(out));
    }
    return file_ || !pending_.isEmpty();
}

void LogImport::readHeader(const QString& line)
{
    static const struct
    {
        QLatin1String opening;
        Window kind;
    } openings[] = {
        {QLatin1String("Logging Started for Channel "), Window::Channel},
        {QLatin1String("Logging Started for Private Chat with "), Window::Private},
        {QLatin1String("Logging Started for DCC Chat with "), Window::Dcc},
    };
    for (const auto& o : openings) {
        if (!line.startsWith(o.opening))
            continue;
        // "NAME at DATE at TIME"
        const QStringList parts = line.mid(o.opening.size()).split(QStringLiteral(" at "));
        if (parts.size() < 2 || parts.at(0).isEmpty() || parts.at(0).contains(u' '))
            return;
        kind_ = o.kind;
        // A DCC chat is kept apart from the private chat with the same peer, which logs to
        // the same file.
        window_ = o.kind == Window::Dcc ? u'=' + parts.at(0) : parts.at(0);
        const QDate date = readDate(parts.at(1));
        date_ = date.isValid() ? date : fileDate_;
        // The first line is compared with the time the session began.
        previous_ = date.isValid() && parts.size() > 2 ? readTime(parts.at(2)) : QTime();
        return;
    }
}

bool LogImport::takeLine(const QString& line, HistoryLine& out)
{
    const QTime time = readStamp(line);
    if (!time.isValid() || !date_.isValid())
        return false;
    if (previous_.isValid() && time.secsTo(previous_) > NextDayStepSeconds)
        date_ = date_.addDays(1);
    previous_ = time;
    const Window kind = kind_ != Window::Unknown     ? kind_
                        : isChannelName(fileWindow_) ? Window::Channel
                                                     : Window::Private;
    if (kind != Window::Channel && !setup_.privateChats)
        return false;

    out.network = network_;
    out.window = window_;
    // A local time is looked up once per hour of the log: each lookup asks the system.
    if (date_ != hourDate_ || time.hour() != hour_) {
        hourDate_ = date_;
        hour_ = time.hour();
        hourStartMs_ = QDateTime(date_, QTime(hour_, 0)).toMSecsSinceEpoch();
    }
    out.timeMs = hourStartMs_ + time.minute() * 60000;
    out.text = line.mid(StampLength);
    out.kind = setup_.serverKind;
    const QString& text = out.text;
    // "<nick> said", "* you did" (the user's action), "*nick did" (another's action).
    QString nick;
    if (text.startsWith(u'<'))
        nick = leadingNick(text, 1, u'>');
    else if (text.startsWith(QStringLiteral("* ")))
        nick = leadingNick(text + u' ', 2, u' ');
    else if (text.size() > 1 && text.at(0) == u'*' && text.at(1) != u'*')
        nick = leadingNick(text + u' ', 1, u' ');
    const bool own = !nick.isEmpty() && nick.compare(setup_.ownNickname, Qt::CaseInsensitive) == 0;
    // Another's action has no space after the star; "* nick" is only the user's own.
    if (nick.isEmpty() || (text.startsWith(QStringLiteral("* ")) && !own))
        return true;
    out.sender = nick;
    out.kind = own ? setup_.ownKind : setup_.otherKind;
    return true;
}

void LogImport::markRead()
{
    if (finished_.isEmpty())
        return;
    QFile list(listPath_);
    if (list.open(QIODevice::WriteOnly | QIODevice::Append))
        list.write((finished_.join(u'\n') + u'\n').toUtf8());
    finished_.clear();
}
