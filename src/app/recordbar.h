#pragma once

#include <QFrame>

class QLabel;
class QToolButton;
class RecordSet;

// The record bar: move-first, move-previous, a caption, move-next and move-last.
class RecordBar : public QFrame
{
    Q_OBJECT
public:
    explicit RecordBar(QWidget* parent = nullptr);

    void setRecordSet(RecordSet* records);
    void setCaption(const QString& text);
    QString caption() const;

    QToolButton* firstButton() const { return m_first; }
    QToolButton* nextButton() const { return m_next; }
    QToolButton* lastButton() const { return m_last; }

private:
    RecordSet* m_records = nullptr;
    QLabel* m_caption;
    QToolButton* m_first;
    QToolButton* m_previous;
    QToolButton* m_next;
    QToolButton* m_last;
};
