#pragma once
// The main window's part of the mixer: the "Wave In Channel" menu, the
// "Mixer Support" switch, the input and output level bars of the analyzer
// and sweep pages (and the generator window's "Ana." slider, their twin),
// the captions that name the chosen input, and the handlers of the mixer
// window's three change events. The levels and the channel live in the
// main window's settings record (section "VOLUME").

#include <QObject>
#include <QPointer>

class QLabel;
class QScrollBar;
class TAnalyzerPage;
class TGeneratorPage;
class TMainMenu;
class Tmixu;
class TsrcCtr;
struct MainWindowSettings;

// Captions while the system's own mixer is in charge.
inline constexpr char kInputViaSystemMixer[] = " Input: via system mixer ";
inline constexpr char kInpViaSystemMixer[] = " Inp: via system mixer ";

class TMixerMenu : public QObject {
    Q_OBJECT
public:
    TMixerMenu(TMainMenu& menu, MainWindowSettings& settings, TAnalyzerPage* analyzer, TGeneratorPage* generator,
               QObject* parent = nullptr);

    // The mixer window (created after the main window).
    void SetMixerWindow(Tmixu* mixu);
    // The generator window's level slider and its label (position =
    // 100 - percent), twin of the sweep page's output bar.
    void SetGeneratorLevel(QScrollBar* slider, QLabel* label);

    // Main window shown: caption of "Mixer Support" and the greying.
    void ShowMixerSupport();
    // Every activation of the main window: the change events connected,
    // the playback path prepared, the channel menu rebuilt and the stored
    // channel (or the line source) chosen.
    void FormActivate();

    // Rebuilds (or only re-checks) the channel menu; returns the selected
    // source index (0 if there is none).
    int makeInChannelRadio(bool rebuild);
    void makeInChannelVolume(TsrcCtr* control);
    void MixSelInchange(Tmixu* sender);
    void MixVolInchange(TsrcCtr* sender);
    void MixMasterVolOutchange(Tmixu* sender);
    void MixerSupport1Click();
    // Mix01Click .. Mix181Click: index 0 .. 18.
    void MixClick(int index);
    void ChooseInputChannel(int index);
    void ScrollBar1Scroll(int position);
    void ScrollBar2Scroll(int position);
    void ScrollBar3Scroll(int position);
    // Generator window "Ana.": same as the sweep page's output bar.
    void AnaScroll(int position);
    // After an output device change; the mixer has nothing to do then.
    void GetSetMixVolOut() {}

private:
    void connectControls();
    void setInputPercent(int percent);
    void setOutputPercent(int percent);
    void syncInputControls();
    void syncOutputControls();
    void enableLevelControls(bool on);
    void showInputCaption(const QString& caption);
    QString itemCaption(int index) const;

    TMainMenu& menu_;
    MainWindowSettings& settings_;
    TAnalyzerPage* analyzer_;
    TGeneratorPage* generator_;
    QPointer<Tmixu> mixu_;
    QPointer<QScrollBar> anaSlider_;
    QPointer<QLabel> anaLabel_;
};
