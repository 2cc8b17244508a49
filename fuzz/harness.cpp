#include "harness.h"

#include "client/client.h"
#include "core/prompts.h"
#include "irc/wire.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QNetworkProxyFactory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <memory>
#include <netdb.h>

// Name lookups stay on this machine: a host name made up by the fuzzer (a /server
// command, a DNS request) is never sent to a name server, and addresses are never looked
// up in reverse. These take the C library's place for the whole process.
extern "C" int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                           struct addrinfo** result)
{
    using Real = int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "getaddrinfo"));
    struct addrinfo numeric = {};
    if (hints)
        numeric = *hints;
    if (node && std::strcmp(node, "localhost") != 0)
        numeric.ai_flags |= AI_NUMERICHOST;
    return real(node, service, &numeric, result);
}

extern "C" int getnameinfo(const struct sockaddr* address, socklen_t length, char* host,
                           socklen_t hostLength, char* service, socklen_t serviceLength, int flags)
{
    using Real =
        int (*)(const struct sockaddr*, socklen_t, char*, socklen_t, char*, socklen_t, int);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "getnameinfo"));
    return real(address, length, host, hostLength, service, serviceLength,
                flags | NI_NUMERICHOST | NI_NUMERICSERV);
}

namespace {

// Turns every question down, except the DCC offers a target chose answers for.
class ScriptedPrompts : public Prompts
{
public:
    void warning(const QString&) override {}
    void askYesNo(const QString&, std::function<void(bool)> answer) override { answer(false); }
    void askChoice(const QString&, const QStringList&, std::function<void(int)> answer) override
    {
        answer(-1);
    }
    void askDccChat(const QString&, std::function<void(ChatRequestAnswer)> answer) override
    {
        answer(chat);
    }
    void askReceiveFile(const FileOfferQuestion&,
                        std::function<void(FileOfferAnswer)> answer) override
    {
        answer(FileOfferAnswer{file, QString()});
    }

    ChatRequestAnswer chat = ChatRequestAnswer::Reject;
    FileOfferChoice file = FileOfferChoice::Reject;
};

// Every outgoing connection but the one to the harness's own server goes through a proxy
// on a closed loopback port, so it fails at once: an address or port made up by the
// fuzzer (a DCC offer, a /server command) never reaches anything, on this machine or off.
class SinkOnly : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override
    {
        // Listening (ident, DCC offers) reaches nothing; through a proxy it would wait.
        if (query.queryType() == QNetworkProxyQuery::TcpServer)
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        const QHostAddress host(query.peerHostName());
        if (sinkPort != 0 && query.peerPort() == sinkPort && !host.isNull() && host.isLoopback())
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return {QNetworkProxy(QNetworkProxy::Socks5Proxy, QStringLiteral("127.0.0.1"), 9)};
    }

    int sinkPort = 0;
};

// Takes the links and files the client would hand to the desktop ("/run", a clicked
// link), so that no fuzz input starts a program.
class DesktopSink : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void open(const QUrl&) {}
};

struct State
{
    std::unique_ptr<QGuiApplication> app;
    std::unique_ptr<QTemporaryDir> dir;
    ScriptedPrompts prompts;
    SinkOnly* proxies = nullptr; // owned by Qt once installed
    std::unique_ptr<Client> client;
    std::unique_ptr<QTcpServer> sink;
};

State& state()
{
    static State* s = new State; // never destroyed: libFuzzer exits without unwinding
    return *s;
}

int argc = 1;
char arg0[] = "fuzz";
char* argv[] = {arg0, nullptr};

} // namespace

