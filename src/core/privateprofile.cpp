#include "core/privateprofile.h"

#include <QFile>
#include <QHashFunctions>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
const QByteArray utf8BomBytes("\xEF\xBB\xBF");

QString decode(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

QString oneLine(QString text)
{
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

char16_t lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char16_t(c + ('a' - 'A')) : char16_t(uchar(c));
}

// A name as it compares without regard to case.
QString folded(QByteArrayView bytes)
{
    if (!isAscii(bytes))
        return decode(bytes).toCaseFolded();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = lowerAscii(bytes[i]);
    return text;
}

bool sameFolded(QByteArrayView bytes, QStringView wanted)
{
    if (!isAscii(bytes))
        return folded(bytes) == wanted;
    if (bytes.size() != wanted.size())
        return false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (lowerAscii(bytes[i]) != wanted[i].unicode())
            return false;
    }
    return true;
}

quint32 nameHash(QStringView foldedName)
{
    return quint32(qHash(foldedName, QHashSeed::globalSeed()));
}

// The parts of a line, as the line's kind says it has them.
QByteArrayView sectionName(QByteArrayView raw)
{
    const QByteArrayView text = raw.trimmed();
    qsizetype close = text.indexOf(']');
    if (close < 0)
        close = text.size();
    return text.sliced(1, close - 1).trimmed();
}

QByteArrayView keyName(QByteArrayView raw)
{
    const QByteArrayView text = raw.trimmed();
    return text.first(text.indexOf('=')).trimmed();
}

QByteArrayView keyValue(QByteArrayView raw)
{
    const QByteArrayView text = raw.trimmed();
    return text.sliced(text.indexOf('=') + 1).trimmed();
}
} // namespace

// --- name tables ---------------------------------------------------------------------

namespace {
template <typename Table> void resizeTable(Table& table, size_t size, auto hashOf)
{
    std::vector<quint32> old;
    old.swap(table.slots);
    table.slots.assign(size, 0);
    const size_t mask = size - 1;
    for (const quint32 slot : old) {
        if (slot == 0)
            continue;
        size_t i = hashOf(slot - 1) & mask;
        while (table.slots[i] != 0)
            i = (i + 1) & mask;
        table.slots[i] = slot;
    }
}

template <typename Table> void reserveTable(Table& table, qsizetype count, auto hashOf)
{
    size_t size = 8;
    while (size < size_t(count) * 2)
        size *= 2;
    if (size > table.slots.size())
        resizeTable(table, size, hashOf);
}

// The slot holding the entry that matches, or -1.
template <typename Table> qsizetype findSlot(const Table& table, quint32 hash, auto matches)
{
    if (table.slots.empty())
        return -1;
    const size_t mask = table.slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const quint32 slot = table.slots[i];
        if (slot == 0)
            return -1;
        if (matches(slot - 1))
            return qsizetype(i);
    }
}

template <typename Table> void insertEntry(Table& table, quint32 hash, quint32 entry, auto hashOf)
{
    reserveTable(table, table.count + 1, hashOf);
    const size_t mask = table.slots.size() - 1;
    size_t i = hash & mask;
    while (table.slots[i] != 0)
        i = (i + 1) & mask;
    table.slots[i] = entry + 1;
    ++table.count;
}

// Empties a slot and moves later entries of its run back, so every entry stays
// reachable from its home slot.
template <typename Table> void removeSlot(Table& table, qsizetype slot, auto hashOf)
{
    const size_t mask = table.slots.size() - 1;
    size_t hole = size_t(slot);
    for (size_t j = (hole + 1) & mask; table.slots[j] != 0; j = (j + 1) & mask) {
        const size_t home = hashOf(table.slots[j] - 1) & mask;
        const bool stays = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
        if (!stays) {
            table.slots[hole] = table.slots[j];
            hole = j;
        }
    }
    table.slots[hole] = 0;
    --table.count;
}
} // namespace

// --- the document --------------------------------------------------------------------

PrivateProfile::Section::Section(const Section& other)
    : header(other.header), count(other.count), hash(other.hash), next(other.next)
{
    // The key index is made again when needed.
    if (other.extra && other.extra->ownsLines) {
        extra = std::make_unique<Extra>();
        extra->ownsLines = true;
        extra->header = other.extra->header;
        extra->body = other.extra->body;
    }
}

