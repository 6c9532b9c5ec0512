#include "app/ui/Main.h"
#include "platform/LanguageTexts.h"
#include "platform/ui/WhyGrey.h"

#include "app/ui/AboutBox.h"
#include "app/WindowPlacement.h"
#include "platform/ui/WindowFrames.h"
#include "app/ui/ProgramRecords.h"
#include "measure/ui/AnalyzerPage.h"
#include "app/ui/AnalyzerPart.h"
#include "app/ui/AppWindows.h"
#include "platform/audio/AudioBackend.h"
#include "app/Audconst.h"
#include "correction/CorrectionFile.h"
#include "app/ui/CorrectionMenu.h"
#include "correction/CorrectionTable.h"
#include "app/CorrectionTest.h"
#include "diagram/ui/DiaPrint.h"
#include "platform/FileFolders.h"
#include "diagram/ui/Diadlg3.h"
#include "diagram/ui/Diagr3.h"
#include "measure/ui/Eichdia.h"
#include "app/ui/FeatDlg.h"
#include "generator/ui/GeneratorPage.h"
#include "app/ui/HelpBrowser.h"
#include "app/ui/MainMenu.h"
#include "diagram/ui/SkalDlg.h"
#include "audio/ui/udcoffset.h"
#include "app/ui/MemoryMenu.h"
#include "app/ui/MixerMenu.h"
#include "app/ui/PagePart.h"
#include "platform/ui/Dialogs.h"
#include "platform/ModalQuestions.h"
#include "platform/ui/HelpKey.h"
#include "app/ui/ParameterMenu.h"
#include "generator/ui/Wavegene.h"
#include "scope/OscilloscopeSettings.h"
#include "platform/ProfileStore.h"
#include "app/ProgramIcon.h"
#include "app/QtTranslations.h"
#include "app/ui/ScopeMenu.h"
#include "app/ui/DistortionMenu.h"
#include "app/ui/DeviceTestMenu.h"
#include "app/ui/IrMenu.h"
#include "scope/ui/ScopePage.h"
#include "app/ui/StatusLine.h"
#include "app/ui/SweepMenu.h"
#include "audio/Soundd3.h"
#include "generator/SweepSettings.h"
#include "platform/UserMessages.h"
#include "generator/ui/Wobbelu.h"
#include "analysis/ui/analys.h"
#include "audio/ui/iodia.h"
#include "correction/ui/koedi.h"
#include "measure/samplemem.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QStatusBar>
#include <QTabWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace korvanta {

namespace {

enum Page { kAnalyzerPage = 0, kGeneratorPage = 1, kScopePage = 2 };

constexpr int kMaxWindowWidth = 700;
constexpr int kMaxWindowHeight = 309;
constexpr int kFontPointSize = 8;

// Shown until the first device choice names the devices.
const QString kCredit = QStringLiteral("Korvanta – Audio-Messtechnik mit der Soundkarte");

// Menu captions show '&' as a mnemonic; device names are plain text.
QString menuText(const QString& plain)
{
    QString text = plain;
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

SettingsRecords records(MainWindowSettings& main)
{
    return SettingsRecords{main, Analyzer(), Sweep(), Oscilloscope()};
}

// The process ends without running any further start-up step.
[[noreturn]] void endProcess(int code)
{
    std::fflush(nullptr);
    std::_Exit(code);
}

} // namespace

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    buildWindow();
    FormCreate();
}

// The menu record is plain data; its actions belong to the menu bar.
TMainForm::~TMainForm() { delete Menu; }

