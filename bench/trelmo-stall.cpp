// How long the main window's event loop stands still while a long command runs: the real
// window, on the platform Qt is given (offscreen will do), drives the command as a user
// would, and a timer that should fire every few milliseconds measures the longest gap.
// Prints figures, asserts nothing.
#include "app/drivepanel.h"
#include "app/jobrunner.h"
#include "app/mainwindow.h"
#include "app/prompter.h"
#include "base/memory.h"
#include "scan/volumes.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPrinter>
#include <QTimer>

#include <cstdio>

namespace {

// Answers every question with its default button, and writes what it was asked.
class AnsweringPrompter : public Prompter
{
public:
    QString file; // what the print and file dialogs answer
    Answer ask(const QString& text, Buttons buttons, const QString&, const QString&) override
    {
        std::fprintf(stderr, "asked: %s\n", qPrintable(text));
        return buttons == RetryCancel ? Cancel : buttons == YesNo ? No : Ok;
    }
    Answer askForDisc(const QString& text, const QString& title, MountWatch*, const std::function<bool()>&,
                      const QString&) override
    {
        return ask(text, RetryCancel, title, {});
    }
    bool choosePrinter(QPrinter& printer) override
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return true;
    }
    bool chooseFont(const QFont&, QFont*) override { return false; }
    bool chooseFolder(QString*) override { return false; }
    bool askText(const QString&, const QString&, QString*) override { return false; }
    bool chooseFileToWrite(const QString&, const QStringList&, QString* chosen) override
    {
        *chosen = file;
        return true;
    }
};

// The working folder, and the tree to build from as a second drive.
class BenchVolumes : public VolumeSource
{
public:
    QList<Volume> list;
    QList<Volume> volumes() override { return list; }
    Volume volumeOf(const QString& path) override
    {
        for (const Volume& v : list) {
            if (path.startsWith(v.root) && v.root != list.first().root)
                return v;
        }
        return list.first();
    }
    bool readLabel(const Volume& volume, QString* label) override
    {
        *label = volume.label;
        return true;
    }
};

int usage()
{
    std::fprintf(stderr, "usage: trelmo-stall build FOLDER TREE | fill FOLDER | play-all FOLDER |\n"
                         "                    export FOLDER FILE.csv | print FOLDER FILE.pdf\n"
                         "FOLDER holds the catalogue adomp3.mdb; the window opens on it.\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    keepFreedMemoryAtHand(); // as the program does
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return usage();
    const QString command = args[0];
    AnsweringPrompter prompter;
    prompter.file = args.value(2);
    BenchVolumes volumes;
    Volume here;
    here.root = QDir::currentPath();
    here.label = QStringLiteral("HERE");
    volumes.list << here;
    if (command == QLatin1String("build")) {
        Volume tree;
        tree.root = QDir(args.value(2)).absolutePath();
        tree.label = QStringLiteral("BENCH");
        volumes.list << tree;
    }
    MainWindow window(args[1], &prompter, &volumes);
    if (!window.load())
        return 1;
    window.show();

    QElapsedTimer clock;
    qint64 lastTick = 0, longest = 0, longestAt = 0, ticks = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (now - lastTick > longest) {
            longest = now - lastTick;
            longestAt = lastTick;
        }
        lastTick = now;
        ++ticks;
    });
    bool started = false;
    double clickMs = 0; // the command's own handler, the job started
    QObject::connect(window.jobs(), &JobRunner::runningChanged, [&](bool running) {
        if (running)
            started = true;
        else
            QTimer::singleShot(100, &app, &QCoreApplication::quit); // the refresh after it counts too
    });
    QTimer::singleShot(200, &window, [&] {
        clock.start();
        ticker.start();
        if (command == QLatin1String("build")) {
            window.findChild<QComboBox*>(QStringLiteral("Drive1"))->setCurrentIndex(1);
            window.findChild<QAbstractButton*>(QStringLiteral("cmdmakedb"))->click();
        } else if (command == QLatin1String("fill")) {
            window.findChild<QAction*>(QStringLiteral("mnufillplaytimes"))->trigger();
        } else if (command == QLatin1String("play-all")) {
            window.findChild<QAction*>(QStringLiteral("mnuplayall"))->trigger();
        } else if (command == QLatin1String("export")) {
            window.findChild<QAction*>(QStringLiteral("mnuexport"))->trigger();
        } else if (command == QLatin1String("print")) {
            window.findChild<QAbstractButton*>(QStringLiteral("cmdprint"))->click();
        }
        clickMs = double(clock.nsecsElapsed()) / 1e6;
        if (!started) {
            std::fprintf(stderr, "no job started\n");
            app.exit(1);
        }
    });
    const int status = app.exec();
    ticker.stop();
    std::printf("command: %s\njob_ms: %lld\nticks: %lld\nclick_ms: %.1f\nlongest_stall_ms: %.1f\n"
                "longest_stall_at_ms: %lld\n",
                qPrintable(command), clock.elapsed(), ticks, clickMs,
                qMax<double>(0, double(longest) / 1e6 - ticker.interval()), longestAt / 1000000);
    return status;
}
