#include "chat/chatlink.h"

#include <array>

namespace {
constexpr std::array<QStringView, 3> webMarks{u"http://", u"https://", u"ftp://"};
constexpr std::array<QStringView, 3> channelPrefixes{u"#", u"@#", u"+#"};
constexpr std::array<QStringView, 4> soundExtensions{u".wav", u".mid", u".mp2", u".mp3"};

template <typename Marks>
bool containsAny(const QString& text, const Marks& marks,
                 Qt::CaseSensitivity cs = Qt::CaseSensitive)
{
    for (QStringView m : marks) {
        if (text.contains(m, cs))
            return true;
    }
    return false;
}
} // namespace

ChatLink classifyLink(const QString& word, const QString& lineFirstWord)
{
    ChatLink link;
    if (word.isEmpty())
        return link;
    if (word.contains(u"www.") || containsAny(word, webMarks)) {
        link.kind = ChatLink::Web;
        link.target = word;
        return link;
    }
    for (QStringView prefix : channelPrefixes) {
        if (word.startsWith(prefix)) {
            link.kind = ChatLink::Channel;
            link.target = word.front() == u'#' ? word : word.mid(1);
            return link;
        }
    }
    if (containsAny(word, soundExtensions, Qt::CaseInsensitive)) {
        // The owner is the nickname of a "<nick> ..." line, or of the "*nick Plays ..."
        // line a shared sound shows; without one there is nobody to ask for the file.
        const bool played = lineFirstWord.startsWith(u'*');
        const QString owner =
            played ? lineFirstWord.mid(1) : lineFirstWord.mid(1, lineFirstWord.size() - 2);
        if (!owner.isEmpty()) {
            link.kind = ChatLink::Sound;
            link.target = word;
            link.owner = owner;
        }
        return link;
    }
    if (word.size() > 2 && word.startsWith(u'<') && word.endsWith(u'>')) {
        link.kind = ChatLink::Nickname;
        link.target = word.mid(1, word.size() - 2);
    }
    return link;
}
