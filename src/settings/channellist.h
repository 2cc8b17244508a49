#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

// What a channel row must pass to be shown: the filter controls of the "Channel List"
// page (CheckBox7 with Edit1, SpinEdit1, SpinEdit3, smutcheck).
struct ChannelFilter
{
    bool keywordOn = false;                      // CheckBox7 "Keyword"
    QString keyword = QStringLiteral("Keyword"); // Edit1, compared trimmed and case-sensitive
    int minimumUsers = 1;                        // SpinEdit1 "Min. Users", 1 to 5000
    int maximumUsers = 500;                      // SpinEdit3 "Max Users", 1 to 5000
    bool removeAdult = false;                    // smutcheck "Remove Adult Themes", down = on
};

// One channel row as the server sent it ("#name 12 :topic"), cut once on arrival.
struct ChannelRow
{
    QString text;  // the reply's parameters as received
    QString key;   // text in lower case: the sort key and what the adult words are sought in
    QString name;  // empty when the row has no blank or no colon after it
    int users = 0; // a count that is not a number counts as 0
    qsizetype topicAt = 0;
    signed char adult = -1; // -1 not yet looked at, else 0 or 1
};

// The channel list (channellist) and its filter: every row received since the last
// request, kept in arrival order for re-filtering, and the rows shown, ordered by their
// text without regard to case. The model has three columns, "Channel", "Users" and
// "Topic"; topics are shown without formatting codes.
//
// Rows are taken only while a list runs: from a list start (321), or from the user's
// request when the server sends rows without one, to the list end (323). Rows that
// come at any other time are dropped, and a list keeps at most maxRows rows.
//
// Rows are gathered and merged into the shown rows in slices from the event loop, so a
// long list and a re-filter never stop the window from painting.
class ChannelList : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Hooks
    {
        std::function<void(const QString&)> sendLine;
        std::function<void(const QString&)> statusLine;
        std::function<bool()> connected;
        // The server's name as taken from the prefix of its first reply.
        std::function<QString()> serverName;
        // The channel count from reply 254; 0 when none arrived.
        std::function<int()> expectedCount;
    };

    explicit ChannelList(QObject* parent = nullptr);
    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // The fixed adult-word list, in its order (125 entries, some twice).
    static const QStringList& adultWords();
    // The row filter. Fills row's name, users and topic position on first use.
    static bool passes(ChannelRow& row, const ChannelFilter& filter);
    static ChannelRow cutRow(const QString& text);
    static bool hasAdultWord(const QString& lowerText);

    // The LIST request: "LIST >min,<max" for undernet servers or with special processing,
    // "LIST" otherwise. Returns the line sent, empty when not connected (nothing is then
    // disabled, since no end of list would ever come).
    QString requestList(bool specialProcessing);
    void setFilter(const ChannelFilter& filter) { filter_ = filter; }
    const ChannelFilter& filter() const { return filter_; }

    // From the numeric replies: 321, 322, 323 and 334 with the reply's parameters after
    // the own nickname.
    void handleReply(int numeric, const QString& parameters);
    // "Re-Filter Channel List": rebuilds the shown rows from the stored rows.
    void refilter();

    bool busy() const { return busy_; }
    bool receiving() const { return receiving_; }
    qsizetype receivedCount() const { return rows_.size(); }
    qsizetype shownCount() const { return shown_.size(); }
    int progress() const { return progress_; }
    int progressMaximum() const { return progressMaximum_; }
    // The channel name of a shown row.
    QString channelAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Rows filtered per slice while re-filtering.
    static constexpr int sliceRows = 4096;
    // Rows between two moves of the gauge while receiving.
    static constexpr int progressStep = 256;
    // How often rows received are merged into the view.
    static constexpr int mergeInterval = 50;
    // Rows kept of one list; the networks with the most channels have a tenth of it.
    static constexpr int maxRows = 250000;

Q_SIGNALS:
    // The buttons and the list view are disabled while busy.
    void busyChanged(bool busy);
    // receiving is true from the list start to its end: the view's text is drawn in the
    // inactive-caption colour meanwhile.
    void receivingChanged(bool receiving);
    void progressChanged(int value, int maximum);

private:
    void startList();
    void addRow(const QString& text);
    void endList();
    void setBusy(bool busy);
    void setProgress(int value);
    void mergeTick();
    void mergePending();
    void refilterSlice();
    void buildOrder();
    void finish();
    bool lessThan(int a, int b) const;

    Hooks hooks_;
    ChannelFilter filter_;
    std::vector<ChannelRow> rows_; // arrival order
    std::vector<int> shown_;       // indices into rows_, sorted
    std::vector<int> pending_;     // passed, not yet merged into shown_
    std::vector<int> walked_;      // passed in a re-filter's walk, in name order
    std::vector<int> order_;       // every row received, sorted; built at the end of a list
    QTimer mergeTimer_;
    QTimer refilterTimer_;
    qsizetype refilterAt_ = -1; // next stored row to filter; -1 when not re-filtering
    bool busy_ = false;
    bool receiving_ = false;
    bool requested_ = false; // a request waits for its list
    qsizetype dropped_ = 0;  // rows of this list beyond maxRows
    int progress_ = 0;
    int progressMaximum_ = 60000;
};

// The "Favorite Channels" entries: a channel name, or a name, "  -  " and a description.
namespace Favourites {
// "Join": the channel with its key, "#" in front when missing; empty when no channel.
QString joinText(const QString& channel, const QString& password);
// "Add to Favorites": the entry to add; empty when no channel.
QString entry(const QString& channel, const QString& description);
// The channel an entry joins: its text up to the first blank.
QString channelOf(const QString& entry);
// "Invite": the line to send, empty when a field is empty.
QString inviteLine(const QString& nickname, const QString& channel);
} // namespace Favourites