PrivateProfile::Section& PrivateProfile::Section::operator=(const Section& other)
{
    if (this != &other)
        *this = Section(other);
    return *this;
}

PrivateProfile::PrivateProfile() = default;
PrivateProfile::PrivateProfile(const PrivateProfile& other) = default;
PrivateProfile& PrivateProfile::operator=(const PrivateProfile& other) = default;
PrivateProfile::PrivateProfile(PrivateProfile&& other) noexcept = default;
PrivateProfile& PrivateProfile::operator=(PrivateProfile&& other) noexcept = default;
PrivateProfile::~PrivateProfile() = default;

PrivateProfile::PrivateProfile(const QString& fileName)
{
    load(fileName);
}

bool PrivateProfile::load(const QString& fileName)
{
    fileName_ = fileName;
    setBytes(QByteArray());
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    setBytes(file.readAll());
    return true;
}

bool PrivateProfile::save(const QString& fileName) const
{
    const QString target = fileName.isEmpty() ? fileName_ : fileName;
    if (target.isEmpty())
        return false;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(toBytes());
    return file.commit();
}

void PrivateProfile::setBytes(const QByteArray& bytes)
{
    text_ = bytes;
    owned_.clear();
    lines_.clear();
    preamble_ = 0;
    sections_.clear();
    sectionNames_ = {};
    utf8Bom_ = bytes.startsWith(utf8BomBytes);

    const char* data = text_.constData();
    const qint64 end = text_.size();
    qint64 at = utf8Bom_ ? utf8BomBytes.size() : 0;
    lines_.reserve(size_t(std::count(data + at, data + end, '\n') + 1));
    while (at < end) {
        const void* found = std::memchr(data + at, '\n', size_t(end - at));
        const qint64 stop = found ? static_cast<const char*>(found) - data : end;
        qint64 size = stop - at;
        // A final line break does not begin one more line; CR LF ends a line too.
        if (size > 0 && data[at + size - 1] == '\r')
            --size;
        const QByteArrayView raw(data + at, size);
        const Kind kind = kindOf(raw);
        if (size < qint64(std::numeric_limits<quint32>::max()))
            lines_.push_back(Line{at, quint32(size), kind});
        else
            lines_.push_back(ownedLine(raw.toByteArray(), kind));
        if (kind == Kind::Section) {
            Section section;
            section.header = qsizetype(lines_.size() - 1);
            sections_.push_back(std::move(section));
        } else if (sections_.empty()) {
            ++preamble_;
        } else {
            ++sections_.back().count;
        }
        at = stop + 1;
    }

    // Sections of one name are chained in file order; the index holds the first.
    const auto hashOf = [this](quint32 entry) { return sections_[entry].hash; };
    reserveTable(sectionNames_, qsizetype(sections_.size()), hashOf);
    for (qsizetype n = qsizetype(sections_.size()) - 1; n >= 0; --n) {
        Section& section = sections_[size_t(n)];
        const QString name = folded(sectionName(bytesOf(headerOf(section))));
        section.hash = nameHash(name);
        const qsizetype slot = findSlot(sectionNames_, section.hash, [&](quint32 entry) {
            return sections_[entry].hash == section.hash &&
                   sameFolded(sectionName(bytesOf(headerOf(sections_[entry]))), name);
        });
        if (slot >= 0) {
            section.next = sectionNames_.slots[size_t(slot)] - 1;
            sectionNames_.slots[size_t(slot)] = quint32(n) + 1;
        } else {
            section.next = None;
            insertEntry(sectionNames_, section.hash, quint32(n), hashOf);
        }
    }
}

QByteArray PrivateProfile::toBytes() const
{
    QByteArray out;
    out.reserve(text_.size() + qsizetype(lines_.size()) + 64);
    if (utf8Bom_)
        out += utf8BomBytes;
    const auto write = [&out, this](const Line& line) {
        if (line.kind == Kind::Removed)
            return;
        out += bytesOf(line);
        out += "\r\n";
    };
    for (qsizetype i = 0; i < preamble_; ++i)
        write(lines_[size_t(i)]);
    for (const Section& section : sections_) {
        if (section.count < 0)
            continue;
        write(headerOf(section));
        const Body body = bodyOf(section);
        for (qsizetype i = 0; i < body.size; ++i)
            write(body.lines[i]);
    }
    return out;
}

