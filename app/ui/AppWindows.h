#pragma once
// The program's windows. Each is created once, in a fixed order, when the
// program starts, and lives until it ends; the main window reaches the
// others through this record from its first showing on.

class QObject;

namespace korvanta {

class TAboutBox;
class TAnaly;
class TFeatDlg;
class THelpBrowser;
class TKorEdit;
class TDiagramm;
class TDCOffset;
class TEichDlg;
class TIOdialog;
class TMainForm;
class TOszidia;
class TSkalDia;
class Twobbeldlg;
class Tdiadlg;
class Tdummy;
class Tmixu;
class TGeneratorDocking;
class TWavegen;
class TDistortionWindow;
class TDeviceTestWindow;
class TIrWindow;

struct AppWindows {
    TMainForm* MainForm = nullptr;
    Tmixu* Mixu = nullptr;
    TFeatDlg* FeatDlg = nullptr;
    Twobbeldlg* Wobbeldlg = nullptr;
    TOszidia* Oszidia = nullptr;
    TAboutBox* AboutBox = nullptr;
    TEichDlg* EichDlg = nullptr;
    TAnaly* Analy = nullptr;
    TKorEdit* KorEdit = nullptr;
    TSkalDia* SkalDia = nullptr;
    TIOdialog* IOdialog = nullptr;
    Tdummy* Dummy = nullptr;
    TDCOffset* DCOffset = nullptr;
    Tdiadlg* Diadlg = nullptr;
    TDiagramm* Diagramm = nullptr;
    TWavegen* Wavegen = nullptr;
    TDistortionWindow* Distortion = nullptr;
    TDeviceTestWindow* DeviceTest = nullptr;
    TIrWindow* ImpulseResponse = nullptr;
    TGeneratorDocking* GeneratorDocking = nullptr;
    THelpBrowser* Help = nullptr;
};

AppWindows& Forms();

// Creates every window in the program's order, the main window first, and
// installs the help and dialog-parent routing. Ends the process (exit code 1)
// when the audio layer cannot be started.
TMainForm* CreateApplicationWindows();

// Destroys the windows (each writes its own settings section as it goes)
// and writes the settings file. Settings that could not be written are
// offered to the user to keep elsewhere; returns false when some of them
// were not kept anywhere.
bool DestroyApplicationWindows();

} // namespace korvanta
