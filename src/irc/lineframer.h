#pragma once

#include <QByteArray>

// Cuts the received byte stream into lines. A line ends at the first LF; a CR directly
// before that LF is part of the terminator, any other CR stays in the line. Empty lines
// are skipped. A run of more than MaxPendingBytes without a LF is thrown away up to the
// next LF, so a hostile server cannot make the buffer grow without end.
class LineFramer
{
public:
    // A line of 512 bytes after up to 8191 bytes of message tags.
    static constexpr qsizetype MaxPendingBytes = 8191 + 512;

    void append(QByteArrayView bytes);
    // Takes the next complete, non-empty line from the front. False when none is left.
    bool nextLine(QByteArray& line);
    void clear();

    // True once after over-long data was discarded; reading it resets it.
    bool takeDiscardNotice();
    QByteArray pending() const { return buffer_.mid(start_); }
    bool isDiscarding() const { return discarding_; }

private:
    void compact();

    QByteArray buffer_;
    qsizetype start_ = 0;
    bool discarding_ = false;
    bool discardNotice_ = false;
};
