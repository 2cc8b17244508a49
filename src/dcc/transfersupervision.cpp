#include "dcc/transfersupervision.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <initializer_list>

QString lookingStatus(qint64 idleMs)
{
    return QStringLiteral("Looking...") + QString::number(240 - idleMs / 1000) +
           QStringLiteral(" sec. to Timeout");
}

void showDone(TransferList& list, int row, qint64 size)
{
    list.setText(row, TransferRow::Done, QString::number(size));
    list.setText(row, TransferRow::Completed, QStringLiteral("100%"));
    rateNotApplicable(list, row);
    list.setText(row, TransferRow::Status, QStringLiteral("Done."));
}

void rateNotApplicable(TransferList& list, int row)
{
    if (const TransferRow* r = list.row(row);
        r && r->text(TransferRow::Rate) == QStringLiteral("0"))
        list.setText(row, TransferRow::Rate, QStringLiteral("n/a"));
}

void removeDeadRows(TransferList& list)
{
    static const std::initializer_list<QLatin1String> over{
        QLatin1String("Done."), QLatin1String("Timeout"), QLatin1String("Transfer"),
        QLatin1String("Error")};
    QList<int> dead;
    for (const TransferRow& row : list.rows()) {
        const QString& status = row.text(TransferRow::Status);
        if (std::any_of(over.begin(), over.end(),
                        [&status](QLatin1String prefix) { return status.startsWith(prefix); }))
            dead << row.id;
    }
    for (int id : dead)
        list.removeRow(id);
}

QTcpSocket* takeOnlyConnection(QTcpServer& server, bool haveOne)
{
    QTcpSocket* socket = server.nextPendingConnection();
    if (!socket || haveOne) {
        if (socket)
            socket->deleteLater();
        return nullptr;
    }
    socket->setParent(nullptr);
    server.close();
    return socket;
}