void TMainForm::buildWindow()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowIcon(ProgramIcon());
    QFont font(QStringLiteral("Liberation Sans"), kFontPointSize);
    font.setBold(true);
    setFont(font);
    Menu = new TMainMenu(menuBar());
    CorrectionMenu = new TCorrectionMenu(*Menu, this);
    MemoryMenu = new TMemoryMenu(*Menu, menuBar(), this);
    PageControl1 = new QTabWidget(this);
    AnalyzerPage = new TAnalyzerPage(PageControl1);
    GeneratorPage = new TGeneratorPage(PageControl1);
    ScopePage = new TScopePage(PageControl1);
    MixerMenu = new TMixerMenu(*Menu, settings_, AnalyzerPage, GeneratorPage, this);
    PageControl1->addTab(AnalyzerPage, QStringLiteral("Spektrumanalyser"));
    PageControl1->addTab(GeneratorPage, QStringLiteral("Frequenzgenerator"));
    PageControl1->addTab(ScopePage, QStringLiteral("Oszilloskop"));
    AnalyzerPart = new TAnalyzerPart(*AnalyzerPage, settings_, this);
    SweepMenu = new TSweepMenu(*GeneratorPage, this);
    ScopeMenu = new TScopeMenu(*ScopePage, *this);
    DistortionMenu = new TDistortionMenu(
        [this](MeasuringEngine& engine) { ToolRunStarts(MeasuringLoop::Distortion, engine); }, this);
    pages_ = {AnalyzerPart, SweepMenu, ScopeMenu};
    DeviceTestMenu = new TDeviceTestMenu(
        [this](MeasuringEngine& engine) { ToolRunStarts(MeasuringLoop::DeviceTest, engine); },
        [this] { return std::pair(settings_.FgInVolume, settings_.FgVolume); }, this);
    IrMenu = new TIrMenu(
        [this](MeasuringEngine& engine) { ToolRunStarts(MeasuringLoop::ImpulseResponse, engine); }, this);
    parts_ = {AnalyzerPart, SweepMenu, ScopeMenu, DistortionMenu, DeviceTestMenu, IrMenu};
    setCentralWidget(PageControl1);
    ParameterMenu = new TParameterMenu(*Menu, *AnalyzerPage, *GeneratorPage, this);
    StatusLine = new TStatusLine(kCredit, this);
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(StatusLine, 1);
    connectMenus();
}

void TMainForm::connectMenus()
{
    TMainMenu& m = *Menu;
    connect(m.FileExitItem, &QAction::triggered, this, &TMainForm::FileExit);
    connect(m.FilePrintSetupItem, &QAction::triggered, this, &TMainForm::FilePrintSetup);
    connect(m.HelpPageItem, &QAction::triggered, this, [this] {
        // F1 in a tool window of this one arrives here too.
        if (!OpenHelpOfWindow(QApplication::activeWindow()))
            modal::ShowHelp(helpContext_);
    });
    connect(m.HelpContentsItem, &QAction::triggered, this, &TMainForm::HelpContents);
    connect(m.HelpAboutItem, &QAction::triggered, this, &TMainForm::HelpAbout);
    connect(m.ShowFeaturelist1, &QAction::triggered, this, &TMainForm::ShowFeaturelist1Click);
    connect(m.deutschEnglish1, &QAction::triggered, this, &TMainForm::deutschEnglish1Click);
    connect(m.Reset1, &QAction::triggered, this, &TMainForm::Reset1Click);
    connect(m.Eichen1, &QAction::triggered, this, &TMainForm::Eichen1Click);
    for (int i = 0; i < kDeviceMenuItems; ++i) {
        connect(m.InDeviceItems[i], &QAction::triggered, this, [this, i] { InDeviceClick(i); });
        connect(m.OutDeviceItems[i], &QAction::triggered, this, [this, i] { OutDeviceClick(i); });
    }
    connect(m.Parameter1, &QAction::triggered, this, [] {
        if (Forms().Analy)
            Forms().Analy->Execute();
    });
    connect(m.SpeichernalsText1, &QAction::triggered, this, &TMainForm::SpeichernalsText1Click);
    connect(m.FilePrintItem, &QAction::triggered, this, &TMainForm::FilePrint);
    connect(m.EditCopyItem, &QAction::triggered, this, &TMainForm::EditCopy);
    connect(m.Kommentar1, &QAction::triggered, this, &TMainForm::Kommentar1Click);
    StartStopKey = new QAction(this);
    StartStopKey->setObjectName(QStringLiteral("StartStopKey"));
    StartStopKey->setShortcut(QKeySequence(Qt::Key_F5));
    addAction(StartStopKey);
    connect(StartStopKey, &QAction::triggered, this, &TMainForm::StartStopClick);
    connect(CorrectionMenu, &TCorrectionMenu::changed, this, &TMainForm::ShowCorrectionStatus);
    connect(CorrectionMenu, &TCorrectionMenu::testRequested, this, &TMainForm::Testekorrekturdatei1Click);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        PageControl1Changing();
        PageControl1Change();
    });
    // A failed allocation of the analyzer's arrays ends the program through
    // the normal close path, once the current handler has returned.
    connect(AnalyzerPage, &TAnalyzerPage::fatalMemoryError, this, &QWidget::close, Qt::QueuedConnection);
    // One input, one measuring loop: a run started while the calibration
    // dialog measures takes the input over.
    connect(AnalyzerPage, &TAnalyzerPage::runStarted, this, &TMainForm::endCalibrationMeasurement);
    connect(GeneratorPage, &TGeneratorPage::sweepStartRequested, this, [this] { StopAll(MeasuringLoop::Sweep); });

    for (MainWindowPart* part : parts_)
        part->AttachMenus(m);

    // The diagram commands wait for the diagram window.
    enableDiagramCommands(false);
}

