#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The window a long job shows while it runs: what it is doing, how far it is, and Cancel.
// It keeps no one from the main window: browsing, sorting and searching go on beside it.
// Closing it or pressing Escape is Cancel too.
class ProgressWindow : public QDialog
{
    Q_OBJECT
public:
    ProgressWindow(const QString& objectName, const QString& title, const QString& text, QWidget* window);

    // `done` of `total`; a total of 0 shows a bar that only says the job is alive.
    void report(const QString& text, qint64 done, qint64 total);
    void setCancellable(bool cancellable);
    QString text() const;

signals:
    void cancelRequested();

protected:
    void reject() override;

private:
    QLabel* m_label;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    bool m_stopping = false; // Cancel was pressed: the job ends after its current step
};
