// Benchmarks for catalogues and trees at the scale users keep: prints figures, asserts nothing.
#include "audiokinds.h"
#include "base/memory.h"
#include "browse/columnsort.h"
#include "browse/exporter.h"
#include "browse/fieldsearch.h"
#include "browse/playallshown.h"
#include "mp3kinds.h"
#include "mp3tags.h"
#include "output/listing.h"
#include "scan/audioformat.h"
#include "scan/audiolength.h"
#include "scan/cataloguebuilder.h"
#include "scan/discupdate.h"
#include "scan/folderreader.h"
#include "scan/mp3length.h"
#include "scan/volumes.h"
#include "store/cataloguecopy.h"
#include "store/database.h"
#include "store/disccomparison.h"
#include "store/discrecords.h"
#include "store/discs.h"
#include "store/playtime.h"
#include "store/recordset.h"
#include "store/rowstream.h"
#include "store/schema.h"
#include "store/songtable.h"
#include "store/songtotals.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>
#include <QProcess>

#include <cstdio>
#include <string>

namespace {

// Whether `failure` is one, said on standard error when it is.
bool said(const Failure& failure)
{
    if (failure)
        std::fprintf(stderr, "%s\n", qPrintable(failure.description));
    return failure.failed();
}

const char* const firstNames[] = {"Lenna", "Grey",  "Marta", "Jonas", "Ines",  "Toby", "Ada",   "Felix",
                                  "Nina",  "Oskar", "Rosa",  "Hugo",  "Lotte", "Bram", "Clara", "Emil",
                                  "Ivy",   "Milo",  "Saga",  "Timo",  "Vera",  "Wim",  "Yara",  "Zeno"};
const char* const lastNames[] = {"Vey",      "Owl",     "Lindqvist", "Moreau",   "Okafor", "Brandt",
                                 "Castillo", "Dahl",    "Eriksen",   "Fontaine", "Garcia", "Holm",
                                 "Iversen",  "Janssen", "Kowalski",  "Larsen",   "Meyer",  "Novak",
                                 "Olsen",    "Petrov",  "Quinn",     "Rossi",    "Silva",  "Tanaka",
                                 "Ueda",     "Vidal",   "Weber",     "Young"};
const char* const bandWords[] = {"Harbour",  "Kestrel", "Velvet", "Northern", "Iron",  "Paper",  "Glass",
                                 "Midnight", "Silver",  "Echo",   "Hollow",   "Amber", "Static", "Lantern"};
const char* const titleWords[] = {
    "Slow",     "River",  "Winter", "Light",   "Harbour", "Blue",    "Night",  "Train",    "Summer", "Rain",
    "Heart",    "Road",   "Golden", "Morning", "Song",    "Fire",    "Wild",   "Dream",    "Ocean",  "Stone",
    "Little",   "Dance",  "Shadow", "Home",    "Sweet",   "Falling", "Broken", "Northern", "Velvet", "Sky",
    "Midnight", "Garden", "Last",   "City",    "Silver",  "Echo",    "Lonely", "Paper",    "Tide",   "Wind"};
const char* const categories[] = {"Rock",  "Ballads",   "Jazz",        "Blues",          "Pop",
                                  "Folk",  "Classical", "Country",     "Soul",           "Reggae",
                                  "Metal", "Punk",      "Soundtracks", "Various Artists"};

template <typename T, size_t N> constexpr size_t countOf(T (&)[N])
{
    return N;
}

quint64 mix(quint64 x)
{
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    return x ^ (x >> 33);
}

// Names in other scripts and with accents, for one artist in eight.
const char* const worldNames[] = {"Björk",      "Sigur Rós",  "Mötley Crüe",    "Beyoncé",     "Αθηνά Ρόδου",
                                  "Чайковский", "坂本龍一",   "Ólafur Arnalds", "Zoë Keating", "Hüsker Dü",
                                  "Łukasz Żal", "Søren Kjær", "Straße Band",    "فيروز"};

std::string artistName(quint64 h)
{
    if (h % 8 == 1)
        return std::string(worldNames[(h / 8) % countOf(worldNames)]) + " " +
               lastNames[(h / 211) % countOf(lastNames)];
    if (h % 5 == 0) {
        return std::string("The ") + bandWords[(h / 5) % countOf(bandWords)] + " " +
               bandWords[(h / 71) % countOf(bandWords)] + "s";
    }
    return std::string(firstNames[(h / 7) % countOf(firstNames)]) + " " +
           lastNames[(h / 211) % countOf(lastNames)];
}

// Unique for every i below 40^4: the words spell i in base 40.
std::string titleName(quint64 i)
{
    const size_t w = countOf(titleWords);
    std::string title = std::string(titleWords[i % w]) + " " + titleWords[(i / w) % w];
    if (i >= w * w)
        title += std::string(" ") + titleWords[(i / (w * w)) % w];
    if (i >= w * w * w)
        title += std::string(" ") + titleWords[(i / (w * w * w)) % w];
    return title;
}

// Bytes this process has read from files so far, the page cache's included.
qint64 bytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}

long rssMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong() / 1024;
    }
    return -1;
}

// With `discs`, the rows are spread over that many discs, each remembered as a build does
// (walked from /media/DISCn/); without, a disc name every 2,000 rows and no records.
int makeCatalogue(const QString& path, qint64 count, qint64 discs)
{
    if (count < 0 || count > 2'000'000) {
        std::fprintf(stderr, "N must be between 0 and 2000000\n");
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    if (said(Song::createCatalogue(path)))
        return 1;
    Database db;
    SongTable table;
    Failure f = openEngine(db, table, path);
    if (!f)
        f = db.execute(QStringLiteral("PRAGMA cache_size=-262144"));
    if (said(f))
        return 1;
    table.setBatchInterval(1000);
    for (qint64 i = 0; i < count; ++i) {
        const quint64 h = mix(quint64(i) + 1);
        const std::string category = categories[(h >> 20) % countOf(categories)];
        const std::string artist = artistName(h);
        const qint64 discNumber = discs > 0 ? 1 + i * discs / qMax<qint64>(count, 1) : 1 + i / 2000;
        const std::string disc = "DISC" + std::to_string(discNumber);
        const std::string root = discs > 0 ? "/media/" + disc + "/" : std::string("/media/cdrom/");
        table.addNew();
        table.setText(Song::Artist, artist);
        table.setText(Song::Title, titleName(quint64(i)));
        // Play times from one to eight minutes; one song in three burned to CD.
        table.setText(Song::Playtime, PlayTime::stored(double(60 + (h >> 30) % 420)).toStdString());
        table.setInteger(Song::ONcd, (h >> 40) % 3 == 0 ? 1 : 0);
        table.setText(Song::MP3cd, disc);
        table.setText(Song::Category, category);
        table.setText(Song::FullPath, root + category + "/" + artist + "/");
        if (Failure failure = table.update()) {
            std::fprintf(stderr, "row %lld: %s\n", i, qPrintable(failure.description));
            return 1;
        }
    }
    table.close();
    for (qint64 d = 1; d <= discs; ++d) {
        const QString name = QStringLiteral("DISC%1").arg(d);
        const QString root = QStringLiteral("/media/%1/").arg(name);
        if (Failure failure =
                DiscRecords::remember(db, {name, root, root, name, {}, QStringLiteral("vfat"), 0})) {
            std::fprintf(stderr, "%s\n", qPrintable(failure.description));
            return 1;
        }
    }
    std::printf("make_ms: %lld\nrows: %lld\n", clock.elapsed(), count);
    return 0;
}

// The rows of one screen of the grid, as it asks for them after a refresh.
qint64 fetchFirstScreen(RecordSet& records)
{
    qint64 cells = 0;
    for (qint64 r = 0; r < qMin<qint64>(40, records.recordCount()); ++r)
        for (int c = 0; c < Song::FieldCount; ++c)
            cells += records.value(r, c).isValid();
    return cells;
}

// A new record source for the data control, as a column-head click or a search makes it:
// run, counted and the first screen fetched. Prints NAME_ms and rows.
int showSource(const QString& path, const char* name, const RecordSource& source)
{
    RecordSet records;
    records.setCatalogue(path);
    QElapsedTimer clock;
    clock.start();
    if (said(records.requery(source)))
        return 1;
    fetchFirstScreen(records);
    std::printf("%s_ms: %lld\nrows: %lld\n", name, clock.elapsed(), records.recordCount());
    return 0;
}

int sortCatalogue(const QString& path, const QString& column)
{
    bool ok = false;
    const int index = column.toInt(&ok);
    if (!ok || index < 0 || index >= Song::FieldCount) {
        std::fprintf(stderr, "COLUMN must be 0 to 6\n");
        return 2;
    }
    return showSource(path, "sort", ColumnSort::sourceFor(index));
}

int searchCatalogue(const QString& path, const QString& field, const QString& text)
{
    RecordSource source;
    if (said(FieldSearch::sourceFor(field, text, &source)))
        return 2;
    return showSource(path, "search", source);
}

// File → Export… of the whole catalogue in the default order; the ending of OUT (.csv or
// .m3u8) picks the format. Playlist entries name each song where the catalogue says.
int exportCatalogue(const QString& path, const QString& output)
{
    const std::optional<Exporter::Format> format = Exporter::formatOf(output);
    if (!format) {
        std::fprintf(stderr, "OUT must end in .csv or .m3u8\n");
        return 2;
    }
    const long before = rssMegabytes();
    QElapsedTimer clock;
    clock.start();
    const Exporter::Result result = Exporter::write(path, RecordSource::defaultSource(), output, *format);
    if (result.failure) {
        std::fprintf(stderr, "%s\n", qPrintable(result.failure.description));
        return 1;
    }
    std::printf("export_ms: %lld\nrows: %lld\nrss_mb: %ld\nrss_growth_mb: %ld\n", clock.elapsed(),
                result.rows, rssMegabytes(), rssMegabytes() - before);
    return 0;
}

// "Play All Shown" over the whole catalogue in the default order: every song looked for on
// the drives mounted now, as playing would; those found go to the playlist OUT.
int playAll(const QString& path, const QString& playlist)
{
    Database db;
    if (said(db.open(path, true)))
        return 1;
    SystemVolumes volumes;
    SongLocator::Hooks lookup;
    lookup.probe = [](const QByteArray& file) { return probePath(file); };
    lookup.volumes = [&volumes] { return volumes.volumes(); };
    lookup.discs = [&db](const QString& disc) {
        QList<DiscRecord> discs;
        DiscRecords::named(db, disc, &discs);
        return discs;
    };
    lookup.mountFolders = [&volumes] { return volumes.mountFolders(); };
    QElapsedTimer clock;
    clock.start();
    const PlayAllShown::Result result =
        PlayAllShown::writePlaylist(path, RecordSource::defaultSource(), playlist, lookup, {});
    if (result.failure) {
        std::fprintf(stderr, "%s\n", qPrintable(result.failure.description));
        return 1;
    }
    std::printf("play_all_ms: %lld\nsongs: %lld\ndisc_absent: %lld\nabsent_discs: %lld\nrss_mb: %ld\n",
                clock.elapsed(), result.songs, result.discAbsent, qint64(result.absentDiscs.size()),
                rssMegabytes());
    return 0;
}

int openCatalogue(const QString& path)
{
    const long before = rssMegabytes();
    QElapsedTimer clock;
    clock.start();
    // What the window's load step does: the engine connection, then the data control.
    Database db;
    SongTable table;
    if (said(openEngine(db, table, path)))
        return 1;
    RecordSet records;
    records.setCatalogue(path);
    records.setRecordSource(RecordSource::defaultSource());
    if (Failure failure = records.refresh()) {
        std::fprintf(stderr, "%s\n", qPrintable(failure.description));
        return 1;
    }
    const qint64 rows = records.recordCount();
    const int screen = 40;
    qint64 cells = fetchFirstScreen(records);
    for (qint64 r = qMax<qint64>(0, rows - screen); r < rows; ++r)
        for (int c = 0; c < Song::FieldCount; ++c)
            cells += records.value(r, c).isValid();
    const qint64 elapsed = clock.elapsed();
    std::printf("open_ms: %lld\nrows: %lld\nrss_mb: %ld\nrss_growth_mb: %ld\ncells: %lld\n", elapsed, rows,
                rssMegabytes(), rssMegabytes() - before, cells);
    return 0;
}

// A shelf of discs: 20 folders of 100 artist folders, each with 95 songs (every tenth
// named ".MP3") and 5 other files: 200,000 files.
int generateTree(const QString& root, int discs)
{
    QElapsedTimer clock;
    clock.start();
    const char* const others[] = {"cover.jpg", "notes.txt", "playlist.m3u", "info.nfo", "folder.ini"};
    qint64 made = 0;
    for (int disc = 1; disc <= discs; ++disc) {
        for (int a = 0; a < 100; ++a) {
            const int artist = (disc - 1) * 100 + a;
            const QString folder = QStringLiteral("%1/Disc %2/Artist %3")
                                       .arg(root)
                                       .arg(disc, 2, 10, QLatin1Char('0'))
                                       .arg(artist);
            if (!QDir().mkpath(folder)) {
                std::fprintf(stderr, "cannot make %s\n", qPrintable(folder));
                return 1;
            }
            for (int m = 0; m < 100; ++m) {
                QString name;
                if (m < 95)
                    name = QStringLiteral("Artist %1-Title %2.%3")
                               .arg(artist)
                               .arg(m)
                               .arg(m % 10 == 9 ? "MP3" : "mp3");
                else
                    name = QString::fromLatin1(others[m - 95]);
                QFile file(folder + QLatin1Char('/') + name);
                if (!file.open(QIODevice::WriteOnly)) {
                    std::fprintf(stderr, "cannot make %s\n", qPrintable(file.fileName()));
                    return 1;
                }
                ++made;
            }
        }
    }
    std::printf("gen_ms: %lld\nfiles: %lld\n", clock.elapsed(), made);
    return 0;
}

// A tree of real MP3 files, a seventh of each kind (and one in seven of the constant ones
// a second long), the kinds in turn: each kind is encoded once and copied. Songs last
// from 2 to 4 minutes.
// With `tags`, each file carries its artist and title in its tags (ID3v2.3 in UTF-16, a
// third of them with a 300 KB picture; ID3v2.4 in UTF-8; APE; ID3v1) under a name that
// does not say them, "07 Track.mp3".
int generateMp3Tree(const QString& root, int count, bool tags)
{
    QElapsedTimer clock;
    clock.start();
    const int variants = 3;
    QStringList made;
    if (!QDir().mkpath(root + "/.kinds")) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(root));
        return 1;
    }
    for (int k = 0; k < Mp3Kinds::kindCount + 1; ++k) {
        for (int v = 0; v < variants; ++v) {
            // The seventh kind is a very short song.
            const bool shortSong = k == Mp3Kinds::kindCount;
            const auto kind = shortSong ? Mp3Kinds::Kind::ConstantNoHeader : Mp3Kinds::Kind(k);
            const QString file = QStringLiteral("%1/.kinds/%2-%3.mp3").arg(root).arg(k).arg(v);
            QString error;
            if (!Mp3Kinds::make(kind, shortSong ? 1.0 : 120 + 60 * v, file, &error)) {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return 1;
            }
            made << file;
        }
    }
    for (int i = 0; i < count; ++i) {
        const QString folder = QStringLiteral("%1/Folder %2").arg(root).arg(i / 100, 2, 10, QLatin1Char('0'));
        QDir().mkpath(folder);
        const QString source = made[(i % 7) * variants + (i / 7) % variants];
        if (!tags) {
            const QString target = QStringLiteral("%1/Artist %2-Song %3.mp3").arg(folder).arg(i % 97).arg(i);
            QFile::remove(target);
            if (!QFile::copy(source, target)) {
                std::fprintf(stderr, "cannot make %s\n", qPrintable(target));
                return 1;
            }
            continue;
        }
        const QString target =
            QStringLiteral("%1/%2 Track.mp3").arg(folder).arg(i % 100, 2, 10, QLatin1Char('0'));
        const QString artist = QStringLiteral("Artist %1").arg(i % 97);
        const QString title = QStringLiteral("Song %1").arg(i);
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(source));
            return 1;
        }
        const QByteArray audio = Mp3Tags::withoutId3v2(in.readAll());
        QByteArray file;
        switch (i % 6) {
        case 0:
        case 3:
            file = Mp3Tags::id3v23Utf16(artist, title, 300 * 1024) + audio;
            break;
        case 1:
            file = Mp3Tags::id3v24Utf8(artist, title) + audio;
            break;
        case 2:
            file = Mp3Tags::id3v23Utf16(artist, title) + audio;
            break;
        case 4:
            file = audio + Mp3Tags::ape(artist, title);
            break;
        default:
            file = audio + Mp3Tags::id3v1(artist.toLatin1(), title.toLatin1());
            break;
        }
        QFile out(target);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(file) != file.size()) {
            std::fprintf(stderr, "cannot make %s\n", qPrintable(target));
            return 1;
        }
    }
    QDir(root + "/.kinds").removeRecursively();
    std::printf("gen_ms: %lld\nfiles: %d\n", clock.elapsed(), count);
    return 0;
}

