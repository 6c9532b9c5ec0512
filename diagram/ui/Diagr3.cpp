#include "diagram/ui/Diagr3.h"
#include "platform/LanguageTexts.h"

#include "diagram/ui/Diadlg3.h"

#include <QGroupBox>
#include "diagram/DiaFonts.h"
#include "diagram/DiaNavigation.h"
#include "diagram/DiaSettings.h"
#include "platform/ProfileStore.h"
#include "diagram/ui/SpinButton.h"
#include <QToolButton>
#include "diagram/TextExport.h"
#include "platform/UserMessages.h"
#include "platform/ui/HelpKey.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace korvanta {

namespace {
// What the controls without a caption do.
constexpr korvanta::Words kYmaxTip{"oberes Ende der Y-Achse", "top of the y axis"};
constexpr korvanta::Words kYminTip{"unteres Ende der Y-Achse", "bottom of the y axis"};
// Each arrow says which way it moves its end of the axis.
constexpr korvanta::Words kYmaxUpTip{"oberes Ende der Y-Achse anheben", "raise the top of the y axis"};
constexpr korvanta::Words kYmaxDownTip{"oberes Ende der Y-Achse senken", "lower the top of the y axis"};
constexpr korvanta::Words kYminUpTip{"unteres Ende der Y-Achse anheben", "raise the bottom of the y axis"};
constexpr korvanta::Words kYminDownTip{"unteres Ende der Y-Achse senken", "lower the bottom of the y axis"};
constexpr korvanta::Words kLowTip{"untere Frequenzgrenze verschieben", "move the lower frequency limit"};
constexpr korvanta::Words kHighTip{"obere Frequenzgrenze verschieben", "move the upper frequency limit"};
constexpr korvanta::Words kCommentTip{"Kommentar zum Diagramm", "comment of the diagram"};
constexpr korvanta::Words kInfoTip{"Cursor-Messwerte", "cursor read-out"};

bool g_failNextAllocation = false;

// The program cannot go on without its plot. Ends at once: destroying the
// application's objects from an exit handler while windows still exist
// would only risk a crash on the way out.
[[noreturn]] void Terminate(const char* message)
{
    std::fprintf(stderr, "Korvanta: %s\n", message);
    std::fflush(nullptr);
    std::_Exit(1);
}

std::unique_ptr<DiaPointStore> AllocatePoints()
{
    try {
        if (g_failNextAllocation) {
            g_failNextAllocation = false;
            throw std::bad_alloc();
        }
        return std::make_unique<DiaPointStore>();
    } catch (const std::bad_alloc&) {
        Terminate("the diagram's point store could not be allocated");
    }
}

// Scroll bars keep their thumb in the middle, so that both arrows always
// report a step whatever was clicked before.
constexpr int ScrollMiddle = 50;

int ScrollCodeOf(int sliderAction)
{
    switch (sliderAction) {
    case QAbstractSlider::SliderSingleStepSub: return SB_LINEUP;
    case QAbstractSlider::SliderSingleStepAdd: return SB_LINEDOWN;
    case QAbstractSlider::SliderPageStepSub: return SB_PAGEUP;
    case QAbstractSlider::SliderPageStepAdd: return SB_PAGEDOWN;
    case QAbstractSlider::SliderToMinimum: return SB_TOP;
    case QAbstractSlider::SliderToMaximum: return SB_BOTTOM;
    case QAbstractSlider::SliderMove: return SB_THUMBTRACK;
    default: return SB_ENDSCROLL;
    }
}

} // namespace

namespace testing_hooks {
void FailNextDiagramAllocation() { g_failNextAllocation = true; }
} // namespace testing_hooks

TDiagramm::TDiagramm(Tdiadlg* optionsDialog, QWidget* parent, DiagramHome home)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint | Qt::CustomizeWindowHint),
      dialog_(optionsDialog), home_(std::move(home)), memories_(MemoryFilePath(SettingsFilePath(), home_.memoryTag))
{
    AddHelpKey(this, kHelpContext);
    setWindowTitle(QStringLiteral("Korvanta V 1.4 "));
    setFont(DiaFont(ScreenFontSize));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(170, 120);
    resize(580, 370);
    if (!dialog_) {
        dialog_ = new Tdiadlg(this);
        ownsDialog_ = true;
    }
    dialog_->SetTarget(this);
    LoadDiaSettings(SettingsFilePath(), opt_, home_.section);
    memories_.load();
    CreateControls();
    ConnectControls();
    points_ = AllocatePoints();
    cursor_.clear(true);
    float ymin = ranges_.ymin, ymax = ranges_.ymax;
    SetupDiagram(QString(), 50, ranges_.xmin, ranges_.xmax, ymin, ymax);
}

