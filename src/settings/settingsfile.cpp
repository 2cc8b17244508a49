#include "settings/settingsfile.h"

#include "theme/themefile.h"

#include <QFileInfo>
#include <QMap>
#include <QSet>

#include <algorithm>

namespace {
QString latin(const char* text)
{
    return QString::fromLatin1(text);
}

QString indexed(const char* prefix, int index)
{
    return latin(prefix) + QString::number(index);
}

// The column toggles of the notify list, in the order of their characters in notifylimit.
constexpr bool NotifyOptions::*notifyColumns[] = {
    &NotifyOptions::showAddress, &NotifyOptions::showChannels, &NotifyOptions::showIdle,
    &NotifyOptions::showName,    &NotifyOptions::showPing,     &NotifyOptions::showServer,
    &NotifyOptions::showTime,    &NotifyOptions::showVersion,
};

// The entries of the numbered lists read as "" when missing; the recent-server slots'
// host and port as "empty".
constexpr const char* entryDefault = "";
constexpr const char* recentSlotDefault = "empty";

const SettingKey* findKey(const char* section, const char* key)
{
    for (const SettingKey& row : SettingsFile::keys()) {
        if (qstricmp(row.section, section) == 0 && qstricmp(row.key, key) == 0)
            return &row;
    }
    return nullptr;
}
} // namespace

QString SettingsFile::fileName(const QString& programFolder)
{
    return programFolder + QStringLiteral("quorl.ini");
}

SettingsFile::SettingsFile(const QString& fileName) : fileName_(fileName) {}

bool SettingsFile::load()
{
    problems_.clear();
    if (!QFileInfo::exists(fileName_)) {
        profile_ = PrivateProfile();
        profile_.load(fileName_); // binds the empty document to the name
        return true;
    }
    return profile_.load(fileName_);
}

bool SettingsFile::save()
{
    return profile_.save(fileName_);
}

QString SettingsFile::value(const QString& section, const QString& key,
                            const char* readDefault) const
{
    return profile_.value(section, key, readDefault ? latin(readDefault) : QString());
}

QString SettingsFile::value(const SettingKey& row) const
{
    return value(latin(row.section), latin(row.key), row.readDefault);
}

void SettingsFile::problem(const SettingKey& row)
{
    problems_ << latin(row.section) + u' ' + latin(row.key);
}

void SettingsFile::write(const char* section, const char* key, const QString& value)
{
    profile_.setValue(latin(section), latin(key), value);
}

// Reading

void SettingsFile::readPoster(Options& options)
{
    StoredState unused;
    readPass(SettingKey::Pass::Poster, {options, unused});
}

void SettingsFile::readSettings(Options& options, StoredState& state)
{
    readPass(SettingKey::Pass::Settings, {options, state});
}

void SettingsFile::readWindowPlacement(StoredState& state)
{
    Options unused;
    readPass(SettingKey::Pass::Placement, {unused, state});
}

void SettingsFile::readPass(SettingKey::Pass pass, SettingsModel model)
{
    for (const SettingKey& row : keys()) {
        if (row.pass == pass)
            read(row, model);
    }
}

void SettingsFile::readNumber(const SettingKey& row, qint32& target)
{
    if (const auto number = Profile::strictInt(value(row)))
        target = *number;
    else
        problem(row);
}

