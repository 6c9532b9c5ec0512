#include "app/Audconst.h"

namespace korvanta {

namespace {

MessageTable germanMessages()
{
    MessageTable t;
    t.soundStartError = QStringLiteral("Problem beim Öffnen des Sounddevice ! Programm stopped (");
    t.leftLabel = QStringLiteral(" LI ");
    t.rightLabel = QStringLiteral(" RE ");
    t.startSampleError = QStringLiteral("Probleme beim Sample (");
    t.nextBlockError = QStringLiteral("Probleme beim Beginn Samplen (");
    t.correctionHeading = QStringLiteral("Korrektur Kurve von ");
    t.sweepFreqError = QStringLiteral("In/Out Freq. > Samplefrequenz/2 ! Wobbeln stoppt ");
    t.noFundamental = QStringLiteral(" keine Grundwelle ");
    t.fileNotCreated = QStringLiteral(" konnte nicht erzeugt werden");
    t.calibrated = QStringLiteral("Pegel kalibriert");
    t.uncalibrated = QStringLiteral("Pegel unkalibriert");
    t.correctionActive = QStringLiteral("Korrektur aktiv");
    return t;
}

MessageTable englishMessages()
{
    MessageTable t;
    t.soundStartError = QStringLiteral("Problems while opening the sounddevice ! Program stop");
    t.leftLabel = QStringLiteral(" le ");
    t.rightLabel = QStringLiteral(" ri ");
    t.startSampleError = QStringLiteral("Problems while Start Sampling (");
    t.nextBlockError = QStringLiteral("Problems while Open Sampling (");
    t.correctionHeading = QStringLiteral("Correction curve of ");
    t.sweepFreqError = QStringLiteral("In/Out Freq. > Sample-Freq./2 ! Stop Sweeping ");
    t.noFundamental = QStringLiteral(" no fundamental wave");
    t.fileNotCreated = QStringLiteral(" could not created");
    t.calibrated = QStringLiteral("Level calibrated");
    t.uncalibrated = QStringLiteral("Levle uncalibrated");
    t.correctionActive = QStringLiteral("Correction active");
    return t;
}

MessageTable& table()
{
    static MessageTable current = germanMessages();
    return current;
}

char& language()
{
    static char letter = 'D';
    return letter;
}

MainWindowTexts germanTexts()
{
    MainWindowTexts t;
    t.tabSheet1 = QStringLiteral("Spektrumanalyser");
    t.tabSheet2 = QStringLiteral("Frequenzgenerator");
    t.tabSheet3 = QStringLiteral("Oszilloskop");
    t.fftPointsGroup = QStringLiteral("FFT-Punkte");
    t.runningGroup = QStringLiteral("Betrieb");
    t.runningItems = {QStringLiteral("einzeln"), QStringLiteral("fortlaufend"), QStringLiteral("Trigger")};
    t.menuFile = QStringLiteral("&Datei");
    t.filePrint = QStringLiteral("&Drucken");
    t.filePrintSetup = QStringLiteral("Drucker&einrichtung");
    t.fileExit = QStringLiteral("&Beenden");
    t.saveAsText = QStringLiteral("&Speichern als Text");
    t.menuEdit = QStringLiteral("&Bearbeiten");
    t.comment = QStringLiteral("Kommentar");
    t.editCopy = QStringLiteral("&Kopieren");
    t.menuAnalyse = QStringLiteral("&Analyse");
    t.menuCorrection = QStringLiteral("&Korrektur");
    t.loadInCor = QStringLiteral("Lade &Eingangskorrekturdatei");
    t.inCorActive = QStringLiteral("Eingangskorrektur aktiv");
    t.editInCor = QStringLiteral("Bearbeite Eingangskorrekturdatei");
    t.loadOutCor = QStringLiteral("Lade &Ausgangskorrekturdatei");
    t.outCorActive = QStringLiteral("Ausgangskorrektur aktiv");
    t.editOutCor = QStringLiteral("Bearbeite Ausgangskorrekturdatei");
    t.testCor = QStringLiteral("Teste Korrekturdateien");
    t.menuDiagram = QStringLiteral("&Diagramm");
    t.diaOptions = QStringLiteral("&Einstellungen");
    t.diaScale = QStringLiteral("&Skalierung");
    t.menuOptions = QStringLiteral("&Einstellungen");
    t.calibration = QStringLiteral("&Kalibrierung");
    t.featureList = QStringLiteral("&Featureliste");
    t.menuTools = QStringLiteral("&Werkzeuge");
    t.helpContents = QStringLiteral("&Inhalt");
    t.helpPage = QStringLiteral("&Hilfe zu dieser Seite");
    t.measureLeft = QStringLiteral("links K1");
    t.measureRight = QStringLiteral("rechts K2");
    t.averages = QStringLiteral("Mittelwerte ");
    t.backButton = QStringLiteral("zurück");
    t.saveTextTitle = QStringLiteral("Diagrammwerte als Textdatei");
    t.helpFile = QStringLiteral("krv14fd.html");
    return t;
}

MainWindowTexts englishTexts()
{
    MainWindowTexts t;
    t.tabSheet1 = QStringLiteral("Spectrumanalyzer");
    t.tabSheet2 = QStringLiteral("Frequency Generator");
    t.tabSheet3 = QStringLiteral("Oscilloscope");
    t.fftPointsGroup = QStringLiteral("FFT Size");
    t.runningGroup = QStringLiteral("Mode");
    t.runningItems = {QStringLiteral("single"), QStringLiteral("continuous"), QStringLiteral("trigger")};
    t.menuFile = QStringLiteral("&File");
    t.filePrint = QStringLiteral("&Print");
    t.filePrintSetup = QStringLiteral("Printer &Setup");
    t.fileExit = QStringLiteral("&Exit");
    t.saveAsText = QStringLiteral("&Save as text file");
    t.menuEdit = QStringLiteral("&Edit");
    t.comment = QStringLiteral("&Remark");
    t.editCopy = QStringLiteral("&Copy");
    t.menuAnalyse = QStringLiteral("&Analyze");
    t.menuCorrection = QStringLiteral("&Correction");
    t.loadInCor = QStringLiteral("Open &Input Correction File");
    t.inCorActive = QStringLiteral("Input Correction active");
    t.editInCor = QStringLiteral("Edit Input Correction File");
    t.loadOutCor = QStringLiteral("Open &Output Correction File");
    t.outCorActive = QStringLiteral("Output Correction active");
    t.editOutCor = QStringLiteral("Edit Output Correction File");
    t.testCor = QStringLiteral("Test Correction Files");
    t.menuDiagram = QStringLiteral("&Diagram");
    t.diaOptions = QStringLiteral("&Options");
    t.diaScale = QStringLiteral("&Scale");
    t.menuOptions = QStringLiteral("&Options");
    t.calibration = QStringLiteral("&Calibration");
    t.featureList = QStringLiteral("&Features");
    t.menuTools = QStringLiteral("&Tools");
    t.helpContents = QStringLiteral("&Contens");
    t.helpPage = QStringLiteral("&Help on this page");
    t.measureLeft = QStringLiteral("left L1");
    t.measureRight = QStringLiteral("right L2");
    t.averages = QStringLiteral("Averages ");
    t.backButton = QStringLiteral("back");
    t.saveTextTitle = QStringLiteral("Diagram values as text file");
    t.helpFile = QStringLiteral("krv14fe.html");
    return t;
}

} // namespace

const MessageTable& Messages() { return table(); }

std::optional<MessageTable> MessageTableFor(char letter)
{
    if (letter == 'D')
        return germanMessages();
    if (letter == 'E')
        return englishMessages();
    return std::nullopt;
}

bool SetMessageLanguage(char letter)
{
    auto t = MessageTableFor(letter);
    if (!t)
        return false;
    table() = *t;
    return true;
}

char CurrentLanguage() { return language(); }
void SetCurrentLanguage(char letter) { language() = letter; }
char ToggledLanguage(char letter) { return letter == 'D' ? 'E' : 'D'; }

std::optional<MainWindowTexts> MainTextsFor(char letter)
{
    if (letter == 'D')
        return germanTexts();
    if (letter == 'E')
        return englishTexts();
    return std::nullopt;
}

} // namespace korvanta
