#pragma once

#include <QWidget>

class QPushButton;

// The bar of record commands along the window's foot.
class ButtonBar : public QWidget
{
    Q_OBJECT
public:
    explicit ButtonBar(QWidget* parent = nullptr);

    static constexpr int barHeight = 26;

    // Delete, Add, Print and Clear: off while a job runs.
    void setWriteCommandsEnabled(bool enabled);

signals:
    void deleteClicked();
    void addClicked();
    void refreshClicked();
    void printClicked();
    void clearClicked();

private:
    QPushButton* addButton(const char* name, const QString& caption, int left, int width);
};
