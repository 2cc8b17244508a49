#include "settings/channellist.h"

#include "core/formatting.h"
#include "irc/outbound.h"

#include <algorithm>
#include <array>

namespace {
constexpr int ListStart = 321;
constexpr int ListRow = 322;
constexpr int ListEnd = 323;
constexpr int ListDenied = 334;

// Words grouped by their first character, so a row is looked at once per position.
struct AdultIndex
{
    std::array<std::vector<QString>, 128> byFirst;
    AdultIndex()
    {
        for (const QString& word : ChannelList::adultWords())
            byFirst[word.at(0).unicode() & 0x7f].push_back(word);
    }
};

const AdultIndex& adultIndex()
{
    static const AdultIndex index;
    return index;
}
} // namespace

const QStringList& ChannelList::adultWords()
{
    static const QStringList words =
        QStringLiteral(
            "sex|bi|pics|gay|flirt|ass|hot|anal|adult|jac|bdsm|porn|perv|suck|slave|avi|fuck|"
            "pix|jpg|naked|xxx|swing|lez|lover|cuseeme|butt|69|pictures|cum|gang|blow|shit|lick|"
            "sux|fantasy|horny|spank|slut|strip|swap|hung|nude|lesbian|fag|masturbate|bi-|bis|"
            "bic|gif|bif|bim|rape|bang|subdom|pedo|breast|bear|orgy|femdom|piss|pee|affair|"
            "subfem|babe|pillow|leather|fetish|whip|heels|voyeur|dork|dick|cock|dyke|lingerie|"
            "cunt|twat|dildo|orgasm|masterbate|jerk|transvestite|pedo|bsdm|incest|indecent|"
            "necro|scat|penis|tits|pussy|orgy|bitch|smut|fserv|exhibitioni|bifem|passion|sodom|"
            "dirty|submi|amazon|latex|erotic|beastiality|lingerie|centerfold|balls|scrotum|"
            "testicle|bondage|oral|uncut|urine|nudi|boink|homo|brothel|whore|enema|escort|"
            "prostit|shit|stud |titt")
            .split(u'|');
    return words;
}

bool ChannelList::hasAdultWord(const QString& lowerText)
{
    const AdultIndex& index = adultIndex();
    const QChar* text = lowerText.constData();
    const qsizetype length = lowerText.size();
    for (qsizetype at = 0; at < length; ++at) {
        const char16_t c = text[at].unicode();
        if (c >= 128)
            continue;
        for (const QString& word : index.byFirst[c]) {
            if (length - at >= word.size() &&
                QStringView(text + at, word.size()) == QStringView(word))
                return true;
        }
    }
    return false;
}

ChannelRow ChannelList::cutRow(const QString& text)
{
    ChannelRow row;
    row.text = text;
    row.key = text.toLower();
    const qsizetype blank = text.indexOf(u' ');
    if (blank < 0)
        return row;
    const qsizetype colon = text.indexOf(u':', blank + 1);
    if (colon < 0)
        return row;
    row.name = text.left(blank).trimmed();
    bool ok = false;
    row.users = QStringView(text).mid(blank + 1, colon - blank - 1).trimmed().toInt(&ok);
    if (!ok)
        row.users = 0;
    row.topicAt = colon + 1;
    return row;
}

bool ChannelList::passes(ChannelRow& row, const ChannelFilter& filter)
{
    if (filter.keywordOn && !row.text.contains(filter.keyword.trimmed()))
        return false;
    if (row.name.size() < 2)
        return false;
    if (row.users < filter.minimumUsers || row.users > filter.maximumUsers)
        return false;
    if (filter.removeAdult) {
        if (row.adult < 0)
            row.adult = hasAdultWord(row.key) ? 1 : 0;
        if (row.adult)
            return false;
    }
    return true;
}

ChannelList::ChannelList(QObject* parent) : QAbstractTableModel(parent)
{
    mergeTimer_.setSingleShot(true);
    mergeTimer_.setInterval(mergeInterval);
    connect(&mergeTimer_, &QTimer::timeout, this, &ChannelList::mergeTick);
    refilterTimer_.setInterval(0);
    connect(&refilterTimer_, &QTimer::timeout, this, &ChannelList::refilterSlice);
}

QString ChannelList::requestList(bool specialProcessing)
{
    if (hooks_.connected && !hooks_.connected())
        return {};
    const QString server = hooks_.serverName ? hooks_.serverName() : QString();
    const QString line = server.toLower().contains(QLatin1String("undernet")) || specialProcessing
                             ? Outbound::list(filter_.minimumUsers, filter_.maximumUsers)
                             : Outbound::list();
    setBusy(true);
    requested_ = true;
    if (hooks_.sendLine)
        hooks_.sendLine(line);
    return line;
}

