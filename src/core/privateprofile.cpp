#include "core/privateprofile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {
const QByteArray utf8BomBytes("\xEF\xBB\xBF");

QString decode(const QByteArray& bytes)
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

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
} // namespace

PrivateProfile::PrivateProfile(const QString& fileName)
{
    load(fileName);
}

bool PrivateProfile::load(const QString& fileName)
{
    fileName_ = fileName;
    lines_.clear();
    utf8Bom_ = false;
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
    lines_.clear();
    utf8Bom_ = bytes.startsWith(utf8BomBytes);
    const QByteArray body = utf8Bom_ ? bytes.mid(utf8BomBytes.size()) : bytes;
    if (body.isEmpty())
        return;
    QList<QByteArray> raw = body.split('\n');
    // A final line break does not begin one more line.
    if (raw.last().isEmpty())
        raw.removeLast();
    lines_.reserve(raw.size());
    for (QByteArray& line : raw) {
        if (line.endsWith('\r'))
            line.chop(1);
        lines_ << parseLine(line);
    }
}

QByteArray PrivateProfile::toBytes() const
{
    QByteArray out;
    if (utf8Bom_)
        out += utf8BomBytes;
    for (const Line& line : lines_) {
        out += line.raw;
        out += "\r\n";
    }
    return out;
}

PrivateProfile::Line PrivateProfile::parseLine(const QByteArray& raw)
{
    Line line;
    line.raw = raw;
    const QByteArray text = raw.trimmed();
    if (text.startsWith('[')) {
        qsizetype close = text.indexOf(']');
        if (close < 0)
            close = text.size();
        line.kind = Line::Section;
        line.name = decode(text.mid(1, close - 1).trimmed());
        return line;
    }
    if (text.startsWith(';'))
        return line;
    const qsizetype eq = text.indexOf('=');
    if (eq <= 0)
        return line;
    const QByteArray name = text.left(eq).trimmed();
    if (name.isEmpty())
        return line;
    line.kind = Line::Key;
    line.name = decode(name);
    line.value = decode(text.mid(eq + 1).trimmed());
    return line;
}

qsizetype PrivateProfile::findSection(const QString& section) const
{
    const QString wanted = section.trimmed();
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Line::Section && sameName(lines_[i].name, wanted))
            return i;
    }
    return -1;
}

qsizetype PrivateProfile::sectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Line::Section)
        ++i;
    return i;
}

qsizetype PrivateProfile::findKey(const QString& section, const QString& key) const
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return -1;
    const QString wanted = key.trimmed();
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Line::Key && sameName(lines_[i].name, wanted))
            return i;
    }
    return -1;
}

QString PrivateProfile::value(const QString& section, const QString& key,
                              const QString& defaultValue) const
{
    const qsizetype at = findKey(section, key);
    if (at < 0)
        return defaultValue;
    const QString& v = lines_[at].value;
    if (v.size() <= MaxValueLength)
        return v;
    qsizetype cut = MaxValueLength;
    if (v.at(cut - 1).isHighSurrogate())
        --cut;
    return v.left(cut);
}

bool PrivateProfile::contains(const QString& section, const QString& key) const
{
    return findKey(section, key) >= 0;
}

bool PrivateProfile::containsSection(const QString& section) const
{
    return findSection(section) >= 0;
}

QStringList PrivateProfile::keys(const QString& section) const
{
    QStringList names;
    const qsizetype header = findSection(section);
    if (header < 0)
        return names;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Line::Key)
            names << lines_[i].name;
    }
    return names;
}

QList<std::pair<QString, QString>> PrivateProfile::entries(const QString& section) const
{
    QList<std::pair<QString, QString>> found;
    const qsizetype header = findSection(section);
    if (header < 0)
        return found;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Line::Key)
            found.append({lines_[i].name, lines_[i].value});
    }
    return found;
}

void PrivateProfile::setValue(const QString& section, const QString& key, const QString& value)
{
    const QString cleanKey = oneLine(key).trimmed();
    const QString cleanValue = oneLine(value).trimmed();
    const qsizetype existing = findKey(section, cleanKey);
    if (existing >= 0) {
        // The file's own spelling of the key stays.
        const QString name = lines_[existing].name;
        lines_[existing] = parseLine((name + u'=' + cleanValue).toUtf8());
        return;
    }

    const Line line = parseLine((cleanKey + u'=' + cleanValue).toUtf8());
    qsizetype header = findSection(section);
    if (header < 0) {
        lines_ << parseLine((u'[' + oneLine(section).trimmed() + u']').toUtf8());
        lines_ << line;
        return;
    }
    // After the section's last non-blank line, so blank lines before the next header stay
    // where they are.
    qsizetype at = header + 1;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (!lines_[i].raw.trimmed().isEmpty())
            at = i + 1;
    }
    lines_.insert(at, line);
}

void PrivateProfile::removeKey(const QString& section, const QString& key)
{
    const qsizetype at = findKey(section, key);
    if (at >= 0)
        lines_.removeAt(at);
}

void PrivateProfile::eraseSection(const QString& section)
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return;
    lines_.remove(header, sectionEnd(header) - header);
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