PrivateProfile::Kind PrivateProfile::kindOf(QByteArrayView raw)
{
    const QByteArrayView text = raw.trimmed();
    if (text.startsWith('['))
        return Kind::Section;
    if (text.startsWith(';'))
        return Kind::Other;
    const qsizetype eq = text.indexOf('=');
    if (eq <= 0 || text.first(eq).trimmed().isEmpty())
        return Kind::Other;
    return Kind::Key;
}

QByteArrayView PrivateProfile::bytesOf(const Line& line) const
{
    if (line.at < 0)
        return owned_[size_t(-1 - line.at)];
    return QByteArrayView(text_.constData() + line.at, line.size);
}

const PrivateProfile::Line& PrivateProfile::headerOf(const Section& section) const
{
    if (section.extra && section.extra->ownsLines)
        return section.extra->header;
    return lines_[size_t(section.header)];
}

PrivateProfile::Body PrivateProfile::bodyOf(const Section& section) const
{
    if (section.extra && section.extra->ownsLines)
        return {section.extra->body.data(), qsizetype(section.extra->body.size())};
    // The loaded lines change only in place: a value replaced, a key removed.
    Line* first = const_cast<Line*>(lines_.data()) + section.header + 1;
    return {first, section.count};
}

PrivateProfile::Extra& PrivateProfile::extraOf(const Section& section) const
{
    if (!section.extra)
        section.extra = std::make_unique<Extra>();
    return *section.extra;
}

std::vector<PrivateProfile::Line>& PrivateProfile::ownBody(Section& section)
{
    Extra& extra = extraOf(section);
    if (!extra.ownsLines) {
        const auto first = lines_.begin() + section.header;
        extra.header = *first;
        extra.body.assign(first + 1, first + 1 + section.count);
        extra.ownsLines = true;
    }
    return extra.body;
}

PrivateProfile::Line PrivateProfile::ownedLine(const QByteArray& raw, Kind kind)
{
    owned_.push_back(raw);
    return Line{-qint64(owned_.size()), 0, kind};
}

void PrivateProfile::setLineBytes(Line& line, const QByteArray& raw)
{
    if (line.at < 0)
        owned_[size_t(-1 - line.at)] = raw;
    else
        line = ownedLine(raw, line.kind);
}

quint32 PrivateProfile::findSection(const QString& section) const
{
    const QString wanted = section.trimmed().toCaseFolded();
    const quint32 hash = nameHash(wanted);
    const qsizetype slot = findSlot(sectionNames_, hash, [&](quint32 entry) {
        return sections_[entry].hash == hash &&
               sameFolded(sectionName(bytesOf(headerOf(sections_[entry]))), wanted);
    });
    return slot < 0 ? None : sectionNames_.slots[size_t(slot)] - 1;
}

void PrivateProfile::addSectionToIndex(quint32 number)
{
    Section& section = sections_[number];
    const QString name = folded(sectionName(bytesOf(headerOf(section))));
    section.hash = nameHash(name);
    section.next = None;
    const qsizetype slot = findSlot(sectionNames_, section.hash, [&](quint32 entry) {
        return sections_[entry].hash == section.hash &&
               sameFolded(sectionName(bytesOf(headerOf(sections_[entry]))), name);
    });
    if (slot < 0) {
        insertEntry(sectionNames_, section.hash, number,
                    [this](quint32 entry) { return sections_[entry].hash; });
        return;
    }
    quint32 last = sectionNames_.slots[size_t(slot)] - 1;
    while (sections_[last].next != None)
        last = sections_[last].next;
    sections_[last].next = number;
}