void ChannelList::handleReply(int numeric, const QString& parameters)
{
    switch (numeric) {
    case ListStart:
        startList();
        return;
    case ListRow:
        // Rows count only while a list runs: from its start, or from the request when
        // the server sends no start.
        if (!receiving_ && requested_)
            startList();
        if (receiving_)
            addRow(parameters);
        return;
    case ListEnd:
        if (!receiving_ && requested_)
            startList(); // an empty list
        if (receiving_)
            endList();
        return;
    case ListDenied:
        // No list follows a refusal: the buttons must not wait for one.
        if (!receiving_) {
            requested_ = false;
            if (refilterAt_ < 0)
                setBusy(false);
        }
        return;
    default:
        return;
    }
}

void ChannelList::startList()
{
    refilterTimer_.stop();
    refilterAt_ = -1;
    mergeTimer_.stop();
    setBusy(true);
    progressMaximum_ =
        hooks_.expectedCount && hooks_.expectedCount() > 0 ? hooks_.expectedCount() : 60000;
    setProgress(0);
    beginResetModel();
    rows_.clear();
    shown_.clear();
    pending_.clear();
    order_.clear();
    endResetModel();
    requested_ = false;
    dropped_ = 0;
    receiving_ = true;
    Q_EMIT receivingChanged(true);
    if (hooks_.statusLine)
        hooks_.statusLine(QStringLiteral("Receiving Channel List..."));
}

void ChannelList::addRow(const QString& text)
{
    if (rows_.size() >= size_t(maxRows)) {
        if (dropped_++ == 0 && hooks_.statusLine)
            hooks_.statusLine(QStringLiteral("The Channel List is kept to its first ") +
                              QString::number(maxRows) + QStringLiteral(" Channels."));
        return;
    }
    rows_.push_back(cutRow(text));
    // The gauge moves in steps: a signal per row would cost more than the row itself.
    if (rows_.size() % progressStep == 0)
        setProgress(int(rows_.size()));
    // A re-filter under way reaches the new row in its walk.
    if (refilterAt_ >= 0)
        return;
    if (passes(rows_.back(), filter_)) {
        pending_.push_back(int(rows_.size() - 1));
        if (!mergeTimer_.isActive())
            mergeTimer_.start();
    }
}

void ChannelList::endList()
{
    if (refilterAt_ >= 0) {
        // The walk still runs; it finishes the list itself.
        return;
    }
    finish();
}

bool ChannelList::lessThan(int a, int b) const
{
    const int c = QStringView(rows_[size_t(a)].key).compare(QStringView(rows_[size_t(b)].key));
    return c != 0 ? c < 0 : a < b;
}

void ChannelList::mergeTick()
{
    // Merging costs the whole shown list: while rows keep coming, merge only once the new
    // rows are a good share of it, so a long list is merged a few times, not hundreds.
    if (pending_.size() * 4 < shown_.size()) {
        mergeTimer_.start();
        return;
    }
    mergePending();
}

void ChannelList::mergePending()
{
    mergeTimer_.stop();
    if (pending_.empty())
        return;
    const auto less = [this](int a, int b) { return lessThan(a, b); };
    std::sort(pending_.begin(), pending_.end(), less);
    if (shown_.empty()) {
        beginInsertRows({}, 0, int(pending_.size()) - 1);
        shown_.swap(pending_);
        endInsertRows();
    } else {
        Q_EMIT layoutAboutToBeChanged();
        const size_t middle = shown_.size();
        shown_.insert(shown_.end(), pending_.begin(), pending_.end());
        std::inplace_merge(shown_.begin(), shown_.begin() + qsizetype(middle), shown_.end(), less);
        // Rows are only added, the view is disabled meanwhile: nothing persistent to move.
        Q_EMIT layoutChanged();
    }
    pending_.clear();
}

void ChannelList::refilter()
{
    if (refilterAt_ >= 0)
        return;
    mergeTimer_.stop();
    setBusy(true);
    beginResetModel();
    shown_.clear();
    pending_.clear();
    endResetModel();
    progressMaximum_ = std::max(1, int(rows_.size()));
    setProgress(0);
    if (hooks_.statusLine)
        hooks_.statusLine(QStringLiteral("Sorting Channel List..."));
    walked_.clear();
    walked_.reserve(rows_.size());
    refilterAt_ = 0;
    refilterTimer_.start();
}

