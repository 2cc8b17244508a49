#include "irc/lineframer.h"

#include <cstring>

void LineFramer::append(QByteArrayView bytes)
{
    buffer_.append(bytes.data(), bytes.size());
}

bool LineFramer::nextLine(QByteArray& line)
{
    for (;;) {
        const qsizetype lf = buffer_.indexOf('\n', start_);
        if (lf < 0) {
            // One byte of slack: a CR at the end may be the start of the terminator.
            if (discarding_ || buffer_.size() - start_ > MaxPendingBytes + 1) {
                if (!discarding_)
                    discardNotice_ = true;
                discarding_ = true;
                buffer_.clear();
                start_ = 0;
            }
            compact();
            return false;
        }
        const qsizetype begin = start_;
        start_ = lf + 1;
        qsizetype end = lf;
        // The CR belongs to the terminator only when it is the first CR of the line and
        // stands right before the LF.
        if (lf > begin && buffer_.at(lf - 1) == '\r' &&
            std::memchr(buffer_.constData() + begin, '\r', lf - 1 - begin) == nullptr)
            end = lf - 1;
        if (discarding_ || end - begin > MaxPendingBytes) {
            if (!discarding_)
                discardNotice_ = true;
            discarding_ = false;
            continue;
        }
        if (end == begin)
            continue;
        line = buffer_.mid(begin, end - begin);
        return true;
    }
}

void LineFramer::clear()
{
    buffer_.clear();
    start_ = 0;
    discarding_ = false;
    discardNotice_ = false;
}

bool LineFramer::takeDiscardNotice()
{
    const bool notice = discardNotice_;
    discardNotice_ = false;
    return notice;
}

void LineFramer::compact()
{
    if (start_ == 0)
        return;
    if (start_ >= buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    } else if (start_ > 4096 && start_ * 2 > buffer_.size()) {
        buffer_.remove(0, start_);
        start_ = 0;
    }
}
