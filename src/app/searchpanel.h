#pragma once

#include <QGroupBox>

class Prompter;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class RecordSet;

// The panel that searches one field for a piece of text. It stands where the drive panel
// stands while it is open; Done shows the whole catalogue again and gives the place back.
class SearchPanel : public QGroupBox
{
    Q_OBJECT
public:
    SearchPanel(RecordSet* records, Prompter* prompter, QWidget* parent = nullptr);

protected:
    // Opened from the menu or with Ctrl+F, the panel takes the keyboard at its text box.
    void showEvent(QShowEvent* event) override;

signals:
    // Done was pressed: the drive panel comes back.
    void finished();

private:
    void search();
    void finish();
    // Closes the panel with its field and text as they start out.
    void closeAndReset();
    void showWholeCatalogue();

    RecordSet* m_records;
    Prompter* m_prompter;
    QComboBox* m_fieldCombo;
    QLabel* m_textLabel;
    QLineEdit* m_textEdit;
    QPushButton* m_findButton;
    QPushButton* m_doneButton;
};