void ChannelList::refilterSlice()
{
    const qsizetype end = std::min<qsizetype>(refilterAt_ + sliceRows, qsizetype(rows_.size()));
    const ChannelFilter filter = filter_;
    // Rows are walked in name order while an order of them all is known, so the passing
    // rows come out sorted; rows that arrived after it are walked by arrival.
    const qsizetype ordered = qsizetype(order_.size());
    for (qsizetype i = refilterAt_; i < end; ++i) {
        const int row = i < ordered ? order_[size_t(i)] : int(i);
        if (passes(rows_[size_t(row)], filter)) {
            if (i < ordered)
                walked_.push_back(row);
            else
                pending_.push_back(row);
        }
    }
    refilterAt_ = end;
    setProgress(int(end));
    if (refilterAt_ < qsizetype(rows_.size()))
        return;
    refilterTimer_.stop();
    refilterAt_ = -1;
    beginResetModel();
    shown_.swap(walked_);
    walked_.clear();
    endResetModel();
    finish();
}

void ChannelList::buildOrder()
{
    // The shown rows are sorted already: sort the others and merge the two.
    std::vector<char> isShown(rows_.size(), 0);
    for (int row : shown_)
        isShown[size_t(row)] = 1;
    std::vector<int> others;
    others.reserve(rows_.size() - shown_.size());
    for (int row = 0; row < int(rows_.size()); ++row) {
        if (!isShown[size_t(row)])
            others.push_back(row);
    }
    const auto less = [this](int a, int b) { return lessThan(a, b); };
    std::sort(others.begin(), others.end(), less);
    order_.clear();
    order_.reserve(rows_.size());
    std::merge(shown_.begin(), shown_.end(), others.begin(), others.end(),
               std::back_inserter(order_), less);
}

void ChannelList::finish()
{
    mergePending();
    if (receiving_)
        buildOrder();
    setProgress(progressMaximum_);
    if (hooks_.statusLine)
        hooks_.statusLine(QStringLiteral("Channel List Ready (") + QString::number(shown_.size()) +
                          QStringLiteral(" of ") + QString::number(rows_.size()) +
                          QStringLiteral(" Channels shown)."));
    if (receiving_) {
        receiving_ = false;
        Q_EMIT receivingChanged(false);
    }
    setBusy(false);
}

void ChannelList::setBusy(bool busy)
{
    if (busy_ == busy)
        return;
    busy_ = busy;
    Q_EMIT busyChanged(busy);
}

void ChannelList::setProgress(int value)
{
    progress_ = std::min(value, progressMaximum_);
    Q_EMIT progressChanged(progress_, progressMaximum_);
}

QString ChannelList::channelAt(int row) const
{
    if (row < 0 || row >= int(shown_.size()))
        return {};
    return rows_[size_t(shown_[size_t(row)])].name;
}

int ChannelList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(shown_.size());
}

int ChannelList::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant ChannelList::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= int(shown_.size()))
        return {};
    const ChannelRow& row = rows_[size_t(shown_[size_t(index.row())])];
    switch (index.column()) {
    case 0:
        return row.name;
    case 1:
        return QString::number(row.users);
    case 2:
        return stripFormatting(row.text.mid(row.topicAt));
    default:
        return {};
    }
}

QVariant ChannelList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const captions[] = {"Channel", "Users", "Topic"};
    return section >= 0 && section < 3 ? QVariant(QString::fromLatin1(captions[section]))
                                       : QVariant();
}

namespace Favourites {
QString joinText(const QString& channel, const QString& password)
{
    QString text = channel.trimmed();
    if (text.isEmpty())
        return {};
    if (!password.trimmed().isEmpty())
        text += u' ' + password.trimmed();
    if (!text.startsWith(u'#'))
        text.prepend(u'#');
    return text;
}

QString entry(const QString& channel, const QString& description)
{
    QString name = channel.trimmed();
    if (name.isEmpty())
        return {};
    if (!name.startsWith(u'#'))
        name.prepend(u'#');
    const QString about = description.trimmed();
    return about.isEmpty() ? name : name + QStringLiteral("  -  ") + about;
}

QString channelOf(const QString& entry)
{
    const qsizetype blank = entry.indexOf(u' ');
    return blank < 0 ? entry : entry.left(blank);
}

QString inviteLine(const QString& nickname, const QString& channel)
{
    const QString nick = nickname.trimmed();
    const QString name = channel.trimmed();
    if (nick.isEmpty() || name.isEmpty())
        return {};
    return Outbound::invite(nick, name);
}
} // namespace Favourites
