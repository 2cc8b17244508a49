#include "client/client.h"
#include "core/paths.h"
#include "core/picturefile.h"
#include "history/historysearch.h"
#include "history/historystore.h"
#include "settings/startsequence.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QPixmap>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <sys/socket.h>
#include <tuple>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT close the main window, so shutdown runs as when the user closes it.
// The handlers are set before the program folder is prepared; a signal that comes
// while the client is still starting waits in the pipe and closes the window as soon
// as the event loop runs.
void catchSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void closeOnSignals(QWidget& window)
{
    if (signalPipe[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        window.close();
    });
}

struct CommandLine
{
    QCommandLineParser parser;
    QCommandLineOption home{QStringLiteral("home"),
                            QStringLiteral("Use DIR as the program folder."),
                            QStringLiteral("DIR")};
    QCommandLineOption search{
        QStringLiteral("search"),
        QStringLiteral("Print the stored lines that match WORDS (\"a phrase\", from:nick, "
                       "in:#channel, net:network, after:YYYY-MM-DD, before:YYYY-MM-DD), newest "
                       "first, and exit: status 0 with matches, 1 with none, 2 on an error."),
        QStringLiteral("WORDS")};
    QCommandLineOption searchIn{QStringLiteral("in"),
                                QStringLiteral("With --search: only lines of WINDOW."),
                                QStringLiteral("WINDOW")};
    QCommandLineOption searchFrom{QStringLiteral("from"),
                                  QStringLiteral("With --search: only lines NICK said."),
                                  QStringLiteral("NICK")};
    QCommandLineOption searchLimit{QStringLiteral("limit"),
                                   QStringLiteral("With --search: at most N lines (100)."),
                                   QStringLiteral("N")};

    CommandLine()
    {
        parser.setApplicationDescription(Product::applicationTitle() +
                                         QStringLiteral(", an IRC client"));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(home);
        parser.addOptions({search, searchIn, searchFrom, searchLimit});
        parser.addPositionalArgument(
            QStringLiteral("address"),
            QStringLiteral("Connect to irc://HOST[:PORT][/CHANNEL] at start; each address "
                           "given connects beside the others."),
            QStringLiteral("[irc://HOST[:PORT][/CHANNEL]...]"));
    }
};

// Help and version need no window system: they are answered before one is opened.
bool answeredWithoutWindows(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    CommandLine line;
    // Qt's own options (-platform, -display, ...) are unknown here; the application
    // object takes them out before the real parse.
    line.parser.parse(arguments);
    if (!line.parser.isSet(QStringLiteral("help")) && !line.parser.isSet(QStringLiteral("version")))
        return false;
    QCoreApplication core(argc, argv);
    line.parser.process(core); // prints, and ends the program
    return true;
}

// --search reads the history store and prints; it needs no window system either.
bool searchedWithoutWindows(int argc, char* argv[], int& status)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    CommandLine line;
    line.parser.parse(arguments);
    if (!line.parser.isSet(line.search))
        return false;
    QCoreApplication core(argc, argv);
    line.parser.process(core);
    HistoryQuery query = HistoryQuery::parse(line.parser.value(line.search));
    if (line.parser.isSet(line.searchIn))
        query.in = line.parser.value(line.searchIn);
    if (line.parser.isSet(line.searchFrom))
        query.from = line.parser.value(line.searchFrom);
    if (line.parser.isSet(line.searchLimit)) {
        bool ok = false;
        query.limit = line.parser.value(line.searchLimit).toInt(&ok);
        if (!ok || query.limit < 1)
            query.error = QStringLiteral("--limit wants a number above 0");
    }
    const QString programFolder = Paths::resolveProgramFolder(
        line.parser.value(line.home), qEnvironmentVariable("QUORL_HOME"),
        QCoreApplication::applicationDirPath(), QDir::homePath());
    QTextStream out(stdout);
    QTextStream err(stderr);
    status = HistorySearch::print(HistoryStore::pathIn(programFolder), query, out, err);
    return true;
}

