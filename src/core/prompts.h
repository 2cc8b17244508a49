#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The user's answer to a DCC chat offer ("DCC Chat Request").
enum class ChatRequestAnswer { Accept, Reject, IgnoreUser };

// A DCC file offer put to the user ("Receiving File").
struct FileOfferQuestion
{
    QString nick;
    QString fileName; // after the theme suffix is removed
    qint64 size = 0;
    bool theme = false;
    QString folder; // where the dialog's folder list starts, ending in "/"
};

enum class FileOfferChoice { Accept, Resume, Reject, IgnoreUser };

struct FileOfferAnswer
{
    FileOfferChoice choice = FileOfferChoice::Reject;
    QString folder; // the folder chosen for Accept and Resume
};

// Where the core needs a person: the UI answers with dialogs, tests with scripted
// answers. Answers that need a choice arrive through callbacks, so the core never waits.
class Prompts
{
public:
    virtual ~Prompts() = default;
    virtual void warning(const QString& text) = 0;
    // A question with Yes and No; the answer arrives later, true for Yes.
    virtual void askYesNo(const QString& text, std::function<void(bool yes)> answer) = 0;
    // A front end that cannot ask turns the offers down.
    virtual void askDccChat(const QString& nick, std::function<void(ChatRequestAnswer)> answer)
    {
        Q_UNUSED(nick);
        answer(ChatRequestAnswer::Reject);
    }
    virtual void askReceiveFile(const FileOfferQuestion& offer,
                                std::function<void(FileOfferAnswer)> answer)
    {
        Q_UNUSED(offer);
        answer(FileOfferAnswer{});
    }
    // A question with several answers; the index of the one chosen arrives later, -1 when
    // the question was closed without an answer.
    virtual void askChoice(const QString& text, const QStringList& choices,
                           std::function<void(int choice)> answer) = 0;
};