// --- start-up ---------------------------------------------------------------------

void TMainForm::FormCreate()
{
    FreeWorkArrays(Analyzer());
    helpContext_ = kMainHelpContext;
    ClearCorrection(InputCorrection());
    ClearCorrection(OutputCorrection());
    DeviceReport(inCount_, outCount_, Analyzer().InFormats);
    if (const int e = SoundInit()) {
        // The settings are not read yet, so this speaks the start language.
        modal::MessageBox(modal::Kind::Error,
                          Messages().soundStartError + SoundErrorText(e) + QStringLiteral(")\n\n") +
                              Pick(CurrentLanguage(), words::kAdviceStart),
                          modal::Ok | modal::Help, kDeviceErrorHelpContext);
        endProcess(kSoundStartFailure);
    }
    settings_.AudioInChannel = 0;
    LoadfromIni(SettingsFilePath());
    StopPlay();
    setWindowTitle(windowCaption());
    fillDeviceMenus();
    InDeviceClick(GetInDevice());
    OutDeviceClick(GetOutDevice());
}

QString TMainForm::windowCaption() const
{
    // The virtual card stands in for a missing sound card; the user must
    // never mistake its readings for real ones.
    if (CurrentAudioBackend().name() == QLatin1String("virtual"))
        return QLatin1String(kMainCaption) +
               (CurrentLanguage() == 'E' ? QStringLiteral(" – virtual card") : QStringLiteral(" – virtuelle Karte"));
    return QLatin1String(kMainCaption);
}

void TMainForm::fillDeviceMenus()
{
    for (int i = 0; i < kDeviceMenuItems; ++i) {
        QAction* in = Menu->InDeviceItems[i];
        in->setVisible(i < inCount_);
        in->setText(i < inCount_ ? menuText(DeviceName('I', i)) : QString::number(i + 1));
        QAction* out = Menu->OutDeviceItems[i];
        out->setVisible(i < outCount_);
        out->setText(i < outCount_ ? menuText(DeviceName('O', i)) : QString::number(i + 1));
    }
}

void TMainForm::LoadfromIni(const QString& path)
{
    ProfileStore store(path);
    store.load();
    ReadMainSettings(store, records(settings_));
    ReadFileFolders(store);
    SetInDevice(StoredDevice('I', settings_.InDevName, settings_.InDev));
    SetOutDevice(StoredDevice('O', settings_.OutDevName, settings_.OutDev));
    SetCurrentLanguage(settings_.Language);
    LoadCorrection(InputCorrection(), settings_.InCoName);
    LoadCorrection(OutputCorrection(), settings_.OutCoName);
    // As with the menu switch, only a table with a file can be active.
    InputCorrection().active = settings_.InCoAkt && !InputCorrection().fileName.isEmpty();
    OutputCorrection().active = settings_.OutCoAkt && !OutputCorrection().fileName.isEmpty();
    CorrectionMenu->ShowActiveStates();
}