void SettingsFile::read(const SettingKey& row, SettingsModel model)
{
    using Rule = SettingKey::Rule;
    if (row.onlyIfKey) {
        const SettingKey* other = findKey(row.section, row.onlyIfKey);
        if (value(latin(row.section), latin(row.onlyIfKey), other ? other->readDefault : nullptr) !=
            QLatin1String(row.onlyIfValue))
            return;
    }
    if (!row.readDefault && !profile_.contains(latin(row.section), latin(row.key)))
        return;
    switch (row.rule) {
    case Rule::Text:
    case Rule::TrimmedText:
    case Rule::BaseName:
        std::get<SettingKey::TextField>(row.field)(model) = value(row);
        return;
    case Rule::CommaList:
        std::get<SettingKey::ListField>(row.field)(model) =
            value(row).split(u',', Qt::SkipEmptyParts);
        return;
    case Rule::FlagAnyButZero:
        std::get<SettingKey::FlagField>(row.field)(model) = Profile::flagAnyButZero(value(row));
        return;
    case Rule::FlagOneOnly:
        std::get<SettingKey::FlagField>(row.field)(model) = Profile::flagOneOnly(value(row));
        return;
    case Rule::FlagChoice: {
        const QString text = value(row);
        if (text == QLatin1String("1") || text == QLatin1String("0"))
            std::get<SettingKey::FlagField>(row.field)(model) = Profile::flagOneOnly(text);
        return;
    }
    case Rule::Number:
    case Rule::NumberInRange:
    case Rule::Position:
    case Rule::Limit: {
        const auto* property = std::get_if<SettingKey::NumberProperty>(&row.field);
        qint32 number =
            property ? property->get(model) : std::get<SettingKey::NumberField>(row.field)(model);
        readNumber(row, number);
        if (row.rule == Rule::NumberInRange && (number < row.min || number > row.max)) {
            problem(row);
            return;
        }
        if ((row.rule == Rule::Position || row.rule == Rule::Limit) && number < 0)
            number = Profile::strictInt(latin(row.readDefault)).value_or(0);
        if (property)
            property->set(model, number);
        else
            std::get<SettingKey::NumberField>(row.field)(model) = number;
        return;
    }
    case Rule::NumberedList:
        readNumbered(row, false, std::get<SettingKey::ListField>(row.field)(model));
        return;
    case Rule::NumberedSkippingEmpty:
    case Rule::NumberedWithGaps:
        readNumbered(row, true, std::get<SettingKey::ListField>(row.field)(model));
        return;
    case Rule::Special: {
        const auto& handler = std::get<SettingKey::Handler>(row.field);
        (this->*handler.read)(row, model);
        return;
    }
    }
}

void SettingsFile::readNumbered(const SettingKey& row, bool skipEmpty, QStringList& target)
{
    const QString section = latin(row.section);
    const QString prefix = latin(row.entryPrefix);
    const QString count = value(row);
    if (count.isNull()) // missing, and a count without a default: the list stays
        return;
    // The entry keys present, by index.
    QMap<int, QString> present;
    for (const QString& name : profile_.keys(section)) {
        if (name.size() <= prefix.size() || !name.startsWith(prefix, Qt::CaseInsensitive) ||
            !name.at(prefix.size()).isDigit())
            continue;
        if (const auto index = Profile::strictInt(name.mid(prefix.size())); index && *index >= 0)
            present.insert(*index, name);
    }
    const auto top = Profile::strictInt(count);
    if (top && *top >= 0) {
        // A count beyond the last entry present adds nothing but empty lines; a damaged
        // count must not make the reader walk two billion keys.
        const int last = present.isEmpty() ? -1 : present.lastKey();
        QStringList entries;
        for (int i = 0; i <= std::min(*top, last); ++i) {
            const QString entry = value(section, prefix + QString::number(i), entryDefault);
            if (!(skipEmpty && entry.isEmpty()))
                entries << entry;
        }
        target = entries;
        return;
    }
    if (top && *top == -1 && present.isEmpty()) {
        target.clear();
        return;
    }
    // A count that is not usable (not a number, out of range, or "none" while entries
    // are there) says nothing; the entries present are the list, in index order, so none
    // is lost when the list is written back with its true count.
    problem(row);
    if (present.isEmpty())
        return;
    QStringList entries;
    for (const QString& name : std::as_const(present)) {
        const QString entry = profile_.value(section, name);
        if (!(skipEmpty && entry.isEmpty()))
            entries << entry;
    }
    target = entries;
}

void SettingsFile::readSounds(const SettingKey& row, SettingsModel model)
{
    SoundList& sounds = model.options.sound.soundlist;
    for (int i = 0; i < SoundKeys; ++i)
        sounds.entry(i) =
            decodeSoundSetting(value(latin(row.section), indexed(row.key, i), row.readDefault));
}

