#pragma once

#include "store/disccomparison.h"

#include <QDialog>

class BackgroundRead;
class Prompter;
class QLabel;
class QPushButton;
class QTreeWidget;

// What two discs share and what each has alone: three lists under headings that count them,
// compared beside the window (a BackgroundRead), and exported as CSV on request.
class DiscComparisonWindow : public QDialog
{
    Q_OBJECT
public:
    DiscComparisonWindow(QString catalogue, Prompter* prompter, QWidget* parent = nullptr);

    // Compares `first` with `second`, the result replacing what was shown.
    void compare(const Disc& first, const Disc& second);
    bool isComparing() const;
    // Asks for a file and writes the lists into it, a line a song under its list's name.
    void exportComparison();

private:
    void showComparison(const DiscComparison& comparison);
    void showFailure(const QString& why);
    QString nameOf(const Disc& disc) const;
    QList<QStringList> csvLines() const;

    Prompter* m_prompter;
    BackgroundRead* m_comparing;
    QLabel* m_status;
    QTreeWidget* m_lists;
    QPushButton* m_export;
    Disc m_first;
    Disc m_second;
    DiscComparison m_shown;
};