void TMainForm::setVisible(bool visible)
{
    // Placed before the window exists on the desktop: a place given then is
    // the frame's, which the window manager keeps; one given after it is
    // mapped would be taken for the client area's and move the window down
    // by its title bar at every start.
    if (visible && !placed_) {
        placed_ = true;
        fitWindowSize();
        placeWindows();
    }
    QMainWindow::setVisible(visible);
}

void TMainForm::placeWindows()
{
    const QSize diagramSize(std::clamp(settings_.DiaWidth, kDiaMinWidth, kDiaMaxWidth),
                            std::clamp(settings_.DiaHeight, kDiaMinHeight, kDiaMaxHeight));
    const QMargins frame = FrameMarginsOf(this);
    if (!settings_.MainPlaced)
        layOutFirstStart(diagramSize.grownBy(frame));
    // A place stored on a screen that is gone, or larger than this one,
    // would hide the window or its title bar.
    const QPoint stored(settings_.MainLeft, settings_.MainTop);
    move(PulledOnto(FrameAt(this, stored), AvailableAt(stored)).topLeft());
    const QPoint diagram(settings_.DiaLeft, settings_.DiaTop);
    const QRect diagramFrame = PulledOnto(QRect(diagram, diagramSize.grownBy(frame)), AvailableAt(diagram));
    settings_.DiaLeft = diagramFrame.x();
    settings_.DiaTop = diagramFrame.y();
}

void TMainForm::layOutFirstStart(QSize diagramFrame)
{
    // The oscilloscope's display stands left of the main window, the diagram
    // right of it; only one of them is shown at a time, but each keeps its
    // place.
    const QRect screen = AvailableAt(QPoint(settings_.MainLeft, settings_.MainTop));
    OscilloscopeSettings& scope = Oscilloscope();
    const QMargins frame = FrameMarginsOf(this);
    const QSize scopeFrame = QSize(scope.windowWidth, height()).grownBy(frame);
    const std::vector<QPoint> at = SideBySide(screen, {scopeFrame, placedFrameSize(), diagramFrame});
    settings_.MainLeft = at[1].x();
    settings_.MainTop = at[1].y();
    if (!settings_.DiaPlaced) {
        settings_.DiaLeft = at[2].x();
        settings_.DiaTop = at[2].y();
    }
    if (scope.windowLeft == kUnsetPlacement && scope.windowTop == kUnsetPlacement) {
        scope.windowLeft = at[0].x();
        scope.windowTop = at[0].y();
    }
}

QSize TMainForm::placedFrameSize() const { return size().grownBy(FrameMarginsOf(this)); }

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TMainForm::FormShow()
{
    AppWindows& f = Forms();
    if (f.KorEdit)
        CorrectionMenu->SetEditor(f.KorEdit);
    for (MainWindowPart* part : parts_)
        part->AttachWindows(f);
    connectDiagram();
    // A grey item says why in its tooltip; menus hide tooltips by default.
    for (QMenu* m : menuBar()->findChildren<QMenu*>())
        m->setToolTipsVisible(true);
    ShowWhyGreyIn(menuBar());
    SetLanguage(CurrentLanguage());
    placeDiagram();
    helpContext_ = kMainHelpContext;
    {
        // Entered below explicitly, so the tab change must not enter it too.
        const QSignalBlocker quiet(PageControl1);
        PageControl1->setCurrentIndex(settings_.ActivePageIndex);
    }
    PageControl1Change();
    ShowCorrectionStatus();
    MixerMenu->SetMixerWindow(f.Mixu);
    MixerMenu->SetGeneratorWindow(f.Wavegen);
    MixerMenu->ShowMixerSupport();
}

void TMainForm::connectDiagram()
{
    TDiagramm* d = Forms().Diagramm;
    MemoryMenu->SetDiagram(d);
    if (!d)
        return;
    connect(d, &TDiagramm::activateMainWindow, this, [this] {
        raise();
        activateWindow();
    });
    const DiagramOptions& o = d->Options();
    emit d->channelColoursChanged(ColorFromRef(o.colLine1), ColorFromRef(o.colLine2));
    enableDiagramCommands(true);
}