const PrivateProfile::KeyIndex& PrivateProfile::keyIndex(const Section& section) const
{
    Extra& extra = extraOf(section);
    if (extra.keys)
        return *extra.keys;
    extra.keys = std::make_unique<KeyIndex>();
    KeyIndex& index = *extra.keys;
    const Body body = bodyOf(section);
    index.next.assign(size_t(body.size), None);
    index.hash.assign(size_t(body.size), 0);
    const auto hashOf = [&index](quint32 entry) { return index.hash[entry]; };
    qsizetype keyLines = 0;
    for (qsizetype i = 0; i < body.size; ++i)
        keyLines += body.lines[i].kind == Kind::Key ? 1 : 0;
    reserveTable(index.table, keyLines, hashOf);
    // Keys of one name are chained in file order; the index holds the first.
    for (qsizetype i = body.size - 1; i >= 0; --i) {
        if (body.lines[i].kind != Kind::Key)
            continue;
        const QString name = folded(keyName(bytesOf(body.lines[i])));
        const quint32 hash = nameHash(name);
        index.hash[size_t(i)] = hash;
        const qsizetype slot = findSlot(index.table, hash, [&](quint32 entry) {
            return index.hash[entry] == hash &&
                   sameFolded(keyName(bytesOf(body.lines[entry])), name);
        });
        if (slot >= 0) {
            index.next[size_t(i)] = index.table.slots[size_t(slot)] - 1;
            index.table.slots[size_t(slot)] = quint32(i) + 1;
        } else {
            insertEntry(index.table, hash, quint32(i), hashOf);
        }
    }
    return index;
}

quint32 PrivateProfile::findKey(const Section& section, const QString& key) const
{
    const KeyIndex& index = keyIndex(section);
    const Body body = bodyOf(section);
    const QString wanted = key.trimmed().toCaseFolded();
    const quint32 hash = nameHash(wanted);
    const qsizetype slot = findSlot(index.table, hash, [&](quint32 entry) {
        return index.hash[entry] == hash && sameFolded(keyName(bytesOf(body.lines[entry])), wanted);
    });
    return slot < 0 ? None : index.table.slots[size_t(slot)] - 1;
}

void PrivateProfile::addKeyToIndex(const Section& section, quint32 line)
{
    KeyIndex& index = *extraOf(section).keys;
    const Body body = bodyOf(section);
    const QString name = folded(keyName(bytesOf(body.lines[line])));
    const quint32 hash = nameHash(name);
    index.hash[line] = hash;
    const qsizetype slot = findSlot(index.table, hash, [&](quint32 entry) {
        return index.hash[entry] == hash && sameFolded(keyName(bytesOf(body.lines[entry])), name);
    });
    if (slot < 0) {
        insertEntry(index.table, hash, line, [&index](quint32 entry) { return index.hash[entry]; });
        return;
    }
    quint32 last = index.table.slots[size_t(slot)] - 1;
    while (index.next[last] != None)
        last = index.next[last];
    index.next[last] = line;
}

QString PrivateProfile::value(const QString& section, const QString& key,
                              const QString& defaultValue) const
{
    const quint32 number = findSection(section);
    if (number == None)
        return defaultValue;
    const Section& found = sections_[number];
    const quint32 line = findKey(found, key);
    if (line == None)
        return defaultValue;
    return decode(keyValue(bytesOf(bodyOf(found).lines[line])));
}

QString PrivateProfile::classicValue(const QString& section, const QString& key,
                                     const QString& defaultValue) const
{
    const QString v = value(section, key, defaultValue);
    if (v.size() <= ClassicValueLength)
        return v;
    qsizetype cut = ClassicValueLength;
    if (v.at(cut - 1).isHighSurrogate())
        --cut;
    return v.left(cut);
}

bool PrivateProfile::contains(const QString& section, const QString& key) const
{
    const quint32 number = findSection(section);
    return number != None && findKey(sections_[number], key) != None;
}

bool PrivateProfile::containsSection(const QString& section) const
{
    return findSection(section) != None;
}

QStringList PrivateProfile::keys(const QString& section) const
{
    QStringList names;
    const quint32 number = findSection(section);
    if (number == None)
        return names;
    const Body body = bodyOf(sections_[number]);
    for (qsizetype i = 0; i < body.size; ++i) {
        if (body.lines[i].kind == Kind::Key)
            names << decode(keyName(bytesOf(body.lines[i])));
    }
    return names;
}