TDiagramm::~TDiagramm() { SaveDiaSettings(SettingsFilePath(), opt_, home_.section); }

void TDiagramm::CreateControls()
{
    SpinButtonYmax = new TSpinButton(this);
    SpinButtonYmin = new TSpinButton(this);
    for (QScrollBar** bar : {&ScrollBarLF, &ScrollBarHF}) {
        *bar = new QScrollBar(Qt::Horizontal, this);
        (*bar)->setRange(0, 2 * ScrollMiddle);
        (*bar)->setValue(ScrollMiddle);
        (*bar)->setFocusPolicy(Qt::NoFocus);
    }
    Edicomment = new QLineEdit(this);
    Edicomment->setFrame(false);
    Edicomment->setMaxLength(CommentMax);
    QFont commentFont(QStringLiteral("Arial"));
    commentFont.setStyleHint(QFont::SansSerif);
    commentFont.setPixelSize(12);
    Edit2 = new QLineEdit(this);
    Edit2->setFrame(false);
    Edit2->setFont(commentFont);
    commentFont.setBold(true);
    Edicomment->setFont(commentFont);
    Edicomment->resize(Edicomment->width(), Edicomment->sizeHint().height());
    ApplyMarginColour(Edicomment);
    ApplyMarginColour(Edit2);
    ShowControlHints('D');
}

void TDiagramm::ShowControlHints(char letter)
{
    // The info line is empty until a cursor is set: it says where the
    // options are, which nothing else on screen does.
    Edit2->setPlaceholderText(Pick(letter, words::kDiagramHint));
    SpinButtonYmax->setToolTip(Pick(letter, kYmaxTip));
    SpinButtonYmin->setToolTip(Pick(letter, kYminTip));
    SpinButtonYmax->upButton()->setToolTip(Pick(letter, kYmaxUpTip));
    SpinButtonYmax->downButton()->setToolTip(Pick(letter, kYmaxDownTip));
    SpinButtonYmin->upButton()->setToolTip(Pick(letter, kYminUpTip));
    SpinButtonYmin->downButton()->setToolTip(Pick(letter, kYminDownTip));
    ScrollBarLF->setToolTip(Pick(letter, kLowTip));
    ScrollBarHF->setToolTip(Pick(letter, kHighTip));
    Edicomment->setToolTip(Pick(letter, kCommentTip));
    Edit2->setToolTip(Pick(letter, kInfoTip));
}

void TDiagramm::ConnectControls()
{
    connect(SpinButtonYmax, &TSpinButton::upClick, this, &TDiagramm::SpinButtonYmaxUpClick);
    connect(SpinButtonYmax, &TSpinButton::downClick, this, &TDiagramm::SpinButtonYmaxDownClick);
    connect(SpinButtonYmin, &TSpinButton::upClick, this, &TDiagramm::SpinButtonYminUpClick);
    connect(SpinButtonYmin, &TSpinButton::downClick, this, &TDiagramm::SpinButtonYminDownClick);
    for (QScrollBar* bar : {ScrollBarLF, ScrollBarHF}) {
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int action) {
            const int code = ScrollCodeOf(action);
            if (bar == ScrollBarHF)
                ScrollBarHFScroll(code);
            else
                ScrollBarLFScroll(code);
        });
        connect(bar, &QAbstractSlider::valueChanged, bar, [bar] {
            const QSignalBlocker block(bar);
            bar->setValue(ScrollMiddle);
        });
    }
}

void TDiagramm::ApplyMarginColour(QLineEdit* edit)
{
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, ColorFromRef(opt_.colMargin));
    pal.setColor(QPalette::Window, ColorFromRef(opt_.colMargin));
    edit->setPalette(pal);
}

// ---------------------------------------------------------------------------
// Operations of the measuring pages

bool TDiagramm::SetupDiagram(const QString& comment, int lastIndex, int32_t xmin, int32_t xmax, float& ymin,
                             float& ymax)
{
    Edicomment->setText(comment);
    if (ranges_.yUnset()) {
        ranges_.ymax = ymax;
        ranges_.ymin = ymin;
        if (showLeftScale_ && !showRightScale_) {
            ranges_.y2max = ymax;
            ranges_.y2min = ymin;
        }
    }
    ymax = ranges_.ymax;
    ymin = ranges_.ymin;
    if (ranges_.xmin != xmin || ranges_.xmax != xmax)
        ClearCurves();
    if (ranges_.xUnset()) {
        ranges_.xmin = xmin;
        ranges_.xmax = xmax;
    }
    if (lastIndex >= DiaPointStore::MaxPoints)
        Terminate("more than 16383 diagram points requested");
    points_->setCount(lastIndex >= 0 ? lastIndex + 1 : 0);
    const bool laidOut = Relayout(true);
    return !laidOut || lastIndex < 0;
}