QString platformChosen(int argc, char* argv[])
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "-platform") == 0 || qstrcmp(argv[i], "--platform") == 0)
            return QString::fromLocal8Bit(argv[i + 1]);
    }
    return qEnvironmentVariable("QT_QPA_PLATFORM");
}

void sayNoSession(const QString& display)
{
    const QByteArray why = display.isEmpty() ? QByteArray("DISPLAY or WAYLAND_DISPLAY is not set")
                                             : "cannot open the display " + display.toLocal8Bit();
    std::fprintf(stderr, "quorlirc needs a graphical session: %s\n", why.constData());
    std::fflush(stderr);
}

// Qt ends the program with abort() when it cannot open the window system; the user gets
// one line and status 1 instead. Messages Qt gives while it tries are held back, and
// passed on when it succeeds.
QtMessageHandler earlierHandler = nullptr;
QList<std::tuple<QtMsgType, QString>>* heldMessages = nullptr;

void holdWhileOpening(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg) {
        QString where = qEnvironmentVariable("WAYLAND_DISPLAY");
        if (where.isEmpty())
            where = qEnvironmentVariable("DISPLAY");
        sayNoSession(where);
        std::_Exit(1);
    }
    heldMessages->append({type, message});
}

std::unique_ptr<QApplication> openWindowSystem(int& argc, char* argv[])
{
    if (platformChosen(argc, argv).isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        sayNoSession(QString());
        return nullptr;
    }
    QList<std::tuple<QtMsgType, QString>> held;
    heldMessages = &held;
    earlierHandler = qInstallMessageHandler(holdWhileOpening);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(earlierHandler);
    heldMessages = nullptr;
    for (const auto& [type, message] : held)
        qt_message_output(type, QMessageLogContext(), message);
    return app;
}
// The window icon, drawn from quorlirc.svg at the sizes window lists and task bars use.
// PNGs read as PNG: drawing the SVG would load Qt's SVG engine at every start, and a
// picture of unnamed format would load every image plugin to find out what it is.
QIcon windowIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        icon.addPixmap(QPixmap::fromImage(
            PictureFile::read(QStringLiteral(":/icons/quorlirc-%1.png").arg(size))));
    }
    return icon;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("QuorlIRC"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.00"));
    if (answeredWithoutWindows(argc, argv))
        return 0;
    if (int status = 0; searchedWithoutWindows(argc, argv, status))
        return status;
    const std::unique_ptr<QApplication> app = openWindowSystem(argc, argv);
    if (!app)
        return 1;
    QApplication::setQuitOnLastWindowClosed(true);
    // The desktop entry's name lets the desktop match the window with its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorlirc"));
    QApplication::setWindowIcon(windowIcon());

    CommandLine line;
    line.parser.process(*app);
    catchSignals();

    const QString exeFolder = QCoreApplication::applicationDirPath();
    const QString programFolder = Paths::resolveProgramFolder(line.parser.value(line.home),
                                                              qEnvironmentVariable("QUORL_HOME"),
                                                              exeFolder, QDir::homePath());
    const QStringList problems =
        Paths::prepareProgramFolder(programFolder, Paths::dataFolder(exeFolder));

    Client::startNewSettings(programFolder, Client::loginName());
    MainWindow window(programFolder);
    closeOnSignals(window);
    for (const QString& problem : problems)
        window.client().addStatusLine(problem);
    // Addresses given on the command line start connecting before the window is shown:
    // the connections get under way while the window paints, and the first picture
    // already shows the attempts rather than being painted again at once.
    for (const QString& address : line.parser.positionalArguments()) {
        if (!window.client().connectToAddress(address)) {
            QTextStream(stderr) << "quorlirc: not an irc:// address: " << address << '\n';
            window.client().addStatusLine(QStringLiteral("Not an irc:// address: ") + address);
        }
    }
    window.show();

    // Start-up builds and drops a good deal; give the freed heap back once the window is up.
    QTimer::singleShot(200, [] { malloc_trim(0); });
    return QApplication::exec();
}