void TMainForm::placeDiagram()
{
    TDiagramm* d = Forms().Diagramm;
    if (!d)
        return;
    d->resize(std::clamp(settings_.DiaWidth, kDiaMinWidth, kDiaMaxWidth),
              std::clamp(settings_.DiaHeight, kDiaMinHeight, kDiaMaxHeight));
    MoveFrameTo(d, QPoint(settings_.DiaLeft, settings_.DiaTop));
}

void TMainForm::enableDiagramCommands(bool on)
{
    // Grey either before the diagram window exists or on the oscilloscope
    // page, whose pictures are its own window's.
    const Words& why = Forms().Diagramm ? words::kWhyScopePage : words::kWhyNoDiagram;
    for (QAction* a : {Menu->SpeichernalsText1, Menu->FilePrintItem, Menu->Kommentar1, Menu->EditCopyItem,
                       Menu->Testekorrekturdatei1})
        SetUsable(a, on, why, CurrentLanguage());
    MemoryMenu->SetEnabled(on);
}

// --- devices ----------------------------------------------------------------------

void TMainForm::InDeviceClick(int index)
{
    int rateBefore = 0, outRate = 0;
    GetSampleRates(rateBefore, outRate);
    if (!chooseDevice(Menu->InDeviceItems, index, GetInDevice(), &SetInDevice))
        return;
    AnalyzerPart->ShowInputFormat(QStringLiteral(" Bit"));
    int rate = 0;
    GetSampleRates(rate, outRate);
    if (rate != rateBefore)
        AnalyzerPage->FollowInputRate();
}

void TMainForm::OutDeviceClick(int index) { chooseDevice(Menu->OutDeviceItems, index, GetOutDevice(), &SetOutDevice); }

bool TMainForm::chooseDevice(QAction* const items[], int index, int current, void (*select)(int))
{
    // A device cannot change under a playing generator or wave file.
    if (index < 0 || index >= kDeviceMenuItems || IsPlaying() || UserWavePlaying()) {
        items[current]->setChecked(true);
        return false;
    }
    items[index]->setChecked(true);
    select(index);
    showDeviceNames();
    return true;
}

void TMainForm::showDeviceNames()
{
    StatusLine->SetDeviceNames(DeviceName('I', GetInDevice()), DeviceName('O', GetOutDevice()));
}

void TMainForm::Reset1Click()
{
    StopAll();
    // The reset drops the block the calibration loop waits for.
    endCalibrationMeasurement();
    if (Forms().Wavegen)
        Forms().Wavegen->GstopClick();
    StopPlay();
    restartSoundSystem();
    // A mixer that was not there, or stopped answering, gets another try.
    MixerMenu->RetryMixer();
    if (settings_.ActivePageIndex == kScopePage)
        ScopeMenu->Restart();
}

void TMainForm::endCalibrationMeasurement()
{
    if (TEichDlg* dlg = Forms().EichDlg; dlg && dlg->measuring())
        dlg->Button2Click();
}

void TMainForm::StopAll(MeasuringLoop starter)
{
    // The sweep ends at once: its block in flight may be taken by the loop
    // that stops everything, or lost to a reset.
    if (starter != MeasuringLoop::Sweep)
        GeneratorPage->StopSweepNow();
    if (starter != MeasuringLoop::Analyzer)
        AnalyzerPage->StopRun();
    if (starter != MeasuringLoop::Scope)
        ScopeMenu->Stop();
    if (starter != MeasuringLoop::Calibration)
        endCalibrationMeasurement();
    if (starter != MeasuringLoop::Distortion)
        DistortionMenu->Stop();
    if (starter != MeasuringLoop::DeviceTest)
        DeviceTestMenu->Stop();
    if (starter != MeasuringLoop::ImpulseResponse)
        IrMenu->Stop();
    // A loop that plays needs the output; one that only listens may well
    // be measuring the generator's tone.
    if (LoopPlays(starter) && Forms().Wavegen)
        Forms().Wavegen->GstopClick();
}

