#pragma once

#include "history/historyline.h"

#include <QDate>
#include <QFile>
#include <QStringList>
#include <QTime>

#include <memory>
#include <vector>

// Reads the chat logs of the logs folder as the windows write them, for the history store:
// one file per window, "name.txt" for the first network and "name (network).txt" for
// another; each logging session starts with a header ("Logging Started for Channel #x at
// DATE at TIME", "... for Private Chat with nick ...", "... for DCC Chat with nick ...")
// and a rule, then one line per shown line, "[HH:mm] " before its text.
//
// A line's date: the log lines carry only the time of day, so the date is the one of the
// session header above them, moved on a day each time the time of day goes back by more
// than six hours (a session that ran past midnight; a smaller step back is a line the
// server dated a little earlier, such as a bouncer's playback at the start of a session).
// Lines above any header, or under a header whose date cannot be read, take the date of
// the file's last modification. The time is local, as the log writes it.
//
// A log is read once: the names of the files read to their end are kept in a list beside
// the store (listPath), and a later import leaves them alone. A file is read up to the size
// it had when the import began, so lines the windows log meanwhile stay out. Lines that
// are no log line (binary data, a cut or overlong line) are skipped.
class LogImport
{
public:
    struct Setup
    {
        QString folder;
        QString network;     // the network of the logs whose names carry none
        QString ownNickname; // lines this nickname said are the user's own
        bool privateChats = true;
        // The kinds the windows give their lines.
        int serverKind = 0;
        int otherKind = 1;
        int ownKind = 2;
    };

    LogImport(Setup setup, QString listPath);
    ~LogImport();

    // Lists the logs not read before. False when the folder cannot be read.
    bool open();
    // Reads at most max lines of the logs, appending those that are log lines; false once
    // every log is read to its end.
    bool read(std::vector<HistoryLine>& lines, int max);
    // The lines read so far are in the store: the logs read to their end are listed as
    // imported. A list that cannot be written costs only a second reading, which adds
    // nothing: only lines older than a window's first stored line come in.
    void markRead();
    int logsRead() const { return logsRead_; }

private:
    enum class Window { Unknown, Channel, Private, Dcc };
    bool openNext();
    void readHeader(const QString& line);
    bool takeLine(const QString& line, HistoryLine& out);

    Setup setup_;
    QString listPath_;
    QStringList pending_;  // file names still to read
    QStringList finished_; // read to their end, not yet listed
    int logsRead_ = 0;

    // The log being read.
    std::unique_ptr<QFile> file_;
    QString fileName_;
    qint64 readUpTo_ = 0;
    QString network_;
    QString fileWindow_; // the window the file's name gives
    QDate fileDate_;
    // The session being read.
    QString window_;
    Window kind_ = Window::Unknown;
    QDate date_;
    QTime previous_;
    // Where the hour of the last line began.
    QDate hourDate_;
    int hour_ = -1;
    qint64 hourStartMs_ = 0;
};
