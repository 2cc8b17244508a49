// The table of quorl.ini's keys: every row reads its default when the key is missing (the
// value a new model holds) and keeps a value through a write and a read, the DCC offers
// start where a file without them reads, and what is written stays byte for byte.
#include "settings/filledsettings.h"
#include "settings/settingsfile.h"
#include "support/testmain.h"

#include <QFile>
#include <QSet>
#include <QTest>

#include <variant>

namespace {
using Rule = SettingKey::Rule;

template <class... F> struct Overloaded : F...
{
    using F::operator()...;
};

struct Model
{
    Options options;
    StoredState state;
    SettingsModel ref() { return {options, state}; }
};

// Reads an INI text over the model through every read pass; returns the problems.
QStringList readInto(Model& model, const QByteArray& ini)
{
    SettingsFile file(QStringLiteral("unused.ini"));
    file.profile().setBytes(ini);
    file.readPoster(model.options);
    file.readSettings(model.options, model.state);
    file.readWindowPlacement(model.state);
    return file.problems();
}

QByteArray writeOut(Model& model, const QByteArray& before = QByteArray())
{
    SettingsFile file(QStringLiteral("unused.ini"));
    file.profile().setBytes(before);
    file.writeSettings(model.options, model.state);
    return file.profile().toBytes();
}

// The row's value in the model as text; null for a row with a handler of its own.
QString shown(const SettingKey& row, SettingsModel model)
{
    return std::visit(
        Overloaded{
            [model](SettingKey::TextField f) { return f(model); },
            [model](SettingKey::FlagField f) { return QString::fromLatin1(f(model) ? "1" : "0"); },
            [model](SettingKey::NumberField f) { return QString::number(f(model)); },
            [model](SettingKey::NumberProperty p) { return QString::number(p.get(model)); },
            [model](SettingKey::ListField f) { return f(model).join(u'|') + u'|'; },
            [](SettingKey::Handler) { return QString(); },
        },
        row.field);
}

// Gives the row a value other than the one it has, and one the key can hold.
void change(const SettingKey& row, SettingsModel model)
{
    const auto next = [&row](qint32 value) {
        return row.rule == Rule::NumberInRange && value + 1 > row.max ? row.min : value + 1;
    };
    std::visit(Overloaded{
                   [&](SettingKey::TextField f) {
                       f(model) = QStringLiteral("v-") + QLatin1String(row.key);
                   },
                   [&](SettingKey::FlagField f) { f(model) = !f(model); },
                   [&](SettingKey::NumberField f) { f(model) = next(f(model)); },
                   [&](SettingKey::NumberProperty p) { p.set(model, next(p.get(model))); },
                   [&](SettingKey::ListField f) {
                       f(model) = QStringList{"a", "b"};
                   },
                   [](SettingKey::Handler) {},
               },
               row.field);
}

const SettingKey& rowOf(const char* section, const char* key)
{
    for (const SettingKey& row : SettingsFile::keys()) {
        if (qstricmp(row.section, section) == 0 && qstricmp(row.key, key) == 0)
            return row;
    }
    qFatal("no key %s %s", section, key);
}

QByteArray line(const char* section, const char* key, const char* value)
{
    return QByteArray("[") + section + "]\n" + key + '=' + value + '\n';
}

QByteArray stored(const char* name)
{
    QFile file(qEnvironmentVariable("QUORL_TEST_DATA") + QStringLiteral("/settings/data/") +
               QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", name);
    return file.readAll();
}
} // namespace

class SettingKeysTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyKeyReadsItsDefaultAndKeepsAValue()
    {
        QSet<QString> names;
        for (const SettingKey& row : SettingsFile::keys()) {
            const QString name = QLatin1String(row.section) + u' ' + QLatin1String(row.key);
            QVERIFY2(!names.contains(name.toCaseFolded()), qPrintable(name + " twice"));
            names.insert(name.toCaseFolded());
            if (row.rule == Rule::Special)
                continue; // the lists with handlers of their own have their own tests

            // Missing: the read default, whatever the model held; a key read only beside
            // another is missing with that other key present.
            const QByteArray condition =
                row.onlyIfKey ? line(row.section, row.onlyIfKey, row.onlyIfValue) : QByteArray();
            Model held;
            change(row, held.ref());
            Model missing = held;
            QCOMPARE(readInto(missing, condition), QStringList());
            if (!row.readDefault) {
                QCOMPARE(shown(row, missing.ref()), shown(row, held.ref()));
            } else {
                Model spelled = held;
                QCOMPARE(readInto(spelled, condition + line(row.section, row.key, row.readDefault)),
                         QStringList());
                QCOMPARE(shown(row, missing.ref()), shown(row, spelled.ref()));
                // A new model holds what the missing key reads as. A numbered list may
                // start with entries of its own (the theme-use list names the shipped
                // theme); a key read only beside another means nothing without it.
                Model fresh;
                if (!row.onlyIfKey && row.rule < Rule::NumberedList)
                    QVERIFY2(shown(row, missing.ref()) == shown(row, fresh.ref()),
                             qPrintable(name + " reads " + shown(row, missing.ref()) +
                                        ", a new model holds " + shown(row, fresh.ref())));
            }
            if (row.onlyIfKey) {
                Model unread = held;
                readInto(unread, QByteArray());
                QCOMPARE(shown(row, unread.ref()), shown(row, held.ref()));
            }

            // Another value goes through a write and a read, and no other key moves.
            Model changed;
            change(row, changed.ref());
            if (row.onlyIfKey) {
                const SettingKey& other = rowOf(row.section, row.onlyIfKey);
                std::get<SettingKey::FlagField>(other.field)(changed.ref()) =
                    qstrcmp(row.onlyIfValue, "1") == 0;
            }
            QVERIFY2(shown(row, changed.ref()) != shown(row, Model().ref()), qPrintable(name));
            Model back;
            QCOMPARE(readInto(back, writeOut(changed)), QStringList());
            for (const SettingKey& any : SettingsFile::keys())
                QCOMPARE(QLatin1String(any.key) + u'=' + shown(any, back.ref()),
                         QLatin1String(any.key) + u'=' + shown(any, changed.ref()));
        }
    }

