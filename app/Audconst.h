#pragma once
// The program's language: one process-wide letter ('D' German, 'E' English),
// the table of message texts that several windows build their messages from,
// and the captions of the main window in both languages.
//
// The message table holds the German texts until the language is first set,
// so a failure at start-up (before the settings file is read) reports in
// German. Plain data, no widgets: windows read it when they show a message.

#include <QString>
#include <QStringList>
#include <optional>

namespace korvanta {

// Longest message text of the table.
inline constexpr int kMessageLength = 67;

struct MessageTable {
    QString soundStartError;     // sound device failure at start (followed by the device text and ")")
    QString leftLabel;           // channel label in the level and THD+N texts
    QString rightLabel;
    QString startSampleError;    // analyzer: recording could not be started
    QString nextBlockError;      // analyzer: next block could not be started
    QString correctionHeading;   // info line of the correction test
    QString sweepFreqError;      // sweep frequency above half the sample rate
    QString noFundamental;       // THD+N without a fundamental
    QString fileNotCreated;      // appended to a file name that could not be written
    QString calibrated;          // calibration status
    QString uncalibrated;
    QString correctionActive;    // correction status label
};

// The current message texts.
const MessageTable& Messages();

// The table of one language, or none for a letter other than 'D' or 'E'.
std::optional<MessageTable> MessageTableFor(char letter);

// Fills the table for 'D' or 'E' and returns true; any other letter changes
// nothing and returns false.
bool SetMessageLanguage(char letter);

// The process-wide language letter, initially 'D'.
char CurrentLanguage();
void SetCurrentLanguage(char letter);

// 'E' after 'D', otherwise 'D' (also after a letter that is neither).
char ToggledLanguage(char letter);

// Captions of the main window that follow the language. Everything not
// listed here keeps the caption the window was built with.
struct MainWindowTexts {
    QString tabSheet1, tabSheet2, tabSheet3;           // page tabs
    QString fftPointsGroup, runningGroup;              // analyzer group boxes
    QStringList runningItems;                          // single, continuous, trigger
    QString menuFile, filePrint, filePrintSetup, fileExit, saveAsText;
    QString menuEdit, comment, editCopy;
    QString menuAnalyse;
    QString menuCorrection, loadInCor, inCorActive, editInCor, loadOutCor, outCorActive, editOutCor, testCor;
    QString menuDiagram, diaOptions, diaScale;
    QString menuOptions, calibration, featureList;
    QString menuTools;                                 // the windows of the program's own
    QString helpContents;
    QString helpPage;                                  // F1: help on the page shown
    QString measureLeft, measureRight, averages;       // analyzer page
    QString backButton;                                // generator page "zurück"
    QString saveTextTitle;                             // title of the text export dialog
    QString helpFile;                                  // help file of the language
};

std::optional<MainWindowTexts> MainTextsFor(char letter);

} // namespace korvanta
