#pragma once

#include <QGroupBox>

class Prompter;
class QCompleter;
class QComboBox;
class QStringListModel;
class Settings;
class QLabel;
class QLineEdit;
class QPushButton;
class RecordSet;

// The panel that searches one field for a piece of text, or with "Query" chosen runs a
// query over every field (SongQuery), offering the last ones run again. It stands where the
// drive panel stands while it is open; Done shows the whole catalogue again and gives the
// place back.
class SearchPanel : public QGroupBox
{
    Q_OBJECT
public:
    // The queries run last are kept in `settings`.
    SearchPanel(RecordSet* records, Prompter* prompter, Settings* settings, QWidget* parent = nullptr);

protected:
    // Opened from the menu or with Ctrl+F, the panel takes the keyboard at its text box.
    void showEvent(QShowEvent* event) override;

signals:
    // Done was pressed: the drive panel comes back.
    void finished();
    // A line for the status bar: why a query cannot be read, and where.
    void said(const QString& text);

private:
    void search();
    void finish();
    // Closes the panel with its field and text as they start out.
    void closeAndReset();
    void showWholeCatalogue();
    // The text box's help and its list of recent queries, as the field chosen wants them.
    void fitTextToField();
    void rememberQuery(const QString& query);

    RecordSet* m_records;
    Prompter* m_prompter;
    Settings* m_settings;
    QStringListModel* m_recentQueries;
    QCompleter* m_completer;
    QComboBox* m_fieldCombo;
    QLabel* m_textLabel;
    QLineEdit* m_textEdit;
    QPushButton* m_findButton;
    QPushButton* m_doneButton;
};