namespace FuzzHarness {

void start()
{
    State& s = state();
    if (s.app)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*=false");
    s.app = std::make_unique<QGuiApplication>(argc, argv);
    s.proxies = new SinkOnly;
    QNetworkProxyFactory::setApplicationProxyFactory(s.proxies);
    static DesktopSink desktop;
    for (const char* scheme : {"file", "http", "https", "ftp", "mailto", "irc", "ircs"})
        QDesktopServices::setUrlHandler(QLatin1String(scheme), &desktop, "open");
}

QString programFolder()
{
    State& s = state();
    if (!s.dir) {
        // In memory where the machine offers it: targets write their input to a file
        // for every run, and the disk need not see any of it.
        const QString shm = QStringLiteral("/dev/shm");
        const QString base = QFileInfo(shm).isWritable() ? shm : QDir::tempPath();
        s.dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/quorl-fuzz-XXXXXX"));
        const QString root = s.dir->path() + u'/';
        for (const char* sub : {"themes", "scripts/objects", "Menu Mods", "logs", "Logs", "posters",
                                "Received Files", "fileserver", "sounds", "import"})
            QDir().mkpath(root + QLatin1String(sub));
    }
    return s.dir->path() + u'/';
}

void writeFile(const QString& relativePath, const QByteArray& bytes)
{
    const QString path = programFolder() + relativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

Prompts& prompts()
{
    return state().prompts;
}

void settle()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, 0);
    // No event loop runs between inputs: what was released with deleteLater (sockets of
    // ended transfers, the sink's closed peers) goes here, or it would pile up.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

namespace {
Client& client()
{
    State& s = state();
    if (!s.client) {
        s.client = std::make_unique<Client>(programFolder(), s.prompts);
        s.client->session().ident().setPort(0);
        s.sink = std::make_unique<QTcpServer>();
        s.sink->listen(QHostAddress::LocalHost, 0);
        s.proxies->sinkPort = s.sink->serverPort();
        QObject::connect(s.sink.get(), &QTcpServer::newConnection, s.sink.get(), [&s] {
            while (QTcpSocket* peer = s.sink->nextPendingConnection()) {
                QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer] { peer->readAll(); });
                QObject::connect(peer, &QTcpSocket::disconnected, peer, &QObject::deleteLater);
            }
        });
    }
    return *s.client;
}

void connectToSink(Client& client)
{
    Session& session = client.session();
    session.endSession();
    session.connectToKnownHost(QStringLiteral("127.0.0.1"), state().sink->serverPort(),
                               QStringLiteral("Local - fuzz"));
    QElapsedTimer waited;
    waited.start();
    while (!session.isConnected() && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (!session.isConnected())
        std::abort(); // the loopback sink must always be reachable
}
} // namespace

Client& connectedClient()
{
    Client& c = client();
    Session& session = c.session();
    if (!session.isRegistered()) {
        if (!session.isConnected())
            connectToSink(c);
        session.handleLine(QStringLiteral(":irc.fuzz 001 fuzzer :Welcome"));
        session.handleLine(QStringLiteral(":irc.fuzz 376 fuzzer :End of MOTD"));
    }
    return c;
}

Client& newConnection()
{
    Client& c = client();
    Session& session = c.session();
    session.endSession();
    // The session goes on as when its socket reports the connection made, without a
    // round trip to the sink for every input: what it sends is dropped, and seen only in
    // its record of sent lines.
    Q_EMIT session.serverSocket().connectFinished(true, QString());
    return c;
}

void tidy()
{
    Client& c = client();
    DccService& dcc = c.dcc();
    dcc.stopAll();
    dcc.sends().removeDeadRows();
    dcc.receives().removeDeadRows();
    c.session().outbound().clear();
    if (c.statusLog().count() > 1000)
        c.statusLog().clear();
    if (c.serverView().count() > 1000)
        c.serverView().clear();
    if (c.windows().count() > 40)
        c.windows().closeChatWindowsForDisconnect();
    // Inputs add aliases ("/x /y" defines one), and every command walks them all: without
    // a bound a long run slows down input by input.
    if (c.options().textEntry.aliases.size() > 100)
        c.options().textEntry.aliases.clear();
    // So do the lines a window keeps (its limit is far above what one input writes).
    for (qsizetype i = 0; i < c.windows().count(); ++i) {
        ChatDocument* document = c.windows().at(i)->document.get();
        if (document && document->lineCount() > 1000)
            document->clear();
    }
    settle();
}

void answerOffers(ChatRequestAnswer chat, FileOfferChoice file)
{
    state().prompts.chat = chat;
    state().prompts.file = file;
}

QString text(const std::uint8_t* data, std::size_t size)
{
    return Wire::decode(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
}

QList<QByteArray> parts(const std::uint8_t* data, std::size_t size, int count)
{
    const QByteArrayList all =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0');
    QList<QByteArray> result = all.mid(0, count - 1);
    if (all.size() >= count)
        result << all.mid(count - 1).join('\0');
    while (result.size() < count)
        result << QByteArray();
    return result;
}

} // namespace FuzzHarness

#include "harness.moc"
