#pragma once
// The main window's way into the device parameters: "In-Para" on the
// analyzer page, "Out-Para" on the generator page, the menu items
// "Audio-In-Parameter", "Audio-Out-Parameter" and "Audio-In DC-Offset", and
// the generator window's "Opt.". The output dialog is not opened while
// something plays (the running tone would go on in the old format). After
// an input dialog the page shows the input format, and the analyzer's
// frequency range follows a changed rate.

#include <QObject>

namespace korvanta {

class TAnalyzerPage;
class TGeneratorPage;
class TMainMenu;

class TParameterMenu : public QObject {
    Q_OBJECT
public:
    TParameterMenu(TMainMenu& menu, TAnalyzerPage& analyzer, TGeneratorPage& generator, QObject* parent = nullptr);

    void BinpoptClick();               // "In-Para"
    void AudioInParameter1Click();
    void AudioOutParameter1Click();    // also the generator window's "Opt."
    void Button2Click();               // "Out-Para"
    void AudioInDCOffset1Click();

private:
    // The input dialog, then the input format on the page; false when it was
    // not shown.
    bool inputDialog();
    bool outputDialog();
    void showInputFormat();

    TAnalyzerPage& analyzer_;
};

} // namespace korvanta