void TMainForm::ToolRunStarts(MeasuringLoop tool, MeasuringEngine& engine)
{
    StopAll(tool);
    // The oscilloscope's page set the input to the oscilloscope's rate: the
    // run gets the user's rates, and the oscilloscope runs again after it.
    ScopeMenu->LendInput(engine);
}

bool TMainForm::event(QEvent* event)
{
    if (event->type() == UM_STOP_ALL) {
        // The calibration's "Begin" asks: its own loop goes on.
        StopAll(MeasuringLoop::Calibration);
        return true;
    }
    if (event->type() == UM_CAL_DONE) {
        takeOverCalibration();
        return true;
    }
    if (event->type() == QEvent::WindowActivate)
        MixerMenu->FormActivate();
    return QMainWindow::event(event);
}

// --- pages ------------------------------------------------------------------------

void TMainForm::PageControl1Changing() { leavePage(settings_.ActivePageIndex); }

void TMainForm::PageControl1Change() { enterPage(PageControl1->currentIndex()); }

void TMainForm::leavePage(int index)
{
    if (index >= 0 && index < int(pages_.size()))
        pages_[size_t(index)]->Leave();
}

void TMainForm::enterPage(int index)
{
    if (index < 0 || index >= int(pages_.size()))
        return;
    PagePart& page = *pages_[size_t(index)];
    if (page.EntryLoop() != MeasuringLoop::None)
        StopAll(page.EntryLoop());
    page.Enter();
    helpContext_ = page.HelpContext();
    settings_.ActivePageIndex = index;
    // The oscilloscope draws in a window of its own: the text export and the
    // copy act on that window, the diagram's other commands do not apply.
    enableDiagramCommands(Forms().Diagramm && index != kScopePage);
    if (index == kScopePage)
        for (QAction* a : {Menu->SpeichernalsText1, Menu->EditCopyItem, Menu->FilePrintItem})
            SetUsable(a, Forms().Oszidia != nullptr, words::kWhyNoDiagram, CurrentLanguage());
    // On the oscilloscope's page the picture file is the oscilloscope's.
    if (index == kScopePage && Forms().Oszidia)
        MemoryMenu->SetPictureWriter([this](const QString& name, QSize size) { return ScopeMenu->SavePicture(name, size); });
    else
        MemoryMenu->SetPictureWriter({});
    if (Forms().Diagramm)
        Forms().Diagramm->ClearCursor(true);
    raise();
    activateWindow();
}

// --- language ---------------------------------------------------------------------

void TMainForm::SetLanguage(char letter)
{
    applyLanguageCaptions(letter);
    UseQtTranslations(letter);
    passLanguageOn(letter);
    for (MainWindowPart* part : parts_)
        part->SetLanguage(letter);
    ShowCorrectionStatus();
    fitWindowSize();
}

void TMainForm::applyLanguageCaptions(char letter)
{
    const auto texts = MainTextsFor(letter);
    if (!texts)
        return;
    SetMessageLanguage(letter);
    setWindowTitle(windowCaption());
    PageControl1->setTabText(kAnalyzerPage, texts->tabSheet1);
    PageControl1->setTabText(kGeneratorPage, texts->tabSheet2);
    PageControl1->setTabText(kScopePage, texts->tabSheet3);
    Menu->SetTexts(*texts);
    if (Forms().Help) {
        Forms().Help->SetHelpFile(texts->helpFile);
        Forms().Help->SetLanguage(letter);
    }
}

