#include "app/ui/AppWindows.h"

#include "app/ui/AboutBox.h"
#include "app/ui/ProgramRecords.h"
#include "diagram/ui/Diadlg3.h"
#include "diagram/ui/Diagr3.h"
#include "measure/ui/Eichdia.h"
#include "app/ui/FeatDlg.h"
#include "app/ui/GeneratorDocking.h"
#include "generator/ui/GeneratorPage.h"
#include "generator/GeneratorSection.h"
#include "app/ui/HelpBrowser.h"
#include "platform/mixer/MixerDevice.h"
#include "app/ui/Main.h"
#include "scope/ui/Oszidia1.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/WindowFrames.h"
#include "platform/ModalQuestions.h"
#include "app/ui/ParameterMenu.h"
#include "diagram/ui/SkalDlg.h"
#include "generator/ui/Wavegene.h"
#include "distortion/ui/DistortionWindow.h"
#include "devicetest/ui/DeviceTestWindow.h"
#include "ir/ui/IrWindow.h"
#include "audio/Tdummy.h"
#include "generator/ui/Wobbelu.h"
#include "analysis/ui/analys.h"
#include "audio/ui/iodia.h"
#include "correction/ui/koedi.h"
#include "mixer/ui/mixu.h"
#include "audio/ui/udcoffset.h"
#include "app/ProgramIcon.h"
#include "platform/ProfileStore.h"
#include "app/ui/SettingsRescue.h"
#include "app/Audconst.h"

#include <QApplication>

namespace korvanta {

AppWindows& Forms()
{
    static AppWindows windows;
    return windows;
}

TMainForm* CreateApplicationWindows()
{
    // No display name: on X11 the toolkit would append it to every title,
    // and the main window's caption is the program's own.
    QApplication::setApplicationName(QStringLiteral("Korvanta"));
    QApplication::setWindowIcon(ProgramIcon());
    AppWindows& f = Forms();
    KeepFramePlaces();
    // The mixer may wait for a sound server: let that run alongside the
    // device list, which may wait for it too.
    StartOpeningMixer();
    f.MainForm = new TMainForm;
    modal::UseDialogs();
    modal::SetDialogParent(f.MainForm);
    // Invisible; it owns the mixer model from here to the end.
    f.Mixu = new Tmixu;
    // Dialogs belong to the main window so that they stack above it.
    f.FeatDlg = new TFeatDlg(f.MainForm);
    f.Wobbeldlg = new Twobbeldlg(f.MainForm);
    // The oscilloscope's display is a window of its own beside the main window.
    f.Oszidia = new TOszidia;
    f.AboutBox = new TAboutBox(f.MainForm);
    f.EichDlg = new TEichDlg(f.MainForm);
    f.Analy = new TAnaly(f.MainForm);
    f.KorEdit = new TKorEdit(f.MainForm);
    f.SkalDia = new TSkalDia(f.MainForm);
    f.IOdialog = new TIOdialog(f.MainForm);
    f.Dummy = new Tdummy;
    f.DCOffset = new TDCOffset(f.MainForm);
    f.Diadlg = new Tdiadlg(f.MainForm);
    // The diagram is a window of its own that the main window stays above.
    f.Diagramm = new TDiagramm(f.Diadlg);
    // The distortion window: a window of its own beside the main window,
    // which a click brings to the front again, shown from "&Werkzeuge".
    f.Distortion = new TDistortionWindow(f.MainForm);
    // The device test window likewise.
    f.DeviceTest = new TDeviceTestWindow(f.MainForm);
    // The impulse response window likewise.
    f.ImpulseResponse = new TIrWindow(f.MainForm);
    // The generator window is a tool window of its own, last in the order;
    // it belongs to the main window so that it stays above it.
    f.Wavegen = new TWavegen(Generator(), f.MainForm);
    f.MainForm->GeneratorPage->SetGeneratorWindow(f.Wavegen);
    f.GeneratorDocking = new TGeneratorDocking(f.MainForm, f.MainForm->GeneratorPage, f.Wavegen);
    // "Opt." opens the output parameter dialog as the menu item does.
    QObject::connect(f.Wavegen, &TWavegen::optionsRequested, f.MainForm->ParameterMenu,
                     &TParameterMenu::AudioOutParameter1Click);
    f.Help = new THelpBrowser(f.MainForm);
    QObject::connect(f.DCOffset, &TDCOffset::helpRequested, f.Help, &THelpBrowser::HelpKeyword);
    modal::SetHelpHandler([](int context) {
        if (Forms().Help)
            Forms().Help->HelpContext(context);
    });
    return f.MainForm;
}

namespace {
void destroyWindows()
{
    AppWindows& f = Forms();
    modal::SetHelpHandler({});
    modal::SetDialogParent(nullptr);
    // First, so no mixer event reaches a main window that is gone; the
    // user's mixer gets back what the program changed.
    delete f.Mixu;
    delete f.Dummy;
    delete f.Oszidia;
    delete f.Diagramm;
    if (f.MainForm)
        f.MainForm->GeneratorPage->SetGeneratorWindow(nullptr);
    delete f.GeneratorDocking;
    delete f.Wavegen;
    delete f.Distortion;
    delete f.DeviceTest;
    delete f.ImpulseResponse;
    // The dialogs go with the main window that owns them.
    delete f.MainForm;
    f = AppWindows{};
}
} // namespace

bool DestroyApplicationWindows()
{
    destroyWindows();
    // Last, so that the settings sections the windows write at their
    // destruction join the close's one replacement of the settings file,
    // whatever order they are destroyed in.
    return KeepUnsavedSettings(CommitSettings(), CurrentLanguage());
}

} // namespace korvanta