void SettingsFile::readNicknames(const SettingKey& row, SettingsModel model)
{
    UserOptions& user = model.options.user;
    // Every name ends with a comma; text after the last one is not a name.
    QStringList names = value(row).split(u',');
    names.removeLast();
    names.removeAll(QString());
    sortNicknames(names);
    user.nicknames = names;
    // With no name at all the user could not register; the client's own default stands in.
    if (user.nicknames.isEmpty())
        user.nicknames << UserOptions().nickname;
}

void SettingsFile::readCurrentNickname(const SettingKey& row, SettingsModel model)
{
    // The nickname of the last run, when the list still has it.
    UserOptions& user = model.options.user;
    if (user.nicknames.isEmpty())
        return;
    const QString last = value(row);
    const auto found =
        std::find_if(user.nicknames.cbegin(), user.nicknames.cend(),
                     [&](const QString& n) { return n.compare(last, Qt::CaseInsensitive) == 0; });
    user.nickname = found != user.nicknames.cend() ? *found : user.nicknames.first();
}

void SettingsFile::readRecentServers(const SettingKey& row, SettingsModel model)
{
    const QString section = latin(row.section);
    for (int n = 0; n < StoredState::RecentSlots; ++n) {
        const QString label = value(section, indexed(row.key, n), row.readDefault);
        if (label.isEmpty())
            continue;
        RecentServerSlot& slot = model.state.recentServers.at(n);
        slot.label = label;
        slot.host = value(section, indexed("recenthost", n), recentSlotDefault);
        slot.port = value(section, indexed("recentport", n), recentSlotDefault);
    }
}

void SettingsFile::readPermanentIgnores(const SettingKey& row, SettingsModel model)
{
    const QString section = latin(row.section);
    QStringList& entries = model.state.permanentIgnores;
    entries.clear();
    // Most of the slots are absent: only the keys the section has are read.
    QSet<QString> present;
    for (const QString& key : profile_.keys(section))
        present.insert(key.toCaseFolded());
    for (int i = 0; i < IgnoreKeys; ++i) {
        const QString key = indexed(row.key, i);
        if (!present.contains(key))
            continue;
        const QString entry = value(section, key, row.readDefault);
        if (!entry.isEmpty())
            entries << entry;
    }
}

void SettingsFile::readNotifyColumns(const SettingKey& row, SettingsModel model)
{
    // A character that is missing counts as shown.
    const QString limit = value(row);
    for (int i = 0; i < int(std::size(notifyColumns)); ++i)
        model.options.notify.*notifyColumns[i] = limit.mid(i, 1) != QLatin1String("0");
}

void SettingsFile::readEditorTheme(const SettingKey& row, SettingsModel model)
{
    // The theme of that name is open in the editor only when its file is there; "f"
    // (and the default, "0") name none.
    QString& theme = model.state.editorTheme;
    theme = value(row);
    const QString folder = QFileInfo(fileName_).absolutePath() + u'/';
    if (theme == QLatin1String("f") ||
        ThemeFile::findInThemesFolder(folder, theme + QStringLiteral(".qth")).isEmpty())
        theme.clear();
}

// Writing

void SettingsFile::writeSettings(const Options& options, const StoredState& state)
{
    // The table's fields serve reading too, so they hand out mutable references; writing
    // only reads them.
    const SettingsModel model{const_cast<Options&>(options), const_cast<StoredState&>(state)};
    for (const SettingKey& row : keys())
        write(row, model);
}