void TDiagramm::ClearCurves()
{
    points_->clearCurves();
    update();
}

void TDiagramm::ResetPeaks() { points_->resetPeaks(); }

void TDiagramm::ResetRanges()
{
    ranges_.ymin = ranges_.ymax = ranges_.y2min = ranges_.y2max = DiaRanges::UnsetY;
    ranges_.xmin = ranges_.xmax = DiaRanges::UnsetX;
    ClearCurves();
}

int TDiagramm::AddPoint(const float* values, int mode, int index, double freq)
{
    return points_->addPoint(values, mode, index, freq, opt_);
}

int TDiagramm::AddPoint(float left, float right, int index, double freq)
{
    const float values[2] = {left, right};
    return AddPoint(values, 2, index, freq);
}

void TDiagramm::ShowCurves(bool show1, bool show2)
{
    if (show1 == opt_.show1 && show2 == opt_.show2)
        return;
    opt_.show1 = show1;
    opt_.show2 = show2;
    Relayout(false);
}

void TDiagramm::ShowScales(bool left, bool right)
{
    if (left == showLeftScale_ && right == showRightScale_)
        return;
    showLeftScale_ = left;
    showRightScale_ = right;
    Relayout(true);
}

bool TDiagramm::SetXRange(int32_t xmin, int32_t xmax)
{
    ranges_.xmin = xmin;
    ranges_.xmax = xmax;
    return Relayout(false);
}

void TDiagramm::GetXRange(int32_t& xmin, int32_t& xmax) const
{
    xmin = ranges_.xmin;
    xmax = ranges_.xmax;
}

bool TDiagramm::SetYRange(float ymin, float ymax)
{
    ranges_.ymin = ymin;
    ranges_.ymax = ymax;
    return Relayout(false);
}

void TDiagramm::GetYRange(float& ymin, float& ymax) const
{
    ymin = ranges_.ymin;
    ymax = ranges_.ymax;
}

bool TDiagramm::SetY2Range(float y2min, float y2max)
{
    ranges_.y2min = y2min;
    ranges_.y2max = y2max;
    return Relayout(false);
}

void TDiagramm::GetY2Range(float& y2min, float& y2max) const
{
    y2min = ranges_.y2min;
    y2max = ranges_.y2max;
}

void TDiagramm::SetYCaption(const QString& text) { yCaption_ = text.left(CaptionMax); }
void TDiagramm::SetY2Caption(const QString& text) { y2Caption_ = text.left(CaptionMax); }
void TDiagramm::SetXCaption(const QString& text) { xCaption_ = text.left(CaptionMax); }
QString TDiagramm::GetComment() const { return Edicomment->text().left(CommentMax); }
void TDiagramm::SetInfoLine(const QString& text)
{
    Edit2->setText(text);
    // A read-out longer than the line shows its start: the field would
    // otherwise scroll to the cursor at its end and cut the names off.
    Edit2->setCursorPosition(0);
}
QString TDiagramm::GetInfoLine() const { return Edit2->text(); }
int TDiagramm::GetLastIndex() const { return points_->count() - 1; }
void TDiagramm::SetDiaLanguage(QChar language)
{
    words_ = ReadoutWordsFor(language);
    if (language == QLatin1Char('D') || language == QLatin1Char('E')) {
        language_ = language.toLatin1();
        ShowControlHints(language_);
        // A dialog of its own follows the diagram; a shared one is told by
        // the main window.
        if (ownsDialog_)
            dialog_->SetLanguage(language);
    }
    update();
}

void TDiagramm::SetXLog(bool on)
{
    opt_.xLog = on;
    Relayout(false);
}

void TDiagramm::SetScaling(const XScaling& s)
{
    scaling_ = s;
    update();
}

DiaScene TDiagramm::Scene(bool printing) const
{
    DiaScene sc;
    sc.layout = &layout_;
    sc.options = &opt_;
    sc.points = points_.get();
    sc.showLeftScale = showLeftScale_;
    sc.showRightScale = showRightScale_ || MemoriesUseRightAxis(memories_.bank());
    sc.yCaption = yCaption_;
    sc.y2Caption = showRightScale_ ? y2Caption_ : QString();
    sc.xCaption = xCaption_;
    sc.memories = &memories_.bank();
    sc.xLabelFactor = xLabelFactor_;
    sc.xGrid = xGrid_;
    sc.language = language_;
    if (printing) {
        sc.comment = GetComment();
        sc.infoLine = GetInfoLine();
    } else {
        sc.cursor = &cursor_.state();
    }
    return sc;
}

