#include "app/aboutbox.h"

#include "app/prompter.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

AboutBox::AboutBox(Prompter* prompter, const QString& files, QWidget* parent)
    : QDialog(parent), m_prompter(prompter)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + QStringLiteral("Trelmo"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    // The program's own icon, as the window and the desktop's menu show it.
    picIcon->setPixmap(QPixmap(QStringLiteral(":/trelmo-icon.png"))
                           .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    picIcon->setAlignment(Qt::AlignTop);

    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    QLabel* lblTitle = label("lblTitle", QStringLiteral("Trelmo"));
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    QLabel* lblVersion = label("lblVersion", QStringLiteral("Version %1.%2.%3")
                                                 .arg(TRELMO_VERSION_MAJOR)
                                                 .arg(TRELMO_VERSION_MINOR)
                                                 .arg(TRELMO_VERSION_PATCH));
    QLabel* lblDescription =
        label("lblDescription",
              QStringLiteral("A quick and easy way to catalog all the MP3's in your entire collection. The "
                             "catalogue is an SQLite database file that any SQLite tool can open and "
                             "modify. It can also play the MP3's with an associated player. There are some "
                             "choices for sorting and searching and printing."));
    QLabel* lblFiles = label("lblFiles", files);
    QLabel* lblDisclaimer =
        label("lblDisclaimer",
              QStringLiteral("Trelmo comes with no warranty of any kind. Keep a copy of your catalogue "
                             "before you change it with other tools."));

    layOut(picIcon, {lblTitle, lblVersion, lblDescription, lblFiles}, lblDisclaimer);
}

void AboutBox::layOut(QLabel* icon, const QList<QLabel*>& beside, QLabel* below)
{
    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto* cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { startSystemInformation(); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 3, 1);
    for (int row = 0; row < int(beside.size()); ++row)
        grid->addWidget(beside[row], row, 1);
    grid->addWidget(below, 4, 0, 1, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 5, 1);
    setMinimumWidth(480);
}

const QStringList& AboutBox::systemInfoPrograms()
{
    static const QStringList programs = {
        QStringLiteral("hardinfo2"),
        QStringLiteral("hardinfo"),
        QStringLiteral("kinfocenter"),
        QStringLiteral("lshw-gtk"),
        QStringLiteral("gnome-system-monitor"),
        QStringLiteral("mate-system-monitor"),
        QStringLiteral("xfce4-taskmanager"),
    };
    return programs;
}

void AboutBox::startSystemInformation()
{
    for (const QString& name : systemInfoPrograms()) {
        const QString program = QStandardPaths::findExecutable(name);
        // Started on its own, with no arguments and no shell; the box does not wait for it.
        if (!program.isEmpty() && QProcess::startDetached(program, {}))
            return;
    }
    m_prompter->ask(QStringLiteral("System Information Is Unavailable At This Time"));
}
