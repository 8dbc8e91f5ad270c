#include "app/searchpanel.h"

#include "app/busypointer.h"
#include "app/look.h"
#include "app/prompter.h"
#include "browse/fieldsearch.h"
#include "settings/settings.h"
#include "store/recordset.h"
#include "store/songquery.h"

#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>

SearchPanel::SearchPanel(RecordSet* records, Prompter* prompter, Settings* settings, QWidget* parent)
    : QGroupBox(QStringLiteral("Search Database"), parent), m_records(records), m_prompter(prompter),
      m_settings(settings), m_recentQueries(new QStringListModel(this)), m_completer(new QCompleter(this))
{
    setObjectName(QStringLiteral("Frame2"));
    Look::panel(this, Look::lightGrey);
    // As wide as the drive panel it stands in for, so the button captions fit on one line.
    setGeometry(0, 0, 219, 71);

    m_fieldCombo = new QComboBox(this);
    m_fieldCombo->setObjectName(QStringLiteral("cbosearch"));
    // Only the offered fields can be searched: a list to pick from, not a text to type.
    m_fieldCombo->setEditable(false);
    m_fieldCombo->addItems(FieldSearch::fields());
    m_fieldCombo->addItem(FieldSearch::queryEntry);
    m_fieldCombo->setCurrentText(QStringLiteral("Artist"));
    m_fieldCombo->setGeometry(4, 18, 101, 21);
    m_textLabel = new QLabel(QStringLiteral(" For"), this);
    m_textLabel->setObjectName(QStringLiteral("Label4"));
    Look::blackText(m_textLabel);
    m_textLabel->setGeometry(4, 44, 25, 21);
    m_textEdit = new QLineEdit(this);
    m_textEdit->setObjectName(QStringLiteral("txtField"));
    m_textEdit->setGeometry(32, 44, 73, 21);
    m_textLabel->setBuddy(m_textEdit);
    m_findButton = new QPushButton(QStringLiteral("Find Record(s)"), this);
    m_findButton->setObjectName(QStringLiteral("cmdsearch"));
    m_findButton->setGeometry(108, 12, 107, 27);
    m_doneButton = new QPushButton(QStringLiteral("Done"), this);
    m_doneButton->setObjectName(QStringLiteral("cmdOK2"));
    m_doneButton->setGeometry(108, 43, 107, 23);

    // The last queries are offered again as one types, and in full with the Down key.
    m_completer->setModel(m_recentQueries);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setFilterMode(Qt::MatchContains);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    // Picking a field moves on to the text; Enter in the text searches, as the button does.
    connect(m_fieldCombo, &QComboBox::activated, this, [this] { m_textEdit->setFocus(); });
    connect(m_fieldCombo, &QComboBox::currentTextChanged, this, [this] { fitTextToField(); });
    connect(m_textEdit, &QLineEdit::returnPressed, this, [this] { search(); });
    connect(m_findButton, &QPushButton::clicked, this, [this] { search(); });
    connect(m_doneButton, &QPushButton::clicked, this, [this] { finish(); });
}

void SearchPanel::fitTextToField()
{
    const bool query = m_fieldCombo->currentText() == FieldSearch::queryEntry;
    m_textEdit->setToolTip(query ? SongQuery::help() : QString());
    m_textEdit->setCompleter(query ? m_completer : nullptr);
    if (query)
        m_recentQueries->setStringList(m_settings->recentQueries());
}

void SearchPanel::rememberQuery(const QString& query)
{
    QStringList recent = m_settings->recentQueries();
    recent.removeAll(query);
    recent.prepend(query);
    recent = recent.mid(0, Settings::maxRecentQueries);
    m_settings->setRecentQueries(recent);
    m_recentQueries->setStringList(recent);
}

void SearchPanel::search()
{
    const QString text = m_textEdit->text();
    if (text.isEmpty())
        return;
    RecordSource source;
    Failure failure = FieldSearch::sourceFor(m_fieldCombo->currentText(), text, &source);
    // A query that cannot be read changes nothing: the status bar says where it went wrong.
    if (failure && m_fieldCombo->currentText() == FieldSearch::queryEntry) {
        emit said(failure.description);
        return;
    }
    if (source.kind == RecordSource::Kind::Query)
        rememberQuery(text);
    if (!failure) {
        BusyPointer busy;
        failure = m_records->requery(source);
    }
    // The panel, its field and text and the rows shown stay as they were.
    if (failure) {
        m_prompter->ask(failure.description);
        return;
    }
    if (m_records->recordCount() != 0)
        return;
    closeAndReset();
    m_prompter->ask(QStringLiteral(" No selections found"));
    showWholeCatalogue();
}

void SearchPanel::finish()
{
    closeAndReset();
    emit finished();
    showWholeCatalogue();
}

void SearchPanel::closeAndReset()
{
    hide();
    m_textEdit->clear();
    m_fieldCombo->setCurrentText(QStringLiteral("Artist"));
}

void SearchPanel::showWholeCatalogue()
{
    BusyPointer busy;
    if (const Failure failure = m_records->requery(RecordSource::defaultSource())) {
        m_prompter->ask(failure.description);
    }
}

void SearchPanel::showEvent(QShowEvent* event)
{
    QGroupBox::showEvent(event);
    m_textEdit->setFocus();
}