void TDiagramm::RenderDiagram(QImage& bitmap, bool printing)
{
    const DiaScene sc = Scene(printing);
    const DiaRenderResult r = renderer_.render(bitmap, sc, printing);
    // The comment line runs from the plot's left edge to the product name;
    // only the window's own picture decides where it is.
    if (r.drawn && &bitmap == &bitmap_) {
        ApplyMarginColour(Edicomment);
        Edicomment->setGeometry(layout_.plotLeft, Edicomment->y(), std::max(0, CommentWidth(layout_, r.productNameWidth)),
                                Edicomment->height());
    }
}

void TDiagramm::RenderDiagramTo(QPaintDevice& device, bool printing)
{
    renderer_.render(device, Scene(printing), printing);
}

bool TDiagramm::RestoreScreenLayout() { return Relayout(true); }

MemoryCurve TDiagramm::ShownCurves() const
{
    return CaptureShownCurves(*points_, opt_, ranges_, GetComment(), yCaption_, QDateTime::currentDateTime(),
                              showRightScale_);
}

DiagramContent TDiagramm::PictureContent() const
{
    DiagramContent c;
    c.points = points_.get();
    c.options = opt_;
    c.ranges = ranges_;
    c.showLeftScale = showLeftScale_;
    c.showRightScale = showRightScale_;
    c.yCaption = yCaption_;
    c.y2Caption = y2Caption_;
    c.xCaption = xCaption_;
    c.memories = &memories_.bank();
    c.xLabelFactor = xLabelFactor_;
    c.xGrid = xGrid_;
    c.comment = GetComment();
    c.language = language_;
    c.infoLine = GetInfoLine();
    return c;
}

bool TDiagramm::CalcLayout(QImage& bitmap, int width, int height, int fontSize, bool placeControls)
{
    const QSize size(std::max(width, 1), std::max(height, 1));
    if (bitmap.size() != size)
        bitmap = QImage(size, QImage::Format_RGB32);
    const bool ok = LayoutDiagram(PictureContent(), width, height, fontSize, layout_);
    if (placeControls)
        PlaceControlsFor(layout_);
    opt_.xmin = ranges_.xmin;
    opt_.xmax = ranges_.xmax;
    opt_.ymin = ranges_.ymin;
    opt_.ymax = ranges_.ymax;
    return ok;
}

void TDiagramm::PlaceControlsFor(const DiaLayout& lay)
{
    const DiaControlPlacement p = PlaceControls(lay, Edicomment->height());
    SpinButtonYmax->setGeometry(p.spinYmax);
    SpinButtonYmin->setGeometry(p.spinYmin);
    ScrollBarLF->setGeometry(p.scrollLF);
    ScrollBarHF->setGeometry(p.scrollHF);
    Edicomment->move(p.comment);
    Edit2->setGeometry(p.info);
}

int TDiagramm::SaveAsText(const QString& fileName, const QString& separator) const
{
    return WriteTextExport(fileName, *points_, opt_, ranges_.xmin, ranges_.xmax, separator, xLabelFactor_);
}

bool TDiagramm::Relayout(bool placeControls)
{
    return CalcLayout(bitmap_, width(), height(), ScreenFontSize, placeControls);
}

// ---------------------------------------------------------------------------
// Interaction

void TDiagramm::ClearCursor(bool disarm)
{
    cursor_.clear(disarm);
    update();
}

void TDiagramm::ShowOptions()
{
    ClearCursor(true);
    dialog_->Fill(opt_);
    // Its frequency fields know hertz only; an axis of another quantity is
    // moved with the scroll bars.
    dialog_->FreqGroup->setEnabled(xLabelFactor_ == 1.0);
    dialog_->show();
    dialog_->raise();
}

void TDiagramm::FocusComment() { Edicomment->setFocus(Qt::OtherFocusReason); }

void TDiagramm::RangeChanged()
{
    opt_.xmin = ranges_.xmin;
    opt_.xmax = ranges_.xmax;
    opt_.ymin = ranges_.ymin;
    opt_.ymax = ranges_.ymax;
    dialog_->Fill(opt_);
    if (Relayout(false))
        update();
}

void TDiagramm::AfterYmaxChange()
{
    if (showLeftScale_ && !showRightScale_)
        ranges_.y2max = ranges_.ymax;
    RangeChanged();
}