void SettingsFile::write(const SettingKey& row, SettingsModel model)
{
    using Rule = SettingKey::Rule;
    if (row.erasesSection)
        profile_.eraseSection(latin(row.section));
    const auto text = [&row, model] { return std::get<SettingKey::TextField>(row.field)(model); };
    const auto flag = [&row, model] { return std::get<SettingKey::FlagField>(row.field)(model); };
    const auto list = [&row, model] { return std::get<SettingKey::ListField>(row.field)(model); };
    const auto number = [&row, model] {
        if (const auto* property = std::get_if<SettingKey::NumberProperty>(&row.field))
            return property->get(model);
        return std::get<SettingKey::NumberField>(row.field)(model);
    };
    switch (row.rule) {
    case Rule::Text:
        write(row.section, row.key, text());
        return;
    case Rule::TrimmedText:
        write(row.section, row.key, text().trimmed());
        return;
    case Rule::BaseName:
        write(row.section, row.key, text().section(u'.', 0, 0));
        return;
    case Rule::CommaList:
        write(row.section, row.key, list().join(u','));
        return;
    case Rule::FlagAnyButZero:
    case Rule::FlagOneOnly:
    case Rule::FlagChoice:
        write(row.section, row.key, Profile::flagText(flag()));
        return;
    case Rule::Number:
    case Rule::NumberInRange:
    case Rule::Position:
        write(row.section, row.key, QString::number(number()));
        return;
    case Rule::Limit:
        write(row.section, row.key, QString::number(std::max(number(), 0)));
        return;
    case Rule::NumberedList:
    case Rule::NumberedSkippingEmpty:
        writeNumbered(row, list(), false);
        return;
    case Rule::NumberedWithGaps:
        writeNumbered(row, list(), true);
        return;
    case Rule::Special: {
        const auto& handler = std::get<SettingKey::Handler>(row.field);
        (this->*handler.write)(row, model);
        return;
    }
    }
}

void SettingsFile::writeNumbered(const SettingKey& row, const QStringList& entries, bool skipBlank)
{
    write(row.section, row.key, QString::number(entries.size() - 1));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (skipBlank && entries.at(i).trimmed().isEmpty())
            continue; // its index stays taken, so the numbering keeps a gap
        profile_.setValue(latin(row.section), latin(row.entryPrefix) + QString::number(i),
                          entries.at(i));
    }
}

void SettingsFile::writeSounds(const SettingKey& row, SettingsModel model)
{
    for (int i = 0; i < SoundKeys; ++i)
        profile_.setValue(latin(row.section), indexed(row.key, i),
                          encodeSoundSetting(model.options.sound.soundlist.entry(i)));
}

void SettingsFile::writeNicknames(const SettingKey& row, SettingsModel model)
{
    QString nicks;
    for (const QString& name : model.options.user.nicknames)
        nicks += name + u',';
    write(row.section, row.key, nicks);
}

void SettingsFile::writeCurrentNickname(const SettingKey& row, SettingsModel model)
{
    write(row.section, row.key, model.options.user.nickname);
}

void SettingsFile::writeRecentServers(const SettingKey& row, SettingsModel model)
{
    // The section is not erased (it holds the bookmark and keys of other releases); a
    // slot no longer in use leaves the file, so a cleared list stays cleared.
    const QString section = latin(row.section);
    for (int n = 0; n < StoredState::RecentSlots; ++n) {
        const RecentServerSlot& slot = model.state.recentServers.at(n);
        if (!slot.inUse()) {
            for (const char* stem : {row.key, "recenthost", "recentport"})
                profile_.removeKey(section, indexed(stem, n));
            continue;
        }
        profile_.setValue(section, indexed(row.key, n), slot.label);
        profile_.setValue(section, indexed("recenthost", n), slot.host);
        profile_.setValue(section, indexed("recentport", n), slot.port);
    }
}

void SettingsFile::writePermanentIgnores(const SettingKey& row, SettingsModel model)
{
    const QStringList& entries = model.state.permanentIgnores;
    for (qsizetype i = 0; i < entries.size(); ++i)
        profile_.setValue(latin(row.section), indexed(row.key, int(i)), entries.at(i));
}

void SettingsFile::writeNotifyColumns(const SettingKey& row, SettingsModel model)
{
    QString limit;
    for (const auto column : notifyColumns)
        limit += Profile::flagText(model.options.notify.*column);
    write(row.section, row.key, limit);
}

void SettingsFile::writeEditorTheme(const SettingKey& row, SettingsModel model)
{
    const QString& theme = model.state.editorTheme;
    write(row.section, row.key, theme.isEmpty() ? QStringLiteral("f") : theme.toLower());
}
