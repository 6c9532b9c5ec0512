#include "app/ui/AboutBox.h"

#include "app/ProgramIcon.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace korvanta {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Info"));
    ProgramIconLabel = new QLabel(this);
    ProgramIconLabel->setPixmap(ProgramPixmap(64));
    ProductName = new QLabel(QStringLiteral("Korvanta"), this);
    QFont big = ProductName->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    ProductName->setFont(big);
    Version = new QLabel(QStringLiteral("Version 1.4"), this);
    Comments = new QLabel(this);
    Comments->setWordWrap(true);
    SoundSystem = new QLabel(this);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(ProgramIconLabel, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(ProductName, 0, 1);
    grid->addWidget(Version, 1, 1);
    grid->addWidget(Comments, 2, 1);
    grid->addWidget(SoundSystem, 3, 1);
    grid->addWidget(OKButton, 4, 0, 1, 2, Qt::AlignCenter);
    grid->setColumnMinimumWidth(1, 240);
    updateTexts();
}

void TAboutBox::SetSoundSystem(const QString& name)
{
    soundSystem_ = name;
    updateTexts();
}

void TAboutBox::SetAboutLanguage(char letter)
{
    if (letter != 'D' && letter != 'E')
        return;
    language_ = letter;
    updateTexts();
}

void TAboutBox::updateTexts()
{
    const bool german = language_ == 'D';
    Comments->setText(german ? QStringLiteral("Messtechnik für Audiogeräte mit der Soundkarte:\n"
                                              "Spektrumanalyser, Generator, Wobbeln, Oszilloskop, THD+N.")
                             : QStringLiteral("Audio test equipment with a sound card:\n"
                                              "spectrum analyzer, generator, sweep, oscilloscope, THD+N."));
    SoundSystem->setText(soundSystem_.isEmpty() ? QString()
                                                : (german ? QStringLiteral("Soundsystem: ") : QStringLiteral("Sound system: ")) + soundSystem_);
}

} // namespace korvanta