    // A file without the DCC keys ignores chat offers and takes files, as a new model
    // does; a new program folder's shipped settings ask for both.
    void dccOfferDefaultsAgree()
    {
        Model held;
        held.options.dcc.chatInboundAction = DccOptions::ChatOffer::Accept;
        held.options.dcc.fileInboundAction = DccOptions::FileOffer::Prompt;
        readInto(held, "[DCC]\nfilesavefolder=/in/\n");
        QCOMPARE(held.options.dcc.chatInboundAction, DccOptions::ChatOffer::Ignore);
        QCOMPARE(held.options.dcc.fileInboundAction, DccOptions::FileOffer::Get);
        QCOMPARE(held.options.dcc.chatInboundAction, DccOptions().chatInboundAction);
        QCOMPARE(held.options.dcc.fileInboundAction, DccOptions().fileInboundAction);
        QCOMPARE(rowOf("DCC", "chatinboundaction").readDefault, "0");
        QCOMPARE(rowOf("DCC", "fileinboundaction").readDefault, "0");

        QFile shipped(QStringLiteral(QUORL_SOURCE_DATA_DIR "/quorl.ini"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        Model fresh;
        QCOMPARE(readInto(fresh, shipped.readAll()), QStringList());
        QCOMPARE(fresh.options.dcc.chatInboundAction, DccOptions::ChatOffer::Prompt);
        QCOMPARE(fresh.options.dcc.fileInboundAction, DccOptions::FileOffer::Prompt);
    }

    // The bytes of a new file, of an old file read and written back, and of a full model
    // written over the old file (its sections in another order, in other capitals, with
    // keys and a section the client does not know).
    void writtenBytesStayTheSame()
    {
        Model empty;
        QCOMPARE(writeOut(empty), stored("new.ini"));

        const QByteArray old = stored("old.ini");
        Model read;
        readInto(read, old);
        QCOMPARE(writeOut(read, old), stored("old-rewritten.ini"));

        Model full;
        fillEverything(full.options, full.state);
        QCOMPARE(writeOut(full, old), stored("old-overwritten.ini"));
    }
};

QUORL_TEST(SettingKeysTest)
#include "settingkeystest.moc"
