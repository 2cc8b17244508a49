#include "script/objectform.h"

#include "core/privateprofile.h"
#include "script/scripttext.h"

namespace {
const QString dataSection = QStringLiteral("DATA");

std::optional<int> choiceOf(const QString& value)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

QString choiceText(const std::optional<int>& choice)
{
    return choice ? QString::number(*choice) : QString();
}

// The keys of each type, in the order they are written.
struct FormKeys
{
    const char* message = nullptr;
    const char* choice = nullptr;
    const char* choiceDefault = "";
    const char* sendTo = nullptr;
    const char* sendToDefault = "";
    const char* list = nullptr;
    bool keywordAndFile = false;
};

FormKeys keysOf(ObjectType type)
{
    switch (type) {
    case ObjectType::Greet:
    case ObjectType::Farewell:
        return {"message", "sendas", "", "sendto", "", "sendnicklist", false};
    case ObjectType::AutoOp:
    case ObjectType::AutoVoice:
        return {nullptr, nullptr, "", nullptr, "", "addresslist", false};
    case ObjectType::Protect:
        return {"kickmsg", "response", "0", nullptr, "", "nicklist", false};
    case ObjectType::AutoSend:
        return {nullptr, nullptr, "", "useroption", "0", "nicklist", true};
    case ObjectType::OnText:
        return {"message", "messageoption", "", nullptr, "", "wordlist", false};
    }
    return {};
}
} // namespace

std::optional<ObjectForm> ObjectForm::read(const QString& path)
{
    const PrivateProfile file(path);
    const ObjectTypeInfo* info =
        objectTypeInfo(file.value(dataSection, QStringLiteral("type"), QStringLiteral("sdxdx")));
    if (!info)
        return std::nullopt;
    const FormKeys keys = keysOf(info->type);
    auto text = [&](const char* key, const char* fallback = "") {
        return file.value(dataSection, QLatin1String(key), QLatin1String(fallback));
    };
    ObjectForm form;
    form.type = info->type;
    form.channel = text("channel");
    form.network = ScriptText::networkOf(text("network"));
    if (keys.message)
        form.message = text(keys.message);
    if (keys.keywordAndFile) {
        form.keyword = text("keyword");
        form.file = text("file");
    }
    if (keys.choice)
        form.choice = choiceOf(text(keys.choice, keys.choiceDefault));
    if (keys.sendTo)
        form.sendTo = choiceOf(text(keys.sendTo, keys.sendToDefault));
    const QString list = text(keys.list);
    form.list = info->type == ObjectType::OnText ? ScriptText::wordItems(list).mid(0, MaxListItems)
                                                 : ScriptText::listItems(list, MaxListItems);
    return form;
}

bool ObjectForm::write(const QString& path) const
{
    const FormKeys keys = keysOf(type);
    PrivateProfile profile(path);
    auto put = [&](const char* key, const QString& value) {
        profile.setValue(dataSection, QLatin1String(key), value);
    };
    put("channel", channel.trimmed());
    // A file that never named a network keeps its keys as they were.
    if (!ScriptText::networkOf(network).isEmpty())
        put("network", network.trimmed());
    else
        profile.removeKey(dataSection, QStringLiteral("network"));
    if (keys.keywordAndFile) {
        put("keyword", keyword.trimmed());
        put("file", this->file.trimmed());
    }
    if (keys.message)
        put(keys.message, message);
    if (keys.sendTo && type != ObjectType::AutoSend)
        put(keys.sendTo, choiceText(sendTo));
    if (keys.choice)
        put(keys.choice, choiceText(choice));
    if (keys.sendTo && type == ObjectType::AutoSend)
        put(keys.sendTo, choiceText(sendTo));
    put(keys.list, ScriptText::joinList(list));
    return profile.save();
}