// How long each file plays and how that was told: one line a file.
// N real files of each format into DIR, and DIR/truth.tsv: each file's length as ffprobe
// (Debian's ffmpeg) tells it, to hold the program's lengths against.
int generateAudioTree(const QString& root, int count)
{
    QList<AudioKinds::Made> made;
    QString error;
    if (!AudioKinds::make(root, count, &made, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QFile truth(root + QStringLiteral("/truth.tsv"));
    if (!truth.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "%s\n", qPrintable(truth.errorString()));
        return 1;
    }
    for (const AudioKinds::Made& file : std::as_const(made)) {
        QProcess probe;
        probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "format=duration", "-of",
                                                "default=noprint_wrappers=1:nokey=1", file.path});
        if (!probe.waitForFinished(60000) || probe.exitCode() != 0) {
            std::fprintf(stderr, "ffprobe failed on %s\n", qPrintable(file.path));
            return 1;
        }
        truth.write(file.path.toUtf8() + '\t' + probe.readAllStandardOutput().trimmed() + '\n');
    }
    std::printf("files: %lld\n", qint64(made.size()));
    return 0;
}

int measureFiles(const QStringList& files)
{
    const char* const methods[] = {"none", "header", "constant", "frame-count"};
    for (const QString& file : files) {
        const QByteArray name = QFile::encodeName(file);
        if (AudioFormat::ofName(name.constData()) != AudioFormat::Kind::Mp3) {
            const qint64 before = bytesReadSoFar();
            const std::optional<double> seconds = AudioLength::seconds(name.constData());
            std::printf("%s\t%.3f\theaders\t%lld bytes read\n", qPrintable(file), seconds.value_or(-1),
                        bytesReadSoFar() - before);
            continue;
        }
        const Mp3Length::Measurement m = Mp3Length::measure(name.constData());
        std::printf("%s\t%.3f\t%s\t%lld bytes read\n", qPrintable(file), m.seconds.value_or(-1),
                    methods[int(m.method)], m.bytesRead);
    }
    return 0;
}

