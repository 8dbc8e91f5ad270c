#include "app/songplayer.h"

#include "app/cataloguesession.h"
#include "app/desktop.h"
#include "app/prompter.h"
#include "app/songgrid.h"
#include "app/songlookup.h"
#include "browse/playreaction.h"
#include "scan/volumes.h"
#include "store/recordset.h"
#include "store/songmodel.h"

#include <QScopedValueRollback>

SongPlayer::SongPlayer(SongGrid* grid, CatalogueSession* session, Prompter* prompter, VolumeSource* volumes,
                       MountWatch* mountWatch, QObject* parent)
    : QObject(parent), m_grid(grid), m_session(session), m_prompter(prompter), m_volumes(volumes),
      m_mountWatch(mountWatch)
{
}

void SongPlayer::onCurrentCellChanged()
{
    if (m_reacting)
        return;
    QScopedValueRollback<bool> reacting(m_reacting, true);
    if (m_grid->currentColumn() == Song::OnCdColumn)
        toggleOnCd();
    else
        playCurrentRow();
}

void SongPlayer::toggleOnCd()
{
    if (m_session->refuseWrite())
        return;
    SongModel* model = m_session->model();
    const QModelIndex cell = model->index(m_grid->currentRow(), Song::OnCdColumn);
    const QString mark =
        cell.data().toString() == QLatin1String("NotYet") ? QStringLiteral("Yes") : QStringLiteral("NotYet");
    m_grid->setCurrentColumn(Song::TitleColumn);
    if (const Failure failure = model->storeCell(cell, mark))
        m_prompter->ask(QStringLiteral("Unexpected error, call Orlen ") + failure.description);
}

void SongPlayer::playCurrentRow()
{
    const int row = m_grid->currentRow();
    if (row < 0) {
        m_prompter->ask(QStringLiteral("Unexpected error, call Orlen There is no current row."));
        return;
    }
    m_grid->highlightCurrentCell();
    SongModel* model = m_session->model();
    auto cell = [&](Song::Column column) { return model->index(row, column).data().toString(); };
    // A song still being typed into the new row has no file yet.
    const PlayRow song = row == model->newRow() ? PlayRow()
                                                : PlayRow{cell(Song::ArtistColumn), cell(Song::TitleColumn),
                                                          cell(Song::MP3cdColumn), cell(Song::FullPathColumn),
                                                          model->records()->fileName(row)};
    PlayReaction::Hooks hooks;
    hooks.lookup = songLookup(m_volumes, [this](const QString& disc) { return m_session->discsNamed(disc); });
    hooks.open = [this](const QByteArray& file) {
        Desktop::openFile(file, this, [this, file](const QString& why) {
            m_prompter->ask(Desktop::openFailureText(file, why));
        });
    };
    hooks.waitForDisc = [this](const QString& prompt, const QString& notes,
                               const std::function<bool()>& arrived) {
        return m_prompter->askForDisc(prompt, QStringLiteral("Check CD"), m_mountWatch, arrived, notes) ==
               Prompter::Retry;
    };
    hooks.discNotes = [this](const PlayRow& row) { return m_session->discNotes(row.disc, row.fullPath); };
    hooks.tell = [this](const QString& text) { m_prompter->ask(text); };
    PlayReaction(hooks).play(song, m_armed);
    m_armed = true;
}
