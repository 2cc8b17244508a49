#include "script/scriptobjects.h"

#include "core/privateprofile.h"
#include "script/scripttext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
const QString dataSection = QStringLiteral("DATA");
const QString scriptSuffix = QStringLiteral(".sct");
const QString objectSuffix = QStringLiteral(".obj");
// A damaged "maxobject" must not keep the loader busy for billions of keys.
constexpr int MaxEntries = 10000;

// The entry's stored form: "1," or "0," and the object name.
QString entryText(const ScriptEntry& entry)
{
    return (entry.enabled ? QStringLiteral("1,") : QStringLiteral("0,")) + entry.name;
}

// An object file's name without its extension, which a name with dots keeps whole.
QString objectNameOf(const QString& fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    return name.endsWith(objectSuffix, Qt::CaseInsensitive) ? name.chopped(objectSuffix.size())
                                                            : name;
}
} // namespace

const std::vector<ObjectTypeInfo>& objectTypes()
{
    static const std::vector<ObjectTypeInfo> types = {
        {ObjectType::Greet,
         QStringLiteral("channelautogreet"),
         {{QStringLiteral("channel"), QString()},
          {QStringLiteral("message"),
           QStringLiteral("Welcome to <channel>, <nick>!  Thanks for stopping by! If you have "
                          "any questions about our channel, just ask <yournick>.")},
          {QStringLiteral("sendto"), QStringLiteral("0")},
          {QStringLiteral("sendnicklist"), QString()},
          {QStringLiteral("sendas"), QStringLiteral("0")}}},
        {ObjectType::Farewell,
         QStringLiteral("channelautofarewell"),
         {{QStringLiteral("channel"), QString()},
          {QStringLiteral("message"), QStringLiteral("Thanks for visiting <channel>, <nick>!")},
          {QStringLiteral("sendto"), QStringLiteral("0")},
          {QStringLiteral("sendnicklist"), QString()},
          {QStringLiteral("sendas"), QStringLiteral("0")}}},
        {ObjectType::AutoOp,
         QStringLiteral("channelautoop"),
         {{QStringLiteral("channel"), QString()}, {QStringLiteral("addresslist"), u"0"_s}}},
        {ObjectType::AutoVoice,
         QStringLiteral("channelautovoice"),
         {{QStringLiteral("channel"), QString()}, {QStringLiteral("addresslist"), u"0"_s}}},
        {ObjectType::Protect,
         QStringLiteral("channelautoprotect"),
         {{QStringLiteral("channel"), QString()},
          {QStringLiteral("nicklist"), u"0"_s},
          {QStringLiteral("response"), u"0"_s},
          {QStringLiteral("kickmsg"), u"0"_s}}},
        {ObjectType::AutoSend,
         QStringLiteral("channelautosend"),
         {{QStringLiteral("channel"), QString()},
          {QStringLiteral("file"), QString()},
          {QStringLiteral("nicklist"), QString()},
          {QStringLiteral("keyword"), QString()},
          {QStringLiteral("useroption"), u"0"_s}}},
        {ObjectType::OnText,
         QStringLiteral("channelautoontext"),
         {{QStringLiteral("channel"), QString()},
          {QStringLiteral("message"), QString()},
          {QStringLiteral("wordlist"), QString()},
          {QStringLiteral("messageoption"), u"0"_s}}},
    };
    return types;
}

const ObjectTypeInfo* objectTypeInfo(const QString& keyword)
{
    for (const ObjectTypeInfo& info : objectTypes()) {
        if (info.keyword == keyword)
            return &info;
    }
    return nullptr;
}

Scripts::Scripts(const QString& programFolder, QObject* parent)
    : QObject(parent), programFolder_(programFolder)
{
}

ScriptObjectRef Scripts::at(int index) const
{
    const ScriptObject& o = object(index);
    return {index, o.keyword, o.channel, o.network};
}

QString Scripts::caption() const
{
    return QStringLiteral("Current Script is: ") +
           (currentName_.isEmpty() ? QStringLiteral("NewScript") : currentName_);
}

void Scripts::newScript()
{
    entries_.clear();
    currentName_.clear();
    rebuild();
    Q_EMIT changed();
}

void Scripts::load(const QString& fileName)
{
    currentName_ = fileName;
    entries_.clear();
    const PrivateProfile file(scriptsFolder() + fileName);
    const int last =
        qMin(file.value(dataSection, QStringLiteral("maxobject"), u"0"_s).toInt(), MaxEntries);
    for (int i = 0; i <= last; ++i) {
        const QString text = file.value(dataSection, QString::number(i), u"x"_s);
        const QString name = text.mid(2);
        if (name.isEmpty() || !QFileInfo(objectPath(name)).isFile())
            continue;
        entries_.append({name, !text.startsWith(u'0')});
    }
    rebuild();
    Q_EMIT changed();
}

bool Scripts::save(const QString& fileName)
{
    PrivateProfile file(scriptsFolder() + fileName);
    file.eraseSection(dataSection);
    file.setValue(dataSection, QStringLiteral("maxobject"), QString::number(entries_.size() - 1));
    for (qsizetype i = 0; i < entries_.size(); ++i)
        file.setValue(dataSection, QString::number(i), entryText(entries_.at(i)));
    if (!file.save())
        return false;
    currentName_ = fileName;
    Q_EMIT changed();
    return true;
}

bool Scripts::loadLast(const QString& baseName)
{
    const QString fileName = baseName + scriptSuffix;
    if (baseName.isEmpty() || !QFileInfo(scriptsFolder() + fileName).isFile())
        return false;
    load(fileName);
    return true;
}