void PrivateProfile::setValue(const QString& section, const QString& key, const QString& value)
{
    const QString cleanKey = oneLine(key).trimmed();
    const QString cleanValue = oneLine(value).trimmed();
    const quint32 number = findSection(section);
    if (number != None) {
        const quint32 existing = findKey(sections_[number], cleanKey);
        if (existing != None) {
            Line& line = bodyOf(sections_[number]).lines[existing];
            // The file's own spelling of the key stays.
            const QString name = decode(keyName(bytesOf(line)));
            setLineBytes(line, (name + u'=' + cleanValue).toUtf8());
            return;
        }
    }

    const QByteArray raw = (cleanKey + u'=' + cleanValue).toUtf8();
    const Kind kind = kindOf(raw);
    if (kind == Kind::Section)
        return;
    if (number == None) {
        Section added;
        added.count = 0;
        added.extra = std::make_unique<Extra>();
        added.extra->ownsLines = true;
        added.extra->header =
            ownedLine((u'[' + oneLine(section).trimmed() + u']').toUtf8(), Kind::Section);
        added.extra->body.push_back(ownedLine(raw, kind));
        sections_.push_back(std::move(added));
        addSectionToIndex(quint32(sections_.size() - 1));
        return;
    }

    Section& found = sections_[number];
    std::vector<Line>& body = ownBody(found);
    // After the section's last non-blank line, so blank lines before the next header stay
    // where they are.
    size_t at = body.size();
    while (at > 0 &&
           (body[at - 1].kind == Kind::Removed || bytesOf(body[at - 1]).trimmed().isEmpty()))
        --at;
    body.insert(body.begin() + qsizetype(at), ownedLine(raw, kind));
    KeyIndex& index = *found.extra->keys;
    index.next.insert(index.next.begin() + qsizetype(at), None);
    index.hash.insert(index.hash.begin() + qsizetype(at), 0);
    if (kind == Kind::Key)
        addKeyToIndex(found, quint32(at));
}

void PrivateProfile::removeKey(const QString& section, const QString& key)
{
    const quint32 number = findSection(section);
    if (number == None)
        return;
    const Section& found = sections_[number];
    const quint32 at = findKey(found, key);
    if (at == None)
        return;
    KeyIndex& index = *found.extra->keys;
    Line& line = bodyOf(found).lines[at];
    const qsizetype slot =
        findSlot(index.table, index.hash[at], [at](quint32 entry) { return entry == at; });
    if (index.next[at] != None)
        index.table.slots[size_t(slot)] = index.next[at] + 1;
    else
        removeSlot(index.table, slot, [&index](quint32 entry) { return index.hash[entry]; });
    if (line.at < 0)
        owned_[size_t(-1 - line.at)] = QByteArray();
    line.kind = Kind::Removed;
}

void PrivateProfile::eraseSection(const QString& section)
{
    const quint32 number = findSection(section);
    if (number == None)
        return;
    Section& found = sections_[number];
    const qsizetype slot =
        findSlot(sectionNames_, found.hash, [number](quint32 entry) { return entry == number; });
    if (found.next != None)
        sectionNames_.slots[size_t(slot)] = found.next + 1;
    else
        removeSlot(sectionNames_, slot, [this](quint32 entry) { return sections_[entry].hash; });
    found.count = -1;
    found.extra.reset();
}

namespace Profile {

QString readString(const QString& fileName, const QString& section, const QString& key,
                   const QString& defaultValue)
{
    return PrivateProfile(fileName).value(section, key, defaultValue);
}

bool writeString(const QString& fileName, const QString& section, const QString& key,
                 const QString& value)
{
    PrivateProfile profile(fileName);
    profile.setValue(section, key, value);
    return profile.save();
}

bool eraseSection(const QString& fileName, const QString& section)
{
    PrivateProfile profile(fileName);
    if (!profile.containsSection(section))
        return true;
    profile.eraseSection(section);
    return profile.save();
}

bool flagAnyButZero(const QString& value)
{
    return value != QLatin1String("0");
}

bool flagOneOnly(const QString& value)
{
    return value == QLatin1String("1");
}

QString flagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

std::optional<qint32> strictInt(const QString& value)
{
    qsizetype i = 0;
    if (i < value.size() && (value[i] == u'-' || value[i] == u'+'))
        ++i;
    if (i == value.size())
        return std::nullopt;
    for (qsizetype j = i; j < value.size(); ++j) {
        if (value[j] < u'0' || value[j] > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qint32 number = value.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return number;
}

} // namespace Profile
