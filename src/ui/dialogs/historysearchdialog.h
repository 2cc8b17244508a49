#pragma once

#include "history/historyline.h"

#include <QDialog>

class HistoryStore;
class QLabel;
class QLineEdit;
class QTreeWidget;

// Search over every window's stored lines: what is typed is read as a history query
// (words, "phrases", from:, in:, net:, after:, before:); the results list newest first
// with their time, network, window and line, the searched words in bold. Activating a
// result asks for its window.
class HistorySearchDialog : public QDialog
{
    Q_OBJECT
public:
    // Without a store the dialog says that history is off.
    HistorySearchDialog(HistoryStore* store, QWidget* parent = nullptr);

    QLineEdit* edit() const { return edit_; }
    QTreeWidget* results() const { return results_; }

Q_SIGNALS:
    void windowWanted(const QString& network, const QString& window, qint64 row);

private:
    void search();
    void showMatches(quint64 request, const QList<HistoryMatch>& matches);

    HistoryStore* store_;
    QLineEdit* edit_;
    QTreeWidget* results_;
    QLabel* state_;
    quint64 request_ = 0;
};
