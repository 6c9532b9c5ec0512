#include "app/ui/ScopeMenu.h"
#include "platform/ui/WhyGrey.h"
#include "app/Audconst.h"

#include "app/Audconst.h"
#include "app/ui/AppWindows.h"
#include "app/WindowPlacement.h"
#include "platform/ui/WindowFrames.h"
#include "app/ui/ProgramRecords.h"
#include "diagram/ui/DiaPrint.h"
#include "app/ui/MainMenu.h"
#include "platform/ModalQuestions.h"
#include "scope/OscilloscopeSettings.h"
#include "scope/ui/Oszidia1.h"
#include "scope/ui/OszidiaPrint.h"
#include "scope/ui/ScopePage.h"
#include "measure/samplemem.h"

#include "scope/ScopeEngine.h"

#include <QAction>
#include <QTimer>
#include <QPushButton>
#include <QMenu>
#include <QWidget>

namespace korvanta {

namespace {
// What must not change under the oscilloscope: the calibration, the
// devices and their formats, the diagram's comment and analysis. Printing
// prints the oscilloscope's picture.
QList<QObject*> lockedItems(TMainMenu* menu)
{
    if (!menu)
        return {};
    const TMainMenu& m = *menu;
    return {m.Eichen1, m.AudioInDevice1, m.AudioOutDevice1, m.AudioInParameter1, m.AudioOutParameter1,
            m.Kommentar1, m.menuAnalyse};
}

bool isEnabled(QObject* o)
{
    if (auto* a = qobject_cast<QAction*>(o))
        return a->isEnabled();
    if (auto* w = qobject_cast<QWidget*>(o))
        return w->isEnabled();
    return false;
}

} // namespace

TScopeMenu::TScopeMenu(TScopePage& page, QWidget& mainWindow) : QObject(&mainWindow), page_(page), main_(mainWindow) { }

void TScopeMenu::AttachMenus(TMainMenu& menu) { menu_ = &menu; }

void TScopeMenu::AttachWindows(const AppWindows& windows) { SetDisplay(windows.Oszidia); }

void TScopeMenu::SetLanguage(char letter)
{
    page_.SetLanguage(letter);
    if (display_)
        display_->SetOsziLanguage(letter);
}

void TScopeMenu::SetDisplay(TOszidia* display)
{
    display_ = display;
    page_.SetDisplay(display);
}

void TScopeMenu::Enter()
{
    lockMenus();
    place();
    const AnalyzerState& a = Analyzer();
    page_.EnterScopePage(a.CalInMv, a.InFormats != 0);
}

void TScopeMenu::Leave()
{
    page_.LeaveScopePage();
    unlockMenus();
}

void TScopeMenu::Stop() { page_.StopOszi(); }

// One button both starts and stops the oscilloscope.
void TScopeMenu::StartStop() { PressStartOrStop(page_.OsziStartStop, nullptr); }

void TScopeMenu::Restart() { page_.RestartOszi(Analyzer().CalInMv); }

void TScopeMenu::LendInput(MeasuringEngine& engine)
{
    if (!page_.Entered())
        return;
    page_.LendInput();
    if (lentTo_ && lentTo_ != &engine)
        disconnect(lentTo_, &MeasuringEngine::stopped, this, &TScopeMenu::inputReturned);
    lentTo_ = &engine;
    connect(&engine, &MeasuringEngine::stopped, this, &TScopeMenu::inputReturned, Qt::UniqueConnection);
    // The run starts right after this; one that was refused gives the
    // input back at once.
    QTimer::singleShot(0, this, [this] {
        if (lentTo_ && !lentTo_->Running())
            inputReturned();
    });
}

void TScopeMenu::inputReturned()
{
    if (!lentTo_)
        return;
    disconnect(lentTo_, &MeasuringEngine::stopped, this, &TScopeMenu::inputReturned);
    lentTo_ = nullptr;
    // The page may have been left, and entered again, meanwhile: it runs
    // then already.
    if (page_.Entered() && !page_.Engine()->Running())
        Restart();
}

void TScopeMenu::lockMenus()
{
    if (locked_)
        return;
    locked_ = true;
    savedEnabled_.clear();
    savedWhy_.clear();
    for (QObject* o : lockedItems(menu_)) {
        savedEnabled_ << isEnabled(o);
        savedWhy_ << WhyOf(o);
        SetUsable(o, false, words::kWhyScopePage, CurrentLanguage());
    }
}

void TScopeMenu::unlockMenus()
{
    if (!locked_)
        return;
    locked_ = false;
    // Each item as it was: an item that was off before the page stays off.
    const QList<QObject*> items = lockedItems(menu_);
    for (int i = 0; i < items.size() && i < savedEnabled_.size(); ++i)
        SetUsable(items[i], savedEnabled_[i], savedWhy_[i].first, savedWhy_[i].second, CurrentLanguage());
}

void TScopeMenu::place()
{
    OscilloscopeSettings& o = Oscilloscope();
    // The display window sits left of the main window, frame beside frame;
    // make room for it.
    const QMargins frame = FrameMarginsOf(display_ ? display_.data() : &main_);
    const int besideWidth = o.windowWidth + frame.left() + frame.right() + kWindowGap;
    if (main_.x() < besideWidth)
        MoveFrameTo(&main_, QPoint(besideWidth, main_.y()));
    if (o.windowLeft == kUnsetPlacement)
        o.windowLeft = main_.x() - besideWidth;
    if (o.windowTop == kUnsetPlacement)
        o.windowTop = main_.y();
    if (o.windowHeight == kUnsetPlacement)
        o.windowHeight = main_.height();
    if (!display_)
        return;
    display_->resize(o.windowWidth, o.windowHeight);
    // A place stored on another or a larger screen is pulled onto this one.
    const QPoint stored(o.windowLeft, o.windowTop);
    MoveFrameTo(display_, PulledOnto(FrameAt(display_, stored), AvailableAt(stored)).topLeft());
}

void TScopeMenu::StorePlacement(OscilloscopeSettings& o) const
{
    if (!display_ || !display_->Placed())
        return;
    o.windowWidth = display_->width();
    o.windowHeight = display_->height();
    o.windowLeft = display_->pos().x();
    o.windowTop = display_->pos().y();
}

void TScopeMenu::SaveAsText(const QString& separator)
{
    if (!display_)
        return;
    const QString name = AskTextExportFile(QLatin1Char(CurrentLanguage()));
    if (name.isEmpty())
        return;
    if (display_->SaveAsText(name, separator) != 0)
        modal::MessageBox(modal::Kind::Error, name + Messages().fileNotCreated, modal::Ok);
}

void TScopeMenu::Copy()
{
    if (!display_)
        return;
    display_->raise();
    display_->CopyToClipboard();
}

PrintResult TScopeMenu::Print(QPrinter& printer)
{
    if (!display_)
        return PrintResult::LayoutFailed;
    return PrintScope(*display_, printer);
}

bool TScopeMenu::SavePicture(const QString& fileName, QSize size)
{
    return display_ && display_->SavePicture(fileName, size);
}

} // namespace korvanta
