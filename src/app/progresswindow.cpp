#include "app/progresswindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <climits>

ProgressWindow::ProgressWindow(const QString& objectName, const QString& title, const QString& text,
                               QWidget* window)
    : QDialog(window), m_label(new QLabel(text, this)), m_bar(new QProgressBar(this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(objectName);
    setWindowTitle(title);
    setWindowModality(Qt::NonModal);
    setMinimumWidth(420);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(true);
    m_bar->setRange(0, 0);
    m_cancel->setObjectName(QStringLiteral("cancelJob"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_cancel, QDialogButtonBox::RejectRole);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressWindow::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addWidget(buttons);
}

void ProgressWindow::report(const QString& text, qint64 done, qint64 total)
{
    m_label->setText(m_stopping ? text + QStringLiteral("\nStopping…") : text);
    if (total <= 0) {
        m_bar->setRange(0, 0);
        return;
    }
    // A bar counts in int: large totals are shown in proportion.
    const double scale = total > INT_MAX ? double(INT_MAX) / double(total) : 1.0;
    m_bar->setRange(0, int(double(total) * scale));
    m_bar->setValue(int(double(qBound<qint64>(0, done, total)) * scale));
}

void ProgressWindow::setCancellable(bool cancellable)
{
    m_cancel->setEnabled(cancellable && !m_stopping);
}

QString ProgressWindow::text() const
{
    return m_label->text();
}

void ProgressWindow::reject()
{
    if (!m_cancel->isEnabled())
        return;
    m_stopping = true;
    m_cancel->setEnabled(false);
    m_label->setText(m_label->text() + QStringLiteral("\nStopping…"));
    emit cancelRequested();
}