QString Scripts::addObject(const QString& objectFileName)
{
    const QString name = objectNameOf(objectFileName);
    if (name.isEmpty())
        return QString();
    auto listed = [this](const QString& n) {
        return std::any_of(entries_.cbegin(), entries_.cend(),
                           [&](const ScriptEntry& e) { return e.name == n; });
    };
    if (!listed(name)) {
        entries_.append({name, false});
        Q_EMIT changed();
        return name;
    }
    const QString type =
        PrivateProfile(objectPath(name)).value(dataSection, QStringLiteral("type"), u"x"_s);
    for (int n = 1; n <= 999; ++n) {
        const QString copy = name + QString::number(n);
        // An existing file of that name is another object: it is never overwritten.
        if (listed(copy) || QFileInfo::exists(objectPath(copy)))
            continue;
        PrivateProfile file(objectPath(copy));
        file.setValue(dataSection, QStringLiteral("type"), type);
        if (const ObjectTypeInfo* info = objectTypeInfo(type)) {
            for (const auto& [key, value] : info->defaults)
                file.setValue(dataSection, key, value);
        }
        if (!file.save())
            return QString();
        entries_.append({copy, false});
        Q_EMIT changed();
        return copy;
    }
    return QString();
}

bool Scripts::isPlainName(const QString& name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(u'\\') && !name.contains(QChar(0));
}

Scripts::RenameResult Scripts::renameObject(int index, const QString& newName)
{
    const QString name = newName.trimmed();
    if (index < 0 || index >= entries_.size())
        return RenameResult::InvalidName;
    if (!isPlainName(name))
        return RenameResult::InvalidName;
    if (QFileInfo::exists(objectPath(name)))
        return RenameResult::NameTaken;
    const QString oldName = entries_.at(index).name;
    if (!QFile::rename(objectPath(oldName), objectPath(name)))
        return RenameResult::InvalidName;
    entries_[index].name = name;
    rewriteScriptsNaming(oldName, name);
    rebuild();
    Q_EMIT changed();
    return RenameResult::Renamed;
}

void Scripts::rewriteScriptsNaming(const QString& oldName, const QString& newName) const
{
    const QDir folder(scriptsFolder());
    for (const QString& fileName :
         folder.entryList({QStringLiteral("*.sct")}, QDir::Files | QDir::Readable)) {
        PrivateProfile file(folder.filePath(fileName));
        const int last =
            qMin(file.value(dataSection, QStringLiteral("maxobject"), u"0"_s).toInt(), MaxEntries);
        bool changed = false;
        for (int i = 0; i <= last; ++i) {
            const QString key = QString::number(i);
            if (!file.contains(dataSection, key))
                continue;
            const QString text = file.value(dataSection, key);
            const QString name = text.mid(2);
            if (name.compare(oldName, Qt::CaseInsensitive) != 0)
                continue;
            // Another spelling that names a file of its own is another object.
            if (name != oldName && QFileInfo::exists(objectPath(name)))
                continue;
            file.setValue(dataSection, key, text.left(2) + newName);
            changed = true;
        }
        if (changed)
            file.save();
    }
}

void Scripts::removeEntry(int index)
{
    if (index < 0 || index >= entries_.size())
        return;
    entries_.removeAt(index);
    rebuild();
    Q_EMIT changed();
}

bool Scripts::moveEntry(int index, int step)
{
    const int to = index + step;
    if (index < 0 || index >= entries_.size() || to < 0 || to >= entries_.size())
        return false;
    entries_.move(index, to);
    rebuild();
    Q_EMIT changed();
    return true;
}

void Scripts::setEnabled(int index, bool enabled)
{
    if (index < 0 || index >= entries_.size() || entries_.at(index).enabled == enabled)
        return;
    entries_[index].enabled = enabled;
    rebuild();
    Q_EMIT changed();
}

std::optional<ScriptObject> Scripts::readObject(const QString& name) const
{
    const PrivateProfile file(objectPath(name));
    const QString keyword = file.value(dataSection, QStringLiteral("type"), u"x"_s);
    const ObjectTypeInfo* info = objectTypeInfo(keyword);
    if (!info)
        return std::nullopt;
    auto read = [&](const char* key) {
        return file.value(dataSection, QLatin1String(key), u"x"_s);
    };
    ScriptObject o;
    o.type = info->type;
    o.keyword = keyword;
    o.channel = read("channel");
    o.network = ScriptText::networkOf(file.value(dataSection, QStringLiteral("network")));
    switch (o.type) {
    case ObjectType::Greet:
    case ObjectType::Farewell:
        o.message = read("message");
        o.sendTo = read("sendto");
        o.sendNickList = read("sendnicklist");
        o.sendAs = read("sendas");
        break;
    case ObjectType::AutoOp:
    case ObjectType::AutoVoice:
        o.addressList = read("addresslist");
        break;
    case ObjectType::Protect:
        o.nickList = read("nicklist");
        o.kickMsg = read("kickmsg");
        o.response = read("response");
        break;
    case ObjectType::AutoSend:
        o.nickList = read("nicklist");
        o.file = read("file");
        o.keywordText = read("keyword");
        o.userOption = read("useroption");
        break;
    case ObjectType::OnText:
        o.words = ScriptText::wordItems(read("wordlist"));
        o.message = read("message");
        o.messageOption = read("messageoption");
        break;
    }
    return o;
}

void Scripts::rebuild()
{
    objects_.clear();
    for (const ScriptEntry& entry : std::as_const(entries_)) {
        if (!entry.enabled)
            continue;
        if (std::optional<ScriptObject> o = readObject(entry.name))
            objects_.push_back(std::move(*o));
    }
}

QStringList Scripts::objectFiles() const
{
    return QDir(objectsFolder())
        .entryList({QStringLiteral("*.obj")}, QDir::Files | QDir::Readable, QDir::Name);
}
