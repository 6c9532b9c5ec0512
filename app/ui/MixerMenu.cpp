#include "app/ui/MixerMenu.h"

#include "platform/ui/LevelField.h"

#include "app/ui/ProgramRecords.h"
#include "app/Audconst.h"
#include "platform/LanguageTexts.h"
#include "platform/ui/WhyGrey.h"
#include "measure/ui/AnalyzerPage.h"
#include "generator/ui/GeneratorPage.h"
#include "generator/GeneratorSection.h"
#include "generator/ui/Wavegene.h"
#include "app/ui/MainMenu.h"
#include "app/MainSettings.h"
#include "mixer/ui/mixu.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSignalBlocker>

namespace korvanta {

namespace {
constexpr Words kInputPrefix{" Eingang: ", " Input: "};
constexpr Words kViaSystemMixer{"über den System-Mixer", "via system mixer"};
constexpr Words kMixerNotAvailable{"Mixer nicht verfügbar", "mixer not available"};

void setQuietly(QScrollBar* bar, int position)
{
    if (!bar)
        return;
    const QSignalBlocker quiet(bar);
    bar->setValue(position);
}

// Menu captions show '&' as a mnemonic; item names are plain text.
QString menuText(QString plain) { return plain.replace(QLatin1Char('&'), QStringLiteral("&&")); }
} // namespace

TMixerMenu::TMixerMenu(TMainMenu& menu, MainWindowSettings& settings, TAnalyzerPage* analyzer,
                       TGeneratorPage* generator, QObject* parent)
    : QObject(parent), menu_(menu), settings_(settings), analyzer_(analyzer), generator_(generator)
{
    connectControls();
}

void TMixerMenu::connectControls()
{
    for (int i = 0; i < kVisibleWaveInChannelItems; ++i)
        connect(menu_.MixItems[i], &QAction::triggered, this, [this, i] { MixClick(i); });
    connect(menu_.MixerSupport1, &QAction::triggered, this, &TMixerMenu::MixerSupport1Click);
    connect(analyzer_, &TAnalyzerPage::inputVolumeMoved, this, &TMixerMenu::setInputPercent);
    connect(generator_, &TGeneratorPage::inputVolumeMoved, this, &TMixerMenu::setInputPercent);
    connect(generator_, &TGeneratorPage::outputVolumeMoved, this, &TMixerMenu::setOutputPercent);
    // Until the mixer window exists nothing here can work.
    enableLevelControls(false);
    SetUsable(menu_.MixerSupport1, false, words::kWhyNoMixer, CurrentLanguage());
}

void TMixerMenu::SetMixerWindow(Tmixu* mixu)
{
    mixu_ = mixu;
    SetUsable(menu_.MixerSupport1, mixu != nullptr, words::kWhyNoMixer, CurrentLanguage());
}

void TMixerMenu::SetGeneratorLevel(QScrollBar* slider, TLevelField* label)
{
    anaSlider_ = slider;
    anaLabel_ = label;
    if (slider)
        connect(slider, &QScrollBar::valueChanged, this, &TMixerMenu::AnaScroll);
    syncOutputControls();
    enableLevelControls(mixu_ && mixu_->MixOn());
}

void TMixerMenu::SetGeneratorWindow(TWavegen* generator)
{
    if (generator)
        SetGeneratorLevel(generator->ScrollBar2, generator->Label3);
}

void TMixerMenu::ShowMixerSupport()
{
    const bool on = mixu_ && mixu_->MixOn();
    menu_.MixerSupport1->setText(on ? QStringLiteral("Mixer Support ON") : QStringLiteral("Mixer Support OFF"));
    enableLevelControls(on);
    syncInputControls();
    syncOutputControls();
    if (!on)
        showNoMixerCaption();
}

void TMixerMenu::FormActivate()
{
    Tmixu* m = mixu_;
    if (!m)
        return;
    m->InSelMixChange = [this](Tmixu* s) { MixSelInchange(s); };
    m->InVolMixChange = [this](TsrcCtr* c) { MixVolInchange(c); };
    m->OutMasterVolMixChange = [this](Tmixu* s) { MixMasterVolOutchange(s); };
    if (m->SharedMaster()) {
        // A sound server's master is the whole desktop's volume: it is
        // shown, and changed only when the user moves the output level.
        if (m->MixOn())
            MixMasterVolOutchange(m);
    } else {
        m->PreparePlayback(PercentToMixerValue(settings_.FgVolume));
    }
    makeInChannelRadio(true);
    if (settings_.AudioInChannel == -1)
        settings_.AudioInChannel = m->DefaultSource();
    // Without a line source (a sound server's single "Capture") the source
    // the mixer has selected now is the one to start with.
    Tmixu::SourceList list;
    if (settings_.AudioInChannel == -1 && m->GetSourceList(list))
        settings_.AudioInChannel = list.selected;
    RestoreInputChannel();
}

void TMixerMenu::RetryMixer()
{
    if (!mixu_ || !mixu_->Reopen())
        return;
    ShowMixerSupport();
    FormActivate();
}

int TMixerMenu::makeInChannelRadio(bool rebuild)
{
    Tmixu::SourceList list;
    const bool ok = mixu_ && mixu_->GetSourceList(list);
    const int n = std::min(list.count, static_cast<int>(kVisibleWaveInChannelItems));
    if (rebuild) {
        for (int i = 0; i < kVisibleWaveInChannelItems; ++i) {
            menu_.MixItems[i]->setText(QString());
            menu_.MixItems[i]->setVisible(false);
        }
        for (int i = 0; i < n; ++i) {
            menu_.MixItems[i]->setText(menuText(list.names[i]));
            menu_.MixItems[i]->setVisible(true);
        }
    }
    if (!ok)
        return 0;
    if (n > 0 && mixu_->MixOn())
        for (int i = 0; i < kVisibleWaveInChannelItems; ++i)
            menu_.MixItems[i]->setChecked(i == list.selected);
    return list.selected;
}

QString TMixerMenu::itemCaption(int index) const
{
    if (index < 0 || index >= kVisibleWaveInChannelItems)
        return QString();
    return menu_.MixItems[index]->text().replace(QStringLiteral("&&"), QStringLiteral("&"));
}

QString AnalyzerInputCaption(char letter, const QString& source)
{
    return Pick(letter, kInputPrefix) + source + QLatin1Char(' ');
}

QString GeneratorInputCaption(const QString& source) { return QLatin1Char(' ') + source + QLatin1Char(' '); }

QString ViaSystemMixer(char letter) { return Pick(letter, kViaSystemMixer); }

QString MixerNotAvailable(char letter) { return Pick(letter, kMixerNotAvailable); }

void TMixerMenu::showInputCaption(const QString& caption)
{
    shownSource_ = caption;
    noMixerShown_ = false;
    // The generator page has its own "Inp:" label before the source.
    analyzer_->ShowInputCaption(AnalyzerInputCaption(CurrentLanguage(), caption));
    generator_->ShowInputCaption(GeneratorInputCaption(caption));
}

void TMixerMenu::showNoMixerCaption()
{
    shownSource_.reset();
    noMixerShown_ = true;
    const bool byUser = !mixu_ || !mixu_->SupportWanted();
    const char letter = CurrentLanguage();
    const QString why = byUser ? ViaSystemMixer(letter) : MixerNotAvailable(letter);
    analyzer_->ShowInputCaption(AnalyzerInputCaption(letter, why));
    generator_->ShowInputCaption(GeneratorInputCaption(why));
}

void TMixerMenu::SetLanguage(char letter)
{
    if (letter != 'D' && letter != 'E')
        return;
    if (shownSource_)
        showInputCaption(*shownSource_);
    else if (noMixerShown_)
        showNoMixerCaption();
}

int TMixerMenu::inputInUse() const { return inUse_ >= 0 ? inUse_ : settings_.AudioInChannel; }

void TMixerMenu::ChooseInputChannel(int index)
{
    if (!mixu_ || index < 0 || index >= kVisibleWaveInChannelItems)
        return;
    if (!mixu_->MixOn()) {
        // No source to name: the caption says why.
        showNoMixerCaption();
        return;
    }
    mixu_->WatchClear();
    mixu_->Watch(index);
    settings_.AudioInChannel = mixu_->SelectSource(index);
    inUse_ = index;
    mixu_->SetInputVolume(PercentToMixerValue(settings_.FgInVolume), index);
    showInputCaption(itemCaption(index));
}

void TMixerMenu::RestoreInputChannel()
{
    if (!mixu_)
        return;
    const int stored = settings_.AudioInChannel;
    const int index = mixu_->UsableSource(stored);
    ChooseInputChannel(index);
    // A stand-in for a source this mixer lacks is not the user's choice.
    if (index != stored)
        settings_.AudioInChannel = stored;
}

void TMixerMenu::MixClick(int index) { ChooseInputChannel(index); }

void TMixerMenu::MixSelInchange(Tmixu*)
{
    if (!mixu_)
        return;
    const int index = makeInChannelRadio(false);
    // The program's own selection coming back keeps the stored channel
    // (which may be a source this mixer lacks); another one was picked by
    // the user elsewhere and becomes the stored channel.
    if (index != inUse_)
        settings_.AudioInChannel = index;
    inUse_ = index;
    mixu_->WatchClear();
    mixu_->Watch(index);
    showInputCaption(itemCaption(index));
    // The level follows the source the user picked elsewhere, as a mixer
    // value: the percentage itself would be all but silent.
    mixu_->SetInputVolume(PercentToMixerValue(settings_.FgInVolume), index);
}

void TMixerMenu::MixVolInchange(TsrcCtr* sender) { makeInChannelVolume(sender); }

void TMixerMenu::makeInChannelVolume(TsrcCtr* control)
{
    if (!mixu_ || !control)
        return;
    settings_.FgInVolume = MixerValueToPercent(mixu_->ControlValue(control));
    syncInputControls();
    analyzer_->ShowCalibrationStatus(settings_.FgInVolume);
}

void TMixerMenu::MixMasterVolOutchange(Tmixu*)
{
    if (!mixu_)
        return;
    settings_.FgVolume = MixerValueToPercent(mixu_->MasterVolume());
    syncOutputControls();
}

void TMixerMenu::MixerSupport1Click()
{
    if (!mixu_)
        return;
    mixu_->SetMixOn(!mixu_->MixOn());
    const bool on = mixu_->MixOn();
    menu_.MixerSupport1->setText(on ? QStringLiteral("Mixer Support ON") : QStringLiteral("Mixer Support OFF"));
    if (on)
        makeInChannelRadio(true);
    enableLevelControls(on);
    if (on)
        RestoreInputChannel();
    else
        showNoMixerCaption();
}

void TMixerMenu::enableLevelControls(bool on)
{
    analyzer_->EnableInputVolume(on);
    generator_->EnableVolumes(on);
    const char letter = CurrentLanguage();
    SetUsable(anaSlider_, on, words::kWhyMixerOff, letter);
    SetUsable(anaLabel_, on, words::kWhyMixerOff, letter);
    if (anaLabel_)
        SetUsable(anaLabel_->Beside(), on, words::kWhyMixerOff, letter);
    SetUsable(menu_.WaveInChannel1, on, words::kWhyMixerOff, letter);
}

void TMixerMenu::setInputPercent(int percent)
{
    settings_.FgInVolume = percent;
    if (mixu_)
        mixu_->SetInputVolume(PercentToMixerValue(percent), inputInUse());
    syncInputControls();
    analyzer_->ShowCalibrationStatus(percent);
}

void TMixerMenu::setOutputPercent(int percent)
{
    settings_.FgVolume = percent;
    if (mixu_)
        mixu_->SetMasterVolume(PercentToMixerValue(percent));
    syncOutputControls();
}

void TMixerMenu::syncInputControls()
{
    const int p = settings_.FgInVolume;
    // Setting a bar to the position it already has changes nothing, so the
    // bar being dragged is left alone.
    generator_->ShowInputVolume(p);
    analyzer_->ShowInputVolume(p);
}

void TMixerMenu::syncOutputControls()
{
    const int p = settings_.FgVolume;
    Generator().analogLevel = p;
    generator_->ShowOutputVolume(p);
    analyzer_->ShowOutputVolume(p);
    setQuietly(anaSlider_, 100 - p);
    if (anaLabel_)
        anaLabel_->ShowPercent(p);
}

void TMixerMenu::AnaScroll(int position) { setOutputPercent(100 - position); }

} // namespace korvanta