// The catalogue build over DIR, without dialogs; duplicates are skipped.
// The record of a disc walked from `folder`, as a build in the window stores it.
DiscRecord discWalked(const QString& name, const QString& folder, const Volume& volume)
{
    const QString walked = folder.endsWith('/') ? folder : folder + '/';
    const QString volumeRoot = volume.root.endsWith('/') ? volume.root : volume.root + '/';
    return {name,         walked,      walked.startsWith(volumeRoot) ? volumeRoot : walked,
            volume.label, volume.uuid, volume.fileSystem,
            volume.size};
}

int scanTree(const QString& path, const QString& root, const SongReading& reading, const QString& discName)
{
    Database db;
    SongTable table;
    if (said(openEngine(db, table, path)))
        return 1;
    table.setBatchInterval(1000);
    DuplicateNumbers counter;
    CatalogueBuilder::Hooks hooks;
    hooks.allowDuplicates = [] { return false; };
    hooks.reading = reading;
    hooks.report = [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    QElapsedTimer clock;
    qint64 sortingFrom = -1, pulses = 0;
    hooks.sorting = [&] {
        if (sortingFrom < 0)
            sortingFrom = clock.elapsed();
        ++pulses;
    };
    CatalogueBuilder builder(table, counter, hooks);
    // As the window walks a drive: from its full path, which the rows keep.
    const QString folder = QFileInfo(root).absoluteFilePath();
    clock.start();
    const CatalogueBuilder::Result result = builder.run(folder, discName);
    table.close();
    DiscRecords::remember(db, discWalked(discName, folder, SystemVolumes().volumeOf(folder)));
    const qint64 total = clock.elapsed();
    std::printf("scan_ms: %lld\nsorting_ms: %lld\nsorting_pulses: %lld\nfiles: %lld\nrows_added: %lld\n"
                "duplicates: %lld\nread_kb: %lld\n",
                total, sortingFrom < 0 ? 0 : total - sortingFrom, pulses, result.files, result.stored,
                result.duplicates, bytesReadSoFar() / 1024);
    return 0;
}

// The listing of the whole catalogue, in the design font or the one given, to a PDF
// printer: what "Print  it" does once its dialog has been answered.
int printListing(const QString& path, const QString& output, const QString& family, double size)
{
    // As the print job reads the rows.
    RecordSet records;
    records.setCatalogue(path, true);
    records.setCacheSize(64);
    if (said(records.refresh()))
        return 1;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(output);
    QFont font(family);
    font.setPointSizeF(size);
    const long before = rssMegabytes();
    QElapsedTimer clock;
    clock.start();
    const Listing::Result result = Listing::print(records, printer, font);
    if (result.deviceFailed) {
        std::fprintf(stderr, "cannot print to %s\n", qPrintable(output));
        return 1;
    }
    std::printf("print_ms: %lld\npages: %lld\nrows: %lld\nrss_mb: %ld\nrss_growth_mb: %ld\n", clock.elapsed(),
                result.pages, result.rows, rssMegabytes(), rssMegabytes() - before);
    return 0;
}

// The totals the status bar shows for the whole catalogue.
int totalsOf(const QString& path)
{
    Database db;
    if (said(db.open(path, true)))
        return 1;
    QElapsedTimer clock;
    clock.start();
    SongTotals totals;
    if (said(Totals::ofSource(db, RecordSource::defaultSource(), &totals)))
        return 1;
    std::printf("songs: %lld\nseconds: %lld\nwithout: %lld\nms: %lld\n", totals.songs, totals.seconds,
                totals.without, clock.elapsed());
    return 0;
}

// File → Show Duplicates: each row found on standard output, the count and time on standard error.
int findDuplicates(const QString& path, bool sameDiscToo)
{
    Database db;
    if (said(db.open(path, true)))
        return 1;
    QElapsedTimer clock;
    clock.start();
    qint64 rows = 0;
    std::string out;
    const Failure failure = streamRows(path, RecordSource::duplicates(sameDiscToo), [&](const RowText& row) {
        for (const int field : {Song::Artist, Song::Title, Song::MP3cd}) {
            out.append(row.field[size_t(field)]);
            out += field == Song::MP3cd ? '\n' : '\t';
        }
        ++rows;
        return true;
    });
    if (failure) {
        std::fprintf(stderr, "%s\n", qPrintable(failure.description));
        return 1;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fprintf(stderr, "rows: %lld\nms: %lld\n", rows, clock.elapsed());
    return 0;
}

// The list of discs as the Discs window shows it at first: every disc with its songs counted.
int listDiscs(const QString& path)
{
    Database db;
    if (said(db.open(path)))
        return 1;
    QElapsedTimer clock;
    clock.start();
    QList<Disc> discs;
    if (said(Discs::list(db, &discs)))
        return 1;
    const qint64 listed = clock.elapsed();
    Discs::addPlayTimes(db, &discs);
    std::printf("discs: %lld\nms: %lld\ntimes_ms: %lld\n", qint64(discs.size()), listed, clock.elapsed());
    return 0;
}

// The disc called `name` (walked from `root`, when several share the name) of `discs` (all
// when none are given); false when none.
bool findDisc(Database& db, const QString& name, const QString& root, Disc* found,
              QList<Disc>* listed = nullptr)
{
    QList<Disc> all;
    QList<Disc>& discs = listed ? *listed : all;
    if (discs.isEmpty()) {
        if (said(Discs::list(db, &discs)))
            return false;
    }
    for (const Disc& disc : std::as_const(discs)) {
        if (Discs::sameName(disc.name, name) && (root.isEmpty() || disc.root() == root)) {
            *found = disc;
            return true;
        }
    }
    std::fprintf(stderr, "no disc %s\n", qPrintable(name));
    return false;
}

// Update a disc from the folder it is in now, as the Discs window does; with `apply`, the
// changes are written whatever the warnings.
int updateDisc(const QString& path, const QString& root, const QString& folder, const QString& name,
               bool apply)
{
    Database db;
    Disc disc;
    if (said(db.open(path)))
        return 1;
    db.execute(QStringLiteral("PRAGMA cache_size=-65536"));
    if (!findDisc(db, name, root.isEmpty() || root.endsWith('/') ? root : root + '/', &disc))
        return 1;
    const QString walked = QFileInfo(folder).absoluteFilePath();
    const Volume volume = SystemVolumes().volumeOf(walked);
    QElapsedTimer clock;
    clock.start();
    DiscUpdate::Options options;
    options.allowDuplicates = [] { return false; };
    DiscUpdate::Plan plan;
    if (said(DiscUpdate::plan(db, disc, walked, volume, options, &plan)))
        return 1;
    const qint64 compared = clock.elapsed();
    qint64 applied = 0;
    if (apply) {
        clock.start();
        DuplicateNumbers counter;
        DiscUpdate::Result result;
        if (said(DiscUpdate::apply(db, disc, plan, walked, volume, options, counter, &result)))
            return 1;
        applied = clock.elapsed();
    }
    std::printf("new: %lld\ngone: %lld\nmoved: %lld\nunchanged: %lld\n", qint64(plan.added.size()),
                qint64(plan.gone.size()), qint64(plan.moved.size()), plan.unchanged);
    std::printf("kept: %lld\n", plan.kept);
    for (const DiscUpdate::Unread& unread : std::as_const(plan.unread))
        std::printf("warning: unreadable %s: %s\n",
                    qPrintable(unread.folder.isEmpty() ? walked : walked + '/' + unread.folder.chopped(1)),
                    qPrintable(unread.reason));
    for (const QString& warning : std::as_const(plan.warnings))
        std::printf("warning: %s\n", qPrintable(warning));
    std::printf("compare_ms: %lld\napply_ms: %lld\n", compared, applied);
    return 0;
}

// Rename or remove a disc as the Discs window does: prints rows and ms.
int changeDisc(const QString& path, const QString& root, const QString& name, const QString& newName,
               bool remove)
{
    Database db;
    Disc disc;
    if (said(db.open(path)))
        return 1;
    // As the window's job does: the working pages of the indexes kept in memory.
    db.execute(QStringLiteral("PRAGMA cache_size=-65536"));
    if (!findDisc(db, name, root.isEmpty() || root.endsWith('/') ? root : root + '/', &disc))
        return 1;
    QElapsedTimer clock;
    clock.start();
    qint64 rows = 0;
    const Failure failure = remove ? Discs::remove(db, disc, &rows) : Discs::rename(db, disc, newName, &rows);
    if (failure) {
        std::fprintf(stderr, "%s\n", qPrintable(failure.description));
        return 1;
    }
    std::printf("rows: %lld\nms: %lld\n", rows, clock.elapsed());
    return 0;
}

// Sets one note of a disc as the Discs window does (an older catalogue is brought up to date
// first, as at opening): prints what was stored.
int setDiscNote(const QString& path, const QString& name, const QString& fieldName, const QString& value)
{
    Database db;
    Disc disc;
    if (said(db.open(path)))
        return 1;
    const std::optional<DiscNotes::Field> field = DiscNotes::fieldNamed(fieldName);
    if (!field) {
        std::fprintf(stderr, "no field %s: Location, LentTo, LentOn or Note\n", qPrintable(fieldName));
        return 1;
    }
    if (said(Song::upgrade(db)))
        return 1;
    if (!findDisc(db, name, QString(), &disc))
        return 1;
    QString kept;
    if (said(DiscRecords::setNote(db, disc.name, disc.root(), *field, value, &kept)))
        return 1;
    std::printf("%s: %s\n", qPrintable(DiscNotes::fieldName(*field)), qPrintable(kept));
    return 0;
}

// Compares two discs as the Discs window does: how many songs each has alone and both share.
int compareDiscs(const QString& path, const QString& firstName, const QString& secondName)
{
    Database db;
    Disc first, second;
    if (said(db.open(path, true)))
        return 1;
    // The window has its discs listed already: the comparison alone is timed.
    QList<Disc> discs;
    if (!findDisc(db, firstName, QString(), &first, &discs) ||
        !findDisc(db, secondName, QString(), &second, &discs))
        return 1;
    QElapsedTimer clock;
    clock.start();
    DiscComparison comparison;
    if (said(DiscCompare::compare(db, first, second, &comparison)))
        return 1;
    std::printf("only_first: %lld\nonly_second: %lld\nboth: %lld\nms: %lld\n",
                qint64(comparison.onlyFirst.size()), qint64(comparison.onlySecond.size()),
                qint64(comparison.both.size()), clock.elapsed());
    return 0;
}

// A query typed into the search panel (SongQuery): the rows it finds, and how long that takes.
int runQuery(const QString& path, const QString& text)
{
    Database db;
    if (said(db.open(path, true)))
        return 1;
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> rowids;
    if (said(selectRowids(db, RecordSource::query(text), &rowids)))
        return 1;
    std::printf("rows: %lld\nms: %lld\n", qint64(rowids.size()), clock.elapsed());
    return 0;
}

// The copy kept before a command that destroys much, for Undo: beside the catalogue.
int undoCopy(const QString& path)
{
    QElapsedTimer clock;
    clock.start();
    if (said(CatalogueCopy::make(path, CatalogueCopy::undoPathFor(path))))
        return 1;
    std::printf("copy: %s\nms: %lld\n", qPrintable(CatalogueCopy::undoPathFor(path)), clock.elapsed());
    return 0;
}

int usage()
{
    std::fprintf(
        stderr,
        "usage:\n"
        "  trelmo-bench make-catalogue DB N [DISCS]\n"
        "  trelmo-bench discs DB\n"
        "  trelmo-bench undo-copy DB\n"
        "  trelmo-bench query DB 'QUERY'\n"
        "  trelmo-bench totals DB\n"
        "  trelmo-bench duplicates [--same-disc] DB\n"
        "  trelmo-bench update [--apply] [--root FOLDER] DB DIR DISC\n"
        "  trelmo-bench rename-disc [--root FOLDER] DB OLD NEW\n"
        "  trelmo-bench remove-disc [--root FOLDER] DB NAME\n"
        "  trelmo-bench disc-note DB DISC Location|LentTo|LentOn|Note VALUE\n"
        "  trelmo-bench compare-discs DB DISC DISC\n"
        "  trelmo-bench open DB\n"
        "  trelmo-bench gen-tree DIR [DISCS]   (9,500 songs a disc; 20 by default)\n"
        "  trelmo-bench gen-mp3-tree DIR N [--tags]   (real MP3 files of every kind, by lame)\n"
        "  trelmo-bench gen-audio-tree DIR N   (N files of each format, and DIR/truth.tsv)\n"
        "  trelmo-bench length FILE...\n"
        "  trelmo-bench scan [--disc NAME] [--all-audio] [--tags] [--codepage NAME] [--playtimes] DB DIR\n"
        "  trelmo-bench sort DB COLUMN\n"
        "  trelmo-bench search DB FIELD TEXT\n"
        "  trelmo-bench export DB OUT.csv|OUT.m3u8\n"
        "  trelmo-bench play-all DB OUT.m3u8\n"
        "  trelmo-bench print DB OUT.pdf [FAMILY SIZE]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    keepFreedMemoryAtHand(); // as the program does
    // Printing needs fonts, and so a GUI application; it shows no window.
    if ((argc == 4 || argc == 6) && qstrcmp(argv[1], "print") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        const bool fontGiven = argc == 6;
        return printListing(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                            fontGiven ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("MS Sans Serif"),
                            fontGiven ? QString::fromLocal8Bit(argv[5]).toDouble() : 8.25);
    }
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if ((args.size() == 4 || args.size() == 5) && args[1] == QLatin1String("make-catalogue"))
        return makeCatalogue(args[2], args[3].toLongLong(), args.size() == 5 ? args[4].toLongLong() : 0);
    if (args.size() == 3 && args[1] == QLatin1String("discs"))
        return listDiscs(args[2]);
    if (args.size() == 4 && args[1] == QLatin1String("query"))
        return runQuery(args[2], args[3]);
    if (args.size() == 3 && args[1] == QLatin1String("undo-copy"))
        return undoCopy(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("totals"))
        return totalsOf(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("duplicates"))
        return findDuplicates(args[2], false);
    if (args.size() == 4 && args[1] == QLatin1String("duplicates") && args[2] == QLatin1String("--same-disc"))
        return findDuplicates(args[3], true);
    if (args.size() >= 5 && args[1] == QLatin1String("update")) {
        QStringList rest = args.mid(2);
        bool apply = false;
        QString root;
        while (rest.size() > 3 && rest[0].startsWith(QLatin1String("--"))) {
            if (rest[0] == QLatin1String("--apply")) {
                apply = true;
                rest.removeFirst();
            } else if (rest[0] == QLatin1String("--root") && rest.size() > 4) {
                root = rest[1];
                rest = rest.mid(2);
            } else {
                return usage();
            }
        }
        if (rest.size() == 3)
            return updateDisc(rest[0], root, rest[1], rest[2], apply);
    }
    if (args.size() >= 4 &&
        (args[1] == QLatin1String("rename-disc") || args[1] == QLatin1String("remove-disc"))) {
        const bool remove = args[1] == QLatin1String("remove-disc");
        QStringList rest = args.mid(2);
        QString root;
        if (rest.size() > 2 && rest[0] == QLatin1String("--root")) {
            root = rest[1];
            rest = rest.mid(2);
        }
        if (rest.size() == (remove ? 2 : 3))
            return changeDisc(rest[0], root, rest[1], remove ? QString() : rest[2], remove);
    }
    if (args.size() == 6 && args[1] == QLatin1String("disc-note"))
        return setDiscNote(args[2], args[3], args[4], args[5]);
    if (args.size() == 5 && args[1] == QLatin1String("compare-discs"))
        return compareDiscs(args[2], args[3], args[4]);
    if (args.size() == 3 && args[1] == QLatin1String("open"))
        return openCatalogue(args[2]);
    if ((args.size() == 3 || args.size() == 4) && args[1] == QLatin1String("gen-tree"))
        return generateTree(args[2], args.size() == 4 ? args[3].toInt() : 20);
    if ((args.size() == 4 || (args.size() == 5 && args[4] == QLatin1String("--tags"))) &&
        args[1] == QLatin1String("gen-mp3-tree"))
        return generateMp3Tree(args[2], args[3].toInt(), args.size() == 5);
    if (args.size() == 4 && args[1] == QLatin1String("gen-audio-tree"))
        return generateAudioTree(args[2], args[3].toInt());
    if (args.size() >= 3 && args[1] == QLatin1String("length"))
        return measureFiles(args.mid(2));
    if (args.size() >= 4 && args[1] == QLatin1String("scan")) {
        SongReading reading;
        QString disc = QStringLiteral("BENCH");
        QStringList rest = args.mid(2);
        while (rest.size() > 2 && rest.first().startsWith(QLatin1String("--"))) {
            const QString option = rest.takeFirst();
            if (option == QLatin1String("--tags"))
                reading.tags = true;
            else if (option == QLatin1String("--playtimes"))
                reading.lengths = true;
            else if (option == QLatin1String("--all-audio"))
                reading.allFormats = true;
            else if (option == QLatin1String("--codepage") && rest.size() > 2)
                reading.tagCodePage = rest.takeFirst();
            else if (option == QLatin1String("--disc") && rest.size() > 2)
                disc = rest.takeFirst();
            else
                return usage();
        }
        if (rest.size() == 2)
            return scanTree(rest[0], rest[1], reading, disc);
    }
    if (args.size() == 4 && args[1] == QLatin1String("sort"))
        return sortCatalogue(args[2], args[3]);
    if (args.size() == 4 && args[1] == QLatin1String("export"))
        return exportCatalogue(args[2], args[3]);
    if (args.size() == 4 && args[1] == QLatin1String("play-all"))
        return playAll(args[2], args[3]);
    if (args.size() == 5 && args[1] == QLatin1String("search"))
        return searchCatalogue(args[2], args[3], args[4]);
    return usage();
}
