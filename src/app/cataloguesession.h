#pragma once

#include "store/database.h"
#include "store/discrecords.h"
#include "store/recordsource.h"

#include <QObject>

#include <QString>
#include <vector>

#include <functional>
#include <memory>
#include <optional>

class DamageCheck;
class Prompter;
class QLockFile;
class QThread;
class QTimer;
class RecordSet;
class SongModel;
class SongTable;

// The catalogue the window works on, from opening to closing: the lock that keeps a
// second window off it, whether it may be written (read-only file, damage found), the
// engine connection that builds store through, the record set and grid model the window
// shows, and the commands on its rows. Each command says its own failure once.
class CatalogueSession : public QObject
{
    Q_OBJECT
public:
    CatalogueSession(QString databasePath, Prompter* prompter, QObject* parent = nullptr);
    ~CatalogueSession() override;

    // Takes the lock, opens the catalogue and shows its rows. False, after saying why, when
    // it cannot be used at all; one that must not be written opens for browsing only.
    bool open();
    // A missing catalogue is offered to be made (an installed program's first start).
    void setOfferToCreate(bool offer) { m_offerToCreate = offer; }
    // Stores a song still typed into the new row (one the catalogue refuses has been said
    // once) and lets the catalogue go. Closing twice asks nothing again.
    void close();

    const QString& databasePath() const { return m_databasePath; }
    RecordSet* records() const { return m_records; }
    SongModel* model() const { return m_model; }

    // The engine connection a build stores through; nullptr after a reopen was given up.
    SongTable* table() const { return m_table.get(); }
    // The engine connection itself, for commands that change rows in place; nullptr likewise.
    Database* engine() const { return m_table ? m_db.get() : nullptr; }
    // A fresh engine connection, which replaces the old one only once it is open.
    Failure reopenEngine();

    // What the catalogue remembers of the discs called `name`; nothing when it cannot say.
    QList<DiscRecord> discsNamed(const QString& name);
    // The notes of the disc that holds a song of the disc `name` in `folder`, in a line; empty
    // when there are none or they cannot be read.
    QString discNotes(const QString& name, const QString& folder);
    // Sets a note of a disc (DiscRecords::setNote); the caller asks refuseWrite() first.
    Failure setDiscNote(const QString& name, const QString& root, DiscNotes::Field field,
                        const QString& value, QString* kept);
    // Remembers a disc just built from; a catalogue that cannot take it only loses the help
    // in finding the disc's songs elsewhere later.
    void rememberDisc(const DiscRecord& disc);

    // True, after saying why, when nothing may be written into the catalogue.
    // A job, which waits for the damage check on its own thread, asks with `awaitCheck` off.
    bool refuseWrite(bool awaitCheck = true);

    // While a job writes on a connection of its own, the grid takes no edits, and its reads
    // wait only a moment for the job's commits: a row that cannot be read then is shown
    // once the job lets go, without a word.
    void setJobRunning(bool running);
    // For a job that writes, run on its own thread before it does: waits until the whole
    // damage check is over (or `cancelled` says stop) and answers the damage found.
    std::function<Failure(const std::function<bool()>& cancelled)> damageWaiter() const;

    // Runs the record source again; a failure is said, and damage it shows remembered.
    bool refresh();
    // The same (or with `source` made the record source), with the row that was current
    // current again where it still is: the program's refreshes keep the user's place.
    bool refreshKeepingRow(const std::optional<RecordSource>& source = std::nullopt);
    // Shows the cells of the rows shown afresh, where the current row is.
    void rereadCells();
    // Removes the current row; the row after it becomes current.
    void deleteCurrentRow();
    // Makes the last row current, so that the grid's new row comes next. False, after saying
    // why, when it cannot.
    bool prepareNewRow();

private:
    // The whole file is read for damage after it opens, on a thread of its own; a write
    // waits for its first, quick part (with the busy pointer), and damage found is handled
    // as at opening.
    void startIntegrityCheck();
    void awaitIntegrityCheck();
    void takeDamage(const Failure& failure, bool say);
    void updateGridWritable();

    enum class LockOutcome
    {
        Locked,
        BrowseOnly, // no lock can be made: nothing is to be written (said)
        Refused     // another window has it (said)
    };
    LockOutcome takeLock();
    // Says why, and keeps writes off the catalogue.
    LockOutcome browseOnly(const QString& why);
    bool journalsUsable();
    // Makes the missing catalogue when it is offered and the user wants it; false otherwise.
    bool createWhenOffered();
    void sayIndexFailure();
    void sayReadOnly();
    // Its layout is of a later version than this program's: it is only read.
    bool writtenByNewerTrelmo() const;
    void sayNewer();
    void noteDamage(const Failure& failure);
    void reportEditRefused(const Failure& failure);
    void reportReadFailed(const Failure& failure);

    QString m_databasePath;
    Prompter* m_prompter;
    RecordSet* m_records;
    SongModel* m_model;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<SongTable> m_table;
    std::unique_ptr<QLockFile> m_lock;
    bool m_readOnly = false;
    bool m_jobRunning = false;
    bool m_offerToCreate = false;
    QString m_writeRefusal; // why nothing may be written, when it may not
    Failure m_indexFailure; // why the sort orders could not be made at the last opening
    QTimer* m_rereadTimer;  // tries rows that could not be read until they can
    DamageCheck* m_damageCheck;
};
