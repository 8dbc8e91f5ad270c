#pragma once

#include "app/prompter.h"
#include "scan/volumes.h"
#include "settings/profile.h"
#include "store/database.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <QFont>
#include <QPrinter>

#include <deque>
#include <functional>
#include <optional>

// Answers message boxes from a script and remembers what they said.
class ScriptedPrompter : public Prompter
{
public:
    struct Shown
    {
        QString text;
        Buttons buttons;
        QString title;
    };

    Answer ask(const QString& text, Buttons buttons, const QString& title) override
    {
        shown.push_back({text, buttons, title});
        if (beforeAnswer)
            beforeAnswer(text);
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == RetryCancel ? Cancel : buttons == YesNo ? No : Ok;
    }
    QStringList texts() const
    {
        QStringList list;
        for (const Shown& s : shown)
            list << s.text;
        return list;
    }

    // The print dialog prints to `pdfFile`, or is cancelled when it is empty.
    bool choosePrinter(QPrinter& printer) override
    {
        ++printDialogs;
        if (pdfFile.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfFile);
        return true;
    }
    // The font dialog answers `font`, or is cancelled when there is none.
    bool chooseFont(const QFont& preset, QFont* chosen) override
    {
        fontPresets.push_back(preset);
        if (!font)
            return false;
        *chosen = *font;
        return true;
    }

    std::deque<Answer> answers;
    std::function<void(const QString&)> beforeAnswer;
    std::vector<Shown> shown;
    QString pdfFile;
    int printDialogs = 0;
    std::optional<QFont> font;
    std::vector<QFont> fontPresets;
};

// Drives that are folders of the test's own.
class FolderVolumes : public VolumeSource
{
public:
    QList<Volume> volumes() override { return list; }
    Volume volumeOf(const QString& path) override
    {
        Volume best;
        for (const Volume& v : list) {
            if (path.startsWith(v.root) && v.root.size() > best.root.size())
                best = v;
        }
        return best.root.isEmpty() && !list.isEmpty() ? list.first() : best;
    }
    bool readLabel(const Volume& volume, QString* label) override
    {
        if (failing.contains(volume.root))
            return false;
        for (const Volume& v : list) {
            if (v.root == volume.root) {
                *label = v.label;
                return true;
            }
        }
        return false;
    }

    QList<Volume> list;
    QStringList failing;
};

// A program folder in a temporary folder, with an empty catalogue unless told otherwise.
struct ProgramFolder
{
    explicit ProgramFolder(bool withCatalogue = true)
    {
        Modini::setProgramFolder(dir.path());
        if (withCatalogue)
            QVERIFY(!Song::createCatalogue(databasePath()).failed());
    }
    QString path() const { return dir.path(); }
    QString databasePath() const { return dir.path() + QStringLiteral("/adomp3.mdb"); }
    QString settingsPath() const { return dir.path() + QStringLiteral("/trelmo.ini"); }
    void writeSettings(const QByteArray& text) const
    {
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    // Runs statements on the catalogue file, as another program would.
    void run(const char* sql) const
    {
        Database db;
        QVERIFY(!db.open(databasePath()).failed());
        QVERIFY(!db.execute(QString::fromUtf8(sql)).failed());
    }
    QByteArray readSettings() const
    {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

// Songs stored straight into the catalogue file: each artist with the title "<artist> song".
inline void addRows(const QString& databasePath, const QStringList& artists)
{
    Database db;
    QVERIFY(!db.open(databasePath).failed());
    Statement insert;
    QVERIFY(!insert
                 .prepare(db.handle(), "INSERT INTO adosong (Artist,Title,ONcd,MP3cd,Category,FullPath) "
                                       "VALUES (?,?,0,'ROCK1','Rock','/media/cdrom/Rock/')")
                 .failed());
    for (const QString& artist : artists) {
        insert.reset();
        insert.bind(1, artist);
        insert.bind(2, artist + " song");
        Failure f;
        insert.step(&f);
        QVERIFY(!f.failed());
    }
}
