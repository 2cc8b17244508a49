// A large server list at start: a qrlsrvs.txt of 25,000 servers (each in a folder of its
// own: folder, server, HOST and PORT lines, so 100,001 lines with the root) in a fresh
// program folder, timed from building the main window, which reads the settings and the
// server list and fills the server tree, until the shown window has painted. The figure
// is the median of the runs with their spread, and the machine's load beside it.
//
// bench_serverlist [servers] [runs]
#include "benchsupport.h"
#include "ui/mainwindow.h"
#include "ui/settings/servertreepage.h"
#include "ui/settings/servertreewidget.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace bench;

QByteArray serverList(int servers, int* lines)
{
    QByteArray text = "SERVER LIST\r\n";
    *lines = 1;
    for (int i = 0; i < servers; ++i) {
        const QByteArray n = QByteArray::number(i);
        text += "\tNetwork " + n + "\r\n\t\tServer " + n + "\r\n\t\t\tHOST: irc" + n +
                ".example.net\r\n\t\t\tPORT: 6667,6668\r\n";
        *lines += 4;
    }
    return text;
}
} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int servers = argc > 1 ? std::max(1, std::atoi(argv[1])) : 25000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    int lines = 0;
    const QByteArray list = serverList(servers, &lines);

    const double loadBefore = loadAverage();
    std::vector<double> times;
    int shownItems = 0;
    for (int r = 0; r < runs; ++r) {
        QTemporaryDir home;
        QFile file(home.filePath(QStringLiteral("qrlsrvs.txt")));
        if (!file.open(QIODevice::WriteOnly) || file.write(list) != list.size())
            return 1;
        file.close();
        const auto t0 = Steady::now();
        {
            MainWindow form(home.path() + u'/');
            form.show();
            if (!QTest::qWaitForWindowExposed(&form))
                return 1;
            QCoreApplication::processEvents();
            times.push_back(std::chrono::duration<double>(Steady::now() - t0).count());
            shownItems = form.serverPage()->tree()->topLevelItem(0)->childCount();
        }
    }
    const double loadAfter = loadAverage();
    std::sort(times.begin(), times.end());

    std::printf("server list: %d servers, %d lines; main window built and shown\n", servers, lines);
    std::printf("  median %.3f s, spread %.3f .. %.3f s over %d runs (%d folders shown)\n",
                times[times.size() / 2], times.front(), times.back(), runs, shownItems);
    std::printf("  runs:");
    for (double t : times)
        std::printf(" %.3f", t);
    std::printf("\nmachine load average (1 min): %.2f before, %.2f after\n", loadBefore, loadAfter);
    return 0;
}
