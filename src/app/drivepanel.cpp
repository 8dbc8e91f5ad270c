#include "app/drivepanel.h"

#include "app/look.h"
#include "app/prompter.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QStylePainter>
#include <QToolButton>

#include <functional>

namespace {
// The drive list, which tells before it opens so that it can be read again. Folders of
// volumes are long and alike at their start (/media/anna/…): the open list shows each whole,
// the closed box cuts the middle out and has the whole text as its tool tip.
class DriveCombo : public QComboBox
{
public:
    using QComboBox::QComboBox;
    std::function<void()> beforePopup;

protected:
    void showPopup() override
    {
        if (beforePopup)
            beforePopup();
        int widest = width();
        for (int i = 0; i < count(); ++i)
            widest = qMax(widest, view()->fontMetrics().horizontalAdvance(itemText(i)) + 32);
        view()->setMinimumWidth(widest);
        QComboBox::showPopup();
    }
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        const QRect text =
            style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, text.width());
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }
};
} // namespace

DrivePanel::DrivePanel(Prompter* prompter, VolumeSource* volumes, QWidget* parent)
    : QGroupBox(QStringLiteral("Find all MP3's"), parent), m_prompter(prompter), m_volumes(volumes)
{
    setObjectName(QStringLiteral("frafind"));
    Look::panel(this, Look::darkGrey);
    setGeometry(0, 0, 219, 81);

    auto* drives = new DriveCombo(this);
    // Discs come and go: the list is read again each time it opens.
    drives->beforePopup = [this] { refresh(); };
    m_driveCombo = drives;
    m_driveCombo->setObjectName(QStringLiteral("Drive1"));
    Look::fill(m_driveCombo, Look::lightGrey);
    m_driveCombo->setGeometry(4, 16, 133, 21);

    m_discNameLabel = new QLabel(QStringLiteral("  Drive Name->"), this);
    m_discNameLabel->setObjectName(QStringLiteral("Label2"));
    m_discNameLabel->setToolTip(QStringLiteral("Default Drive Name/Label"));
    Look::blackText(m_discNameLabel);
    // On one line above the box, where the whole caption fits in the platform's font.
    m_discNameLabel->setGeometry(4, 38, 133, 17);

    m_discNameEdit = new QLineEdit(this);
    m_discNameEdit->setObjectName(QStringLiteral("txtDrive"));
    m_discNameEdit->setToolTip(QStringLiteral("This may be changed to a Preferred name"));
    Look::fill(m_discNameEdit, Look::lightGrey);
    m_discNameEdit->setGeometry(4, 55, 133, 21);
    m_discNameLabel->setBuddy(m_discNameEdit);

    m_findButton = new QToolButton(this);
    m_findButton->setObjectName(QStringLiteral("cmdmakedb"));
    m_findButton->setText(QStringLiteral("Find MP3s "));
    m_findButton->setIcon(QIcon(QStringLiteral(":/find.png")));
    m_findButton->setIconSize(QSize(32, 32));
    m_findButton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_findButton->setToolTip(QStringLiteral("Click here to find all MP3's on selected Drive"));
    Look::fill(m_findButton, Look::darkGrey);
    m_findButton->setGeometry(140, 12, 75, 65);

    setTabOrder(m_driveCombo, m_discNameEdit);
    setTabOrder(m_discNameEdit, m_findButton);
    connect(m_driveCombo, &QComboBox::currentTextChanged, m_driveCombo, &QWidget::setToolTip);
    connect(m_driveCombo, &QComboBox::currentIndexChanged, this, [this] { onDriveChanged(); });
    connect(m_findButton, &QToolButton::clicked, this, &DrivePanel::scanRequested);
}

void DrivePanel::start()
{
    m_startupDrive = m_volumes->volumeOf(QDir::currentPath()).root;
    fillDriveList(m_startupDrive);
    m_startupDrive = selectedRoot();
    m_lastDrive = m_startupDrive;
    // The name its songs would get, as after a build; the keys stay where they are.
    QString label;
    discReady(m_startupDrive, &label);
    m_discNameEdit->setText(label.isEmpty() ? QStringLiteral("NoLabel") : label);
}

void DrivePanel::refresh()
{
    fillDriveList(selectedRoot());
}

QString DrivePanel::discName() const
{
    return m_discNameEdit->text();
}

QString DrivePanel::selectedRoot() const
{
    return m_driveCombo->currentData().toString();
}

void DrivePanel::fillDriveList(const QString& keep)
{
    const QList<Volume> volumes = m_volumes->volumes();
    QSignalBlocker quiet(m_driveCombo);
    m_driveCombo->clear();
    for (const Volume& v : volumes)
        m_driveCombo->addItem(v.displayText(), v.root);
    for (const QString& folder : std::as_const(m_chosenFolders))
        m_driveCombo->addItem(folder, folder);
    m_driveCombo->addItem(QStringLiteral("Folder…"), QString());
    int index = m_driveCombo->findData(keep);
    if (index < 0 || keep.isEmpty())
        index = m_driveCombo->findData(m_startupDrive);
    m_driveCombo->setCurrentIndex(qMax(0, index));
    m_driveCombo->setToolTip(m_driveCombo->currentText());
}

bool DrivePanel::discReady(const QString& root, QString* label)
{
    if (m_chosenFolders.contains(root)) {
        *label = QFileInfo(root).fileName();
        return QFileInfo(root).isDir();
    }
    Volume volume;
    volume.root = root;
    return m_volumes->readLabel(volume, label);
}

void DrivePanel::chooseFolderAsDisc()
{
    QString folder;
    if (!m_prompter->chooseFolder(&folder)) {
        fillDriveList(m_lastDrive);
        return;
    }
    folder = QDir::cleanPath(QDir(folder).absolutePath());
    if (!m_chosenFolders.contains(folder))
        m_chosenFolders << folder;
    fillDriveList(folder);
    onDriveChanged();
}

void DrivePanel::onDriveChanged()
{
    if (m_driveCombo->currentIndex() < 0)
        return;
    if (selectedRoot().isEmpty()) {
        chooseFolderAsDisc();
        return;
    }
    for (;;) {
        const QString root = selectedRoot();
        QString label;
        if (discReady(root, &label)) {
            m_lastDrive = root;
            m_discNameEdit->setText(label.isEmpty() ? QStringLiteral("NoLabel") : label);
            m_discNameEdit->setFocus();
            m_discNameEdit->selectAll();
            return;
        }
        if (m_prompter->ask(QStringLiteral("Drive is not available"), Prompter::RetryCancel,
                            QStringLiteral("Drive Not Ready")) != Prompter::Retry) {
            returnToStartupDrive();
            return;
        }
    }
}

void DrivePanel::returnToStartupDrive()
{
    const int index = m_driveCombo->findData(m_startupDrive);
    if (index >= 0 && index != m_driveCombo->currentIndex())
        m_driveCombo->setCurrentIndex(index); // runs the drive change for it
}

Failure DrivePanel::selectedDisc(QString* root)
{
    *root = selectedRoot();
    if (root->isEmpty())
        return {FailureNumber::InvalidArgument, QStringLiteral("No drive is selected."), FailureKind::Drive};
    // A disc taken out since it was chosen (its empty folder left behind) is not walked.
    QString label;
    if (!discReady(*root, &label))
        return {FailureNumber::InvalidArgument, QStringLiteral("The disc is not in the drive."),
                FailureKind::Drive};
    return {};
}

void DrivePanel::setScanEnabled(bool enabled)
{
    m_findButton->setEnabled(enabled);
}
