#pragma once
// The main window's part of the mixer: the "Wave In Channel" menu, the
// "Mixer Support" switch, the input and output level bars of the analyzer
// and sweep pages (and the generator window's "Ana." slider, their twin),
// the captions that name the chosen input, and the handlers of the mixer
// window's three change events. The levels and the channel live in the
// main window's settings record (section "VOLUME").

#include "platform/ui/LevelField.h"
#include <QObject>
#include <QPointer>
#include <optional>

class QLabel;
class QScrollBar;

namespace korvanta {


class TAnalyzerPage;
class TGeneratorPage;
class TMainMenu;
class Tmixu;
class TsrcCtr;
class TWavegen;
struct MainWindowSettings;

// The input captions: the analyzer's group title names the source after
// "Input:", the generator page's line names it beside its own "Inp:" label.
// While the system's own mixer is in charge (support switched off), or
// support is on but there is no mixer to use, they say so instead.
QString AnalyzerInputCaption(char letter, const QString& source);
QString GeneratorInputCaption(const QString& source);
QString ViaSystemMixer(char letter);
QString MixerNotAvailable(char letter);

class TMixerMenu : public QObject {
    Q_OBJECT
public:
    TMixerMenu(TMainMenu& menu, MainWindowSettings& settings, TAnalyzerPage* analyzer, TGeneratorPage* generator,
               QObject* parent = nullptr);

    // The mixer window (created after the main window).
    void SetMixerWindow(Tmixu* mixu);
    // The generator window's level slider and its label (position =
    // 100 - percent), twin of the sweep page's output bar.
    void SetGeneratorLevel(QScrollBar* slider, TLevelField* label);
    // The same for the generator window's own slider and label; no window,
    // no change.
    void SetGeneratorWindow(TWavegen* generator);

    // Main window shown: caption of "Mixer Support" and the greying.
    void ShowMixerSupport();
    // Every activation of the main window: the change events connected,
    // the playback path prepared, the channel menu rebuilt and the stored
    // channel (or the line source) chosen.
    void FormActivate();
    // "&Reset Soundsystem": a mixer that was not available is tried again,
    // and a new one is taken into use as at an activation.
    void RetryMixer();

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
    // The user's choice: the index becomes the stored channel.
    void ChooseInputChannel(int index);
    // Activation and the support switch: the stored channel, or the source
    // the mixer offers for it when it lacks that one; the stored channel
    // stays as it is then.
    void RestoreInputChannel();
    // Shows the input captions again in the language of the moment.
    void SetLanguage(char letter);
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
    // Support off by the user, or on without a mixer to use.
    void showNoMixerCaption();
    QString itemCaption(int index) const;
    // The recording source the level bars act on.
    int inputInUse() const;

    TMainMenu& menu_;
    MainWindowSettings& settings_;
    TAnalyzerPage* analyzer_;
    TGeneratorPage* generator_;
    QPointer<Tmixu> mixu_;
    QPointer<QScrollBar> anaSlider_;
    QPointer<TLevelField> anaLabel_;
    int inUse_ = -1;   // the source chosen last, by the program or elsewhere
    // What the input captions show: a source's caption, or nothing while
    // there is no mixer to use.
    std::optional<QString> shownSource_;
    bool noMixerShown_ = false;
};

} // namespace korvanta