void TMainForm::passLanguageOn(char letter)
{
    // The windows without a part in the main window, in the order the
    // windows expect: feature list, sweep settings, information box,
    // calibration dialog, analysis dialog, correction editor, correction file
    // messages, diagram window, diagram options, parameter dialog,
    // generator, memory menus. The parts follow (SetLanguage).
    AppWindows& f = Forms();
    if (f.FeatDlg)
        f.FeatDlg->SetFeatLanguage(letter);
    if (f.Wobbeldlg)
        f.Wobbeldlg->Language(letter);
    if (f.AboutBox)
        f.AboutBox->SetAboutLanguage(letter);
    if (f.EichDlg)
        f.EichDlg->SetLanguage(letter);
    if (f.Analy)
        f.Analy->SetLanguage(letter);
    if (f.KorEdit)
        f.KorEdit->SetKorLanguage(letter);
    SetCorLanguage(letter);
    if (f.Diagramm)
        f.Diagramm->SetDiaLanguage(QLatin1Char(letter));
    if (f.Diadlg)
        f.Diadlg->SetLanguage(QLatin1Char(letter));
    if (f.IOdialog)
        f.IOdialog->SetLanguage(letter);
    if (f.SkalDia)
        f.SkalDia->SetLanguage(letter);
    if (f.DCOffset)
        f.DCOffset->SetLanguage(letter);
    if (f.Wavegen)
        f.Wavegen->Language(letter);
    MemoryMenu->SetLanguage(letter);
    MixerMenu->SetLanguage(letter);
    RefreshWhyGrey(this, letter);
}

void TMainForm::deutschEnglish1Click()
{
    settings_.Language = ToggledLanguage(CurrentLanguage());
    SetCurrentLanguage(settings_.Language);
    SetLanguage(settings_.Language);
    update();
}

void TMainForm::fitWindowSize()
{
    // A single border: the window keeps the size its contents need, within
    // the form's limits.
    const QSize wanted = sizeHint().boundedTo(QSize(kMaxWindowWidth, kMaxWindowHeight)).expandedTo(minimumSizeHint());
    setFixedSize(wanted);
}

void TMainForm::StartStopClick()
{
    const int index = PageControl1->currentIndex();
    if (index >= 0 && index < int(pages_.size()))
        pages_[size_t(index)]->StartStop();
}

void TMainForm::ShowCorrectionStatus()
{
    AnalyzerPage->ShowCorrectionStatus(TCorrectionMenu::AnyActive());
}

// --- other menu actions -----------------------------------------------------------

void TMainForm::FileExit() { close(); }

QPrinter& TMainForm::SharedPrinter()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

void TMainForm::FilePrintSetup() { modal::PrintDialog(SharedPrinter()); }

void TMainForm::FilePrint()
{
    if (settings_.ActivePageIndex == kScopePage) {
        ScopeMenu->Print(SharedPrinter());
        return;
    }
    if (TDiagramm* d = Forms().Diagramm)
        korvanta::FilePrint(*d, SharedPrinter());
}

void TMainForm::SpeichernalsText1Click()
{
    TDiagramm* d = Forms().Diagramm;
    if (settings_.ActivePageIndex == kScopePage) {
        ScopeMenu->SaveAsText(d ? d->Options().separator : QStringLiteral(","));
        return;
    }
    if (!d || !TextExportHasPoints(*d, QLatin1Char(CurrentLanguage())))
        return;
    const QString name = AskTextExportFile(QLatin1Char(CurrentLanguage()));
    if (name.isEmpty())
        return;
    if (d->SaveAsText(name, d->Options().separator) != 0)
        modal::MessageBox(modal::Kind::Error, name + Messages().fileNotCreated, modal::Ok);
}

void TMainForm::EditCopy()
{
    if (settings_.ActivePageIndex == kScopePage)
        return ScopeMenu->Copy();
    if (TDiagramm* d = Forms().Diagramm)
        korvanta::EditCopy(*d);
}

void TMainForm::Kommentar1Click()
{
    TDiagramm* d = Forms().Diagramm;
    if (!d || settings_.ActivePageIndex == kScopePage)
        return;
    d->activateWindow();
    d->FocusComment();
}

void TMainForm::Testekorrekturdatei1Click()
{
    TDiagramm* d = Forms().Diagramm;
    if (!d)
        return;
    // A run going on would draw its next spectrum over the correction curves
    // (cut to their 1001 points).
    StopAll();
    float ymin = 0, ymax = 0;
    int32_t xmin = 0, xmax = 0;
    d->GetYRange(ymin, ymax);
    d->GetXRange(xmin, xmax);
    d->ResetRanges();
    d->SetupDiagram(QString(), kCorrectionTestPoints, xmin, xmax, ymin, ymax);
    d->SetY2Range(ymin, ymax);
    d->ShowCurves(true, true);
    const CorrectionTable& in = InputCorrection();
    const CorrectionTable& out = OutputCorrection();
    d->SetInfoLine(CorrectionTestInfoLine(Messages().correctionHeading, in, out));
    for (int i = 1; i <= kCorrectionTestPoints; ++i) {
        const CorrectionTestPoint p = CorrectionTestValue(in, out, i);
        d->AddPoint(float(p.input), float(p.output), i, float(p.frequency));
    }
    d->show();
    d->update();
}

