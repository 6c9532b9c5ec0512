#include "app/ui/MainMenu.h"

#include "app/Audconst.h"

#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace korvanta {

namespace {
QAction* item(QMenu* menu, const char* name, const QString& caption, bool checkable = false)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    a->setCheckable(checkable);
    return a;
}

QMenu* menu(QMenuBar* bar, const char* name, const QString& caption)
{
    QMenu* m = bar->addMenu(caption);
    m->setObjectName(QLatin1String(name));
    return m;
}
} // namespace

TMainMenu::TMainMenu(QMenuBar* bar)
{
    buildFile(bar);
    buildEdit(bar);
    buildAnalyse(bar);
    buildKorrektur(bar);
    buildDiagramm(bar);
    buildEinstellungen(bar);
    buildTools(bar);
    buildHelp(bar);
}

void TMainMenu::buildFile(QMenuBar* bar)
{
    menuFile = menu(bar, "File1", QStringLiteral("&Datei"));
    SpeichernalsText1 = item(menuFile, "SpeichernalsText1", QStringLiteral("&Speichern als Text"));
    SpeichernalsText1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    menuFile->addSeparator();
    FilePrintItem = item(menuFile, "FilePrintItem", QStringLiteral("&Drucken"));
    FilePrintItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    FilePrintItem->setStatusTip(QStringLiteral("Aktuelles Diagramm drucken"));
    FilePrintSetupItem = item(menuFile, "FilePrintSetupItem", QStringLiteral("Drucker&einrichtung..."));
    menuFile->addSeparator();
    FileExitItem = item(menuFile, "FileExitItem", QStringLiteral("&Beenden"));
    FileExitItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

void TMainMenu::buildEdit(QMenuBar* bar)
{
    menuEdit = menu(bar, "Edit1", QStringLiteral("&Bearbeiten"));
    Kommentar1 = item(menuEdit, "Kommentar1", QStringLiteral("Kommentar"));
    menuEdit->addSeparator();
    EditCopyItem = item(menuEdit, "EditCopyItem", QStringLiteral("&Kopieren"));
    EditCopyItem->setStatusTip(QStringLiteral("Markiertes Element in Zwischenablage kopieren"));
    // Ctrl+C as well: what Linux users press to copy.
    EditCopyItem->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Insert), QKeySequence(Qt::CTRL | Qt::Key_C)});
}

void TMainMenu::buildAnalyse(QMenuBar* bar)
{
    menuAnalyse = menu(bar, "Analyse1", QStringLiteral("&Analyse"));
    THDNoise1 = item(menuAnalyse, "THDNoise1", QStringLiteral("&THD+Noise"), true);
    Level1 = item(menuAnalyse, "Level1", QStringLiteral("&Level"), true);
    Parameter1 = item(menuAnalyse, "Parameter1", QStringLiteral("&Parameter"));
    menuAnalyse->addSeparator();
    LevelUnits1 = menuAnalyse->addMenu(QStringLiteral("Level Units"));
    LevelUnits1->setObjectName(QStringLiteral("LevelUnits1"));
    dbFS1 = item(LevelUnits1, "dbFS1", QStringLiteral("dbFS"), true);
    dbV1 = item(LevelUnits1, "dbV1", QStringLiteral("dbV"), true);
    dbu1 = item(LevelUnits1, "dbu1", QStringLiteral("dbu"), true);
    dbm1 = item(LevelUnits1, "dbm1", QStringLiteral("dbm"), true);
}

void TMainMenu::buildKorrektur(QMenuBar* bar)
{
    menuKorrektur = menu(bar, "Korrektur1", QStringLiteral("&Korrektur"));
    LadeEingangskorrekturdatei1 =
        item(menuKorrektur, "LadeEingangskorrekturdatei1", QStringLiteral("Lade &Eingangskorrekturdatei"));
    Eingangskorrekturaktiv1 = item(menuKorrektur, "Eingangskorrekturaktiv1", QStringLiteral("Eingangskorrektur aktiv"), true);
    EditEingangskorrekturdatei1 =
        item(menuKorrektur, "EditEingangskorrekturdatei1", QStringLiteral("Edit Eingangskorrekturdatei"));
    menuKorrektur->addSeparator();
    LadeAusgangskorrekturdatei1 =
        item(menuKorrektur, "LadeAusgangskorrekturdatei1", QStringLiteral("Lade &Ausgangskorrekturdatei"));
    Ausgangskorrekturaktiv1 = item(menuKorrektur, "Ausgangskorrekturaktiv1", QStringLiteral("Ausgangskorrektur aktiv"), true);
    EditAusgangskorrekturdatei1 =
        item(menuKorrektur, "EditAusgangskorrekturdatei1", QStringLiteral("Edit Ausgangskorrekturdatei"));
    menuKorrektur->addSeparator();
    Testekorrekturdatei1 = item(menuKorrektur, "Testekorrekturdatei1", QStringLiteral("Teste Korrekturdateien"));
}

void TMainMenu::buildDiagramm(QMenuBar* bar)
{
    // The diagram's options are reached with the right mouse button in the
    // diagram; this menu stays hidden and disabled.
    menuDiagramm = menu(bar, "Diagramm1", QStringLiteral("&Diagramm"));
    DiaEinMenu = item(menuDiagramm, "DiaEinMenu", QStringLiteral("&Einstellungen"));
    Skalierung1 = item(menuDiagramm, "Skalierung1", QStringLiteral("&Skalierung"));
    menuDiagramm->menuAction()->setVisible(false);
    menuDiagramm->setEnabled(false);
}

