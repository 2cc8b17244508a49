#include "client/client.h"
#include "core/paths.h"
#include "settings/startsequence.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <malloc.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT close the main window, so shutdown runs as when the user closes it.
void closeOnSignals(QWidget& window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        window.close();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuorlIRC"));
    QApplication::setApplicationVersion(QStringLiteral("2.00"));
    QApplication::setQuitOnLastWindowClosed(true);

    QCommandLineParser parser;
    parser.setApplicationDescription(Product::applicationTitle() +
                                     QStringLiteral(", an IRC client"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption homeOption(QStringLiteral("home"),
                                        QStringLiteral("Use DIR as the program folder."),
                                        QStringLiteral("DIR"));
    parser.addOption(homeOption);
    parser.addPositionalArgument(QStringLiteral("address"),
                                 QStringLiteral("Connect to irc://HOST[:PORT][/CHANNEL] at start."),
                                 QStringLiteral("[irc://HOST[:PORT][/CHANNEL]]"));
    parser.process(app);

    const QString exeFolder = QCoreApplication::applicationDirPath();
    const QString programFolder = Paths::resolveProgramFolder(
        parser.value(homeOption), qEnvironmentVariable("QUORL_HOME"), exeFolder, QDir::homePath());
    const QStringList problems =
        Paths::prepareProgramFolder(programFolder, Paths::dataFolder(exeFolder));

    Client::startNewSettings(programFolder, Client::loginName());
    MainWindow window(programFolder);
    closeOnSignals(window);
    for (const QString& problem : problems)
        window.client().addStatusLine(problem);
    window.show();

    // Start-up builds and drops a good deal; give the freed heap back once the window is up.
    QTimer::singleShot(200, [] { malloc_trim(0); });

    const QStringList args = parser.positionalArguments();
    if (!args.isEmpty() && !window.client().connectToAddress(args.first())) {
        QTextStream(stderr) << "quorlirc: not an irc:// address: " << args.first() << '\n';
        window.client().addStatusLine(QStringLiteral("Not an irc:// address: ") + args.first());
    }
    return app.exec();
}
