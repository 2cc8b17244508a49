#include "history/redaction.h"

#include <QList>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// A service command and which of the words after it is the password: the word at
// index, or the last word when index is -1. minWords is how many words must follow for
// one of them to be a password ("IDENTIFY pass" and "IDENTIFY account pass" both hide
// their last word; "GHOST nick" holds none).
struct ServiceCommand
{
    const char* name;
    int index;
    int minWords;
};

constexpr ServiceCommand serviceCommands[] = {
    {"identify", -1, 1}, {"id", -1, 1},     {"login", -1, 1},    {"register", 0, 1},
    {"ghost", 1, 2},     {"recover", 1, 2}, {"release", 1, 2},   {"regain", 1, 2},
    {"group", 1, 2},     {"setpass", 1, 2}, {"resetpass", 1, 2}, {"drop", 1, 2},
};

// Raw commands whose words after the first count are secret: PASS pass, OPER name pass,
// AUTHENTICATE <base64>.
struct RawCommand
{
    const char* name;
    int index;
};

constexpr RawCommand rawCommands[] = {{"pass", 0}, {"oper", 1}, {"authenticate", 0}};

// Services a password goes to, as a window, a /msg target or a command of their own.
constexpr const char* services[] = {"nickserv", "chanserv", "ns", "cs", "authserv", "q", "x"};

// AUTHENTICATE lines that carry a mechanism or an end mark, not a secret.
constexpr const char* authenticateWords[] = {
    "plain", "external", "scram-sha-1", "scram-sha-256", "ecdsa-nist256p-challenge", "+", "*"};

struct Word
{
    int start;
    int length;
    QStringView text;
};

QList<Word> wordsOf(const QString& text)
{
    QList<Word> words;
    int i = 0;
    const int n = int(text.size());
    while (i < n) {
        while (i < n && text.at(i).isSpace())
            ++i;
        const int start = i;
        while (i < n && !text.at(i).isSpace())
            ++i;
        if (i > start)
            words.append({start, i - start, QStringView(text).mid(start, i - start)});
    }
    return words;
}

bool is(QStringView word, const char* name)
{
    return word.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

// The word without what surrounds a nickname or command as the view shows it:
// "/ns", "*NickServ*", "<me>", "-NickServ-", "NickServ@services.example", "NickServ:".
QStringView bare(QStringView w)
{
    const auto marks = [](QChar c, bool leading) {
        return (leading && c == u'/') || QStringView(u"*<>-:[](),").contains(c);
    };
    while (!w.isEmpty() && marks(w.front(), true))
        w = w.mid(1);
    while (!w.isEmpty() && marks(w.back(), false))
        w.chop(1);
    const qsizetype at = w.indexOf(u'@');
    return at > 0 ? w.left(at) : w;
}

bool namesService(QStringView word)
{
    const QStringView w = bare(word);
    return std::any_of(std::begin(services), std::end(services),
                       [&w](const char* s) { return is(w, s); });
}

// Marks the password among the words after the command at position at.
void hide(QList<std::pair<int, int>>& spans, const QList<Word>& words, int at, int index,
          int minWords)
{
    const int following = int(words.size()) - at - 1;
    if (following < minWords)
        return;
    const int which = index < 0 ? int(words.size()) - 1 : at + 1 + index;
    if (which > at && which < words.size())
        spans.append({words.at(which).start, words.at(which).length});
}

// Whether text may hold a password: a raw command that carries one, or a service command
// where a service is named (by the window, or a word of the text). Each of these words,
// once what surrounds it is taken off, is a run of letters; most lines hold none and are
// kept as they are without a closer look.
bool mayHoldPassword(const QString& window, const QString& text)
{
    bool serviceCommand = false;
    bool serviceNamed = namesService(window);
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && !text.at(i).isLetter())
            ++i;
        const qsizetype start = i;
        while (i < n && text.at(i).isLetter())
            ++i;
        const QStringView run = QStringView(text).mid(start, i - start);
        if (run.isEmpty() || run.size() > 12)
            continue;
        // Only a name of the same length and first letter is compared.
        const char16_t first = run.front().toLower().unicode();
        const auto named = [&](const char* name) {
            return name[0] == first && qsizetype(std::strlen(name)) == run.size() && is(run, name);
        };
        const auto names = [&](const auto& commands) {
            return std::any_of(std::begin(commands), std::end(commands),
                               [&](const auto& c) { return named(c.name); });
        };
        if (names(rawCommands))
            return true;
        serviceCommand = serviceCommand || names(serviceCommands) || named("set");
        if (!serviceNamed && std::any_of(std::begin(services), std::end(services), named)) {
            // The whole word around the run must name the service ("/ns", "NickServ:").
            qsizetype from = start;
            qsizetype to = i;
            while (from > 0 && !text.at(from - 1).isSpace())
                --from;
            while (to < n && !text.at(to).isSpace())
                ++to;
            serviceNamed = namesService(QStringView(text).mid(from, to - from));
        }
        if (serviceCommand && serviceNamed)
            return true;
    }
    return false;
}

} // namespace

QString Redaction::redact(const QString& window, const QString& text)
{
    if (!mayHoldPassword(window, text))
        return text;
    const QList<Word> words = wordsOf(text);
    QList<std::pair<int, int>> spans;
    // Service commands count once a service was named, by the window or a word before.
    bool serviceNamed = namesService(window);
    bool onlyCommandsSoFar = true;
    for (int i = 0; i < words.size(); ++i) {
        const QStringView word = words.at(i).text;
        const QStringView name = bare(word);
        if (serviceNamed) {
            for (const ServiceCommand& c : serviceCommands) {
                if (is(name, c.name)) {
                    hide(spans, words, i, c.index, c.minWords);
                    break;
                }
            }
            if (is(name, "set") && i + 2 < words.size() &&
                is(bare(words.at(i + 1).text), "password"))
                hide(spans, words, i + 1, 0, 1);
        }
        if (onlyCommandsSoFar) {
            for (const RawCommand& c : rawCommands) {
                if (!is(name, c.name))
                    continue;
                const bool isMechanism =
                    c.index == 0 && is(name, "authenticate") && i + 1 < words.size() &&
                    std::any_of(std::begin(authenticateWords), std::end(authenticateWords),
                                [&](const char* m) { return is(words.at(i + 1).text, m); });
                if (!isMechanism)
                    hide(spans, words, i, c.index, c.index + 1);
            }
        }
        if (namesService(word))
            serviceNamed = true;
        // "/quote PASS x", "-> server PASS x" and the like: raw commands come first.
        if (!word.startsWith(u'/') && word != u"->")
            onlyCommandsSoFar = false;
    }
    if (spans.isEmpty())
        return text;
    std::sort(spans.begin(), spans.end());
    QString result = text;
    for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
        if (it != spans.rbegin() && it->first == (it - 1)->first)
            continue;
        result.replace(it->first, it->second, QString::fromUtf16(Redaction::Mask));
    }
    return result;
}