void TMainForm::HelpContents()
{
    if (Forms().Help)
        Forms().Help->HelpContents();
}

void TMainForm::HelpAbout()
{
    if (Forms().AboutBox) {
        Forms().AboutBox->SetSoundSystem(CurrentAudioBackend().name());
        Forms().AboutBox->exec();
    }
}

void TMainForm::Eichen1Click()
{
    TEichDlg* dlg = Forms().EichDlg;
    if (!dlg || Analyzer().InFormats == 0)
        return;
    StopAll();
    dlg->Prepare(Analyzer(), this);
    dlg->show();
    dlg->raise();
    dlg->activateWindow();
}

void TMainForm::takeOverCalibration()
{
    CalibrationValues v;
    if (Forms().EichDlg && Forms().EichDlg->ReadValues(v)) {
        AnalyzerState& a = Analyzer();
        a.CalInMv = a.CalOutMv = float(v.millivolts);
        a.PegFak = float(v.factor);
        a.PegOfs = float(v.offset);
        a.InLev4Cal = settings_.FgInVolume;
        AnalyzerPage->ShowCalibrationStatus(settings_.FgInVolume);
        // A calibration is worth keeping even if the program is killed later.
        SaveToIni(SettingsFilePath());
    }
    if (settings_.ActivePageIndex == kScopePage)
        ScopeMenu->Restart();
}

void TMainForm::ShowFeaturelist1Click()
{
    if (TFeatDlg* dlg = Forms().FeatDlg) {
        dlg->LoadDeviceLog();
        dlg->exec();
    }
}

// --- closing ----------------------------------------------------------------------

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!closed_) {
        closed_ = true;
        FormCloseQuery();
    }
    event->accept();
}

void TMainForm::FormCloseQuery()
{
    // Every section written from here on (the audio layer's, ours, and those
    // the other windows write when they are destroyed) reaches the file in
    // one replacement at the end of DestroyApplicationWindows().
    BeginSettingsTransaction();
    for (PagePart* page : pages_)
        page->Leave();
    SoundDone();
    SaveToIni(SettingsFilePath());
    ClearCorrection(InputCorrection());
    ClearCorrection(OutputCorrection());
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this)
            w->hide();
    emit closed();
    // Queued, so that a close during start-up still ends the event loop once
    // it runs.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TMainForm::SaveToIni(const QString& path)
{
    ProfileStore store(path);
    // A file that exists but cannot be read is never replaced by a partial
    // one: its other sections would be lost.
    if (!store.load() && QFileInfo::exists(path))
        return;
    settings_.InDev = GetInDevice();
    settings_.OutDev = GetOutDevice();
    settings_.InDevName = DeviceId('I', GetInDevice());
    settings_.OutDevName = DeviceId('O', GetOutDevice());
    settings_.Language = CurrentLanguage();
    settings_.InCoName = InputCorrection().fileName;
    settings_.OutCoName = OutputCorrection().fileName;
    settings_.InCoAkt = InputCorrection().active;
    settings_.OutCoAkt = OutputCorrection().active;
    if (const TDiagramm* d = Forms().Diagramm; d && shown_) {
        settings_.DiaWidth = d->width();
        settings_.DiaHeight = d->height();
        settings_.DiaLeft = d->pos().x();
        settings_.DiaTop = d->pos().y();
    }
    if (shown_) {
        settings_.MainLeft = pos().x();
        settings_.MainTop = pos().y();
    }
    ScopeMenu->StorePlacement(Oscilloscope());
    WriteMainSettings(store, records(settings_));
    WriteFileFolders(store);
    store.save();
}

} // namespace korvanta
