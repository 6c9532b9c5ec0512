#include "AppWindows.h"

#include "AboutBox.h"
#include "FeatDlg.h"
#include "HelpBrowser.h"
#include "Main.h"
#include "ModalQuestions.h"
#include "Tdummy.h"
#include "analys.h"
#include "koedi.h"

AppWindows& Forms()
{
    static AppWindows windows;
    return windows;
}

TMainForm* CreateApplicationWindows()
{
    AppWindows& f = Forms();
    f.MainForm = new TMainForm;
    modal::SetDialogParent(f.MainForm);
    // Dialogs belong to the main window so that they stack above it.
    f.FeatDlg = new TFeatDlg(f.MainForm);
    f.AboutBox = new TAboutBox(f.MainForm);
    f.Analy = new TAnaly(f.MainForm);
    f.KorEdit = new TKorEdit(f.MainForm);
    f.Dummy = new Tdummy;
    f.Help = new THelpBrowser(f.MainForm);
    modal::SetHelpHandler([](int context) {
        if (Forms().Help)
            Forms().Help->HelpContext(context);
    });
    return f.MainForm;
}

void DestroyApplicationWindows()
{
    AppWindows& f = Forms();
    modal::SetHelpHandler({});
    modal::SetDialogParent(nullptr);
    delete f.Dummy;
    // The dialogs go with the main window that owns them.
    delete f.MainForm;
    f = AppWindows{};
}
