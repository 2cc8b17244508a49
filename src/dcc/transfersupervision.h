#pragma once

#include "dcc/transferlist.h"

#include <QString>

class QTcpServer;
class QTcpSocket;

#include <memory>
#include <vector>

// What the supervision of file sends and receives shares: the texts their rows show on
// the way and at the end, and the walk over the transfers that ends some of them.

// "Looking...N sec. to Timeout" for an offer idle for idleMs of its 240 seconds.
QString lookingStatus(qint64 idleMs);
// The row of a transfer that ended well: every byte done, 100%, "Done.".
void showDone(TransferList& list, int row, qint64 size);
// A transfer that never moved a byte shows "n/a" as its rate, not "0".
void rateNotApplicable(TransferList& list, int row);
// Removes the rows whose transfers are over (done, timed out, terminated, failed).
void removeDeadRows(TransferList& list);

// The one connection a transfer's listening socket takes: the next pending one, parented
// to nothing, the listener closed after it. Null, and any extra connection dropped, when
// the transfer already has its connection (haveOne) or none is pending.
QTcpSocket* takeOnlyConnection(QTcpServer& server, bool haveOne);

// Runs step on each transfer; a step that returns true has ended its transfer, which
// finish stops and drops from owned. The walk starts again after each, because what a
// step fires may end others too.
template <typename T, typename Step, typename Finish>
void superviseTransfers(const std::vector<std::unique_ptr<T>>& owned, Step step, Finish finish)
{
    for (bool again = true; again;) {
        again = false;
        for (const auto& p : owned) {
            T* t = p.get();
            if (step(t)) {
                finish(t);
                again = true;
                break;
            }
        }
    }
}