void TMainMenu::buildDeviceMenu(QMenu* menu, QAction** items, const char* const names[], QObject* owner)
{
    auto* group = new QActionGroup(owner);
    group->setExclusive(true);
    for (int i = 0; i < kDeviceMenuItems; ++i) {
        items[i] = item(menu, names[i], QString::number(i + 1), true);
        group->addAction(items[i]);
    }
}

void TMainMenu::buildEinstellungen(QMenuBar* bar)
{
    menuEinstellungen = menu(bar, "Einstellungen1", QStringLiteral("&Einstellungen"));
    deutschEnglish1 = item(menuEinstellungen, "deutschEnglish1", QStringLiteral("deutsch/english"));
    Eichen1 = item(menuEinstellungen, "Eichen1", QStringLiteral("&Kalibrierung"));
    ShowFeaturelist1 = item(menuEinstellungen, "ShowFeaturelist1", QStringLiteral("&Featureliste"));
    menuEinstellungen->addSeparator();
    AudioInDevice1 = menuEinstellungen->addMenu(QStringLiteral("Audio-In-Device"));
    AudioInDevice1->setObjectName(QStringLiteral("AudioInDevice1"));
    static const char* const inNames[] = {"N11", "N21", "N31"};
    buildDeviceMenu(AudioInDevice1, InDeviceItems, inNames, menuEinstellungen);
    AudioInParameter1 = item(menuEinstellungen, "AudioInParameter1", QStringLiteral("Audio-In-Parameter"));
    AudioInDCOffset1 = item(menuEinstellungen, "AudioInDCOffset1", QStringLiteral("Audio-In DC-Offset"));
    menuEinstellungen->addSeparator();
    AudioOutDevice1 = menuEinstellungen->addMenu(QStringLiteral("Audio-Out-Device"));
    AudioOutDevice1->setObjectName(QStringLiteral("AudioOutDevice1"));
    static const char* const outNames[] = {"N12", "N22", "N32"};
    buildDeviceMenu(AudioOutDevice1, OutDeviceItems, outNames, menuEinstellungen);
    AudioOutParameter1 = item(menuEinstellungen, "AudioOutParameter1", QStringLiteral("Audio-Out-Parameter"));
    menuEinstellungen->addSeparator();
    WaveInChannel1 = menuEinstellungen->addMenu(QStringLiteral("Wave In Channel"));
    WaveInChannel1->setObjectName(QStringLiteral("WaveInChannel1"));
    for (int i = 0; i < kWaveInChannelItems; ++i) {
        const QByteArray name = "Mix" + QByteArray::number(i) + "1";
        QAction* mix = item(WaveInChannel1, name.constData(), QStringLiteral("Mix") + QString::number(i), true);
        mix->setVisible(i < kVisibleWaveInChannelItems);
        MixItems << mix;
    }
    MixerSupport1 = item(menuEinstellungen, "MixerSupport1", QStringLiteral("Mixer Support "));
    Reset1 = item(menuEinstellungen, "Reset1", QStringLiteral("&Reset Soundsystem"));
}

void TMainMenu::buildTools(QMenuBar* bar) { menuTools = menu(bar, "Tools1", QStringLiteral("&Werkzeuge")); }

void TMainMenu::buildHelp(QMenuBar* bar)
{
    menuHelp = menu(bar, "Help1", QStringLiteral("&?"));
    // F1 opens what the user looks at; the contents stay one click away.
    HelpPageItem = item(menuHelp, "HelpPageItem", QStringLiteral("&Hilfe zu dieser Seite"));
    HelpPageItem->setShortcut(QKeySequence::HelpContents);
    HelpContentsItem = item(menuHelp, "HelpContentsItem", QStringLiteral("&Inhalt"));
    menuHelp->addSeparator();
    HelpAboutItem = item(menuHelp, "HelpAboutItem", QStringLiteral("Inf&o..."));
}

void TMainMenu::SetTexts(const MainWindowTexts& t)
{
    menuFile->setTitle(t.menuFile);
    FilePrintItem->setText(t.filePrint);
    FilePrintSetupItem->setText(t.filePrintSetup);
    FileExitItem->setText(t.fileExit);
    SpeichernalsText1->setText(t.saveAsText);
    menuEdit->setTitle(t.menuEdit);
    Kommentar1->setText(t.comment);
    EditCopyItem->setText(t.editCopy);
    menuAnalyse->setTitle(t.menuAnalyse);
    menuKorrektur->setTitle(t.menuCorrection);
    LadeEingangskorrekturdatei1->setText(t.loadInCor);
    Eingangskorrekturaktiv1->setText(t.inCorActive);
    EditEingangskorrekturdatei1->setText(t.editInCor);
    LadeAusgangskorrekturdatei1->setText(t.loadOutCor);
    Ausgangskorrekturaktiv1->setText(t.outCorActive);
    EditAusgangskorrekturdatei1->setText(t.editOutCor);
    Testekorrekturdatei1->setText(t.testCor);
    menuDiagramm->setTitle(t.menuDiagram);
    DiaEinMenu->setText(t.diaOptions);
    Skalierung1->setText(t.diaScale);
    menuEinstellungen->setTitle(t.menuOptions);
    Eichen1->setText(t.calibration);
    ShowFeaturelist1->setText(t.featureList);
    menuTools->setTitle(t.menuTools);
    HelpPageItem->setText(t.helpPage);
    HelpContentsItem->setText(t.helpContents);
}

} // namespace korvanta