void TDiagramm::AfterYminChange()
{
    if (showLeftScale_ && !showRightScale_)
        ranges_.y2min = ranges_.ymin;
    RangeChanged();
}

static YSpin SpinOf(const DiagramOptions& opt) { return YSpin{opt.yStepAuto, opt.yStep}; }

void TDiagramm::SpinButtonYmaxUpClick()
{
    ranges_.ymax = SpinOf(opt_).ymaxUp(ranges_.ymin, ranges_.ymax);
    AfterYmaxChange();
}

void TDiagramm::SpinButtonYmaxDownClick()
{
    ranges_.ymax = SpinOf(opt_).ymaxDown(ranges_.ymin, ranges_.ymax);
    AfterYmaxChange();
}

void TDiagramm::SpinButtonYminUpClick()
{
    ranges_.ymin = SpinOf(opt_).yminUp(ranges_.ymin, ranges_.ymax);
    AfterYminChange();
}

void TDiagramm::SpinButtonYminDownClick()
{
    ranges_.ymin = SpinOf(opt_).yminDown(ranges_.ymin, ranges_.ymax);
    AfterYminChange();
}

void TDiagramm::ScrollBarHFScroll(int scrollCode)
{
    ranges_.xmax = xLabelFactor_ != 1.0 ? ScrollHighValue(scrollCode, ranges_.xmin, ranges_.xmax, opt_.xLog)
                                        : ScrollHighFreq(scrollCode, ranges_.xmin, ranges_.xmax, opt_.xLog);
    RangeChanged();
}

void TDiagramm::ScrollBarLFScroll(int scrollCode)
{
    ranges_.xmin = xLabelFactor_ != 1.0 ? ScrollLowValue(scrollCode, ranges_.xmin, ranges_.xmax, opt_.xLog)
                                        : ScrollLowFreq(scrollCode, ranges_.xmin, ranges_.xmax, opt_.xLog);
    RangeChanged();
}

void TDiagramm::ApplyCursorEffect(const DiaCursor::Effect& fx)
{
    if (fx.activateMain)
        emit activateMainWindow();
    if (fx.showOptions)
        ShowOptions();
    if (fx.repaint)
        update();
}

void TDiagramm::FormMouseDown(Qt::MouseButton button, int x, int y)
{
    ApplyCursorEffect(cursor_.mouseDown(x, y, button == Qt::LeftButton, layout_, scaling_));
}

void TDiagramm::FormMouseMove(int x, int y)
{
    ApplyCursorEffect(cursor_.mouseMove(x, y, layout_, opt_, scaling_, words_));
}

void TDiagramm::FormMouseUp(Qt::MouseButton button)
{
    ApplyCursorEffect(cursor_.mouseUp(button == Qt::LeftButton, button == Qt::RightButton));
}

void TDiagramm::ApplyDialogOptions()
{
    opt_ = dialog_->Options();
    emit channelColoursChanged(ColorFromRef(opt_.colLine1), ColorFromRef(opt_.colLine2));
    ApplyMarginColour(Edit2);
    ranges_.xmin = opt_.xmin;
    ranges_.xmax = opt_.xmax;
    ranges_.ymin = opt_.ymin;
    ranges_.ymax = opt_.ymax;
    if (!showRightScale_) {
        ranges_.y2min = ranges_.ymin;
        ranges_.y2max = ranges_.ymax;
    }
    if (opt_.resetPeaks) {
        ResetPeaks();
        opt_.resetPeaks = false;
        // The request is done once: later changes in the dialog must not wipe
        // the peaks collected since.
        dialog_->ConsumeResetPeaks();
    }
    Relayout(false);
    update();
}

// ---------------------------------------------------------------------------
// Qt events

bool TDiagramm::event(QEvent* event)
{
    if (event->type() == UM_DIA_OPTIONS) {
        ApplyDialogOptions();
        return true;
    }
    return QWidget::event(event);
}

void TDiagramm::paintEvent(QPaintEvent*)
{
    RenderDiagram(bitmap_, false);
    QPainter p(this);
    p.drawImage(QRect(0, 0, width(), height()), bitmap_);
}

void TDiagramm::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    FormMouseDown(event->button(), pos.x(), pos.y());
}

void TDiagramm::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    FormMouseMove(pos.x(), pos.y());
}

void TDiagramm::mouseReleaseEvent(QMouseEvent* event) { FormMouseUp(event->button()); }

void TDiagramm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (points_ && Relayout(true))
        update();
}

// The window has no close button; when the system closes it anyway it is
// only hidden, and the measuring pages show it again.
void TDiagramm::closeEvent(QCloseEvent* event) { event->accept(); }

} // namespace korvanta
