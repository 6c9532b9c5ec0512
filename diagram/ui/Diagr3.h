#pragma once
// TDiagramm: the program's one plot window. The measuring pages put points
// into it (frequency plus up to two levels; a third curve holds peaks or the
// difference of the two), it draws them on a linear or logarithmic
// frequency axis with one or two level axes, and the user measures in it
// with the mouse, moves its ranges with the small controls on its border and
// opens the options dialog with the right mouse button.
//
// Everything runs on the GUI thread. Rendering always goes to an off-screen
// bitmap first; the same renderer makes the printout and the clipboard
// picture (DiaPrint.h).

#include "diagram/CursorTexts.h"
#include "diagram/DiaCursor.h"
#include "diagram/DiaLayout.h"
#include "diagram/DiaPicture.h"
#include "diagram/DiaPointStore.h"
#include "diagram/DiaRender.h"
#include "diagram/DiaSettings.h"
#include "diagram/DiagramOptions.h"
#include "diagram/MemoryFile.h"

#include <QColor>
#include <QImage>
#include <QWidget>
#include <memory>

class QLineEdit;
class QScrollBar;

namespace korvanta {

class TSpinButton;
class Tdiadlg;

// Where a diagram keeps what outlives it: the settings section of its options
// and the tag of its memory file (empty: the main diagram's file).
struct DiagramHome {
    QString section = DiaSettingsSection;
    QString memoryTag;
};

class TDiagramm : public QWidget {
    Q_OBJECT
public:
    // The help topic of the diagram and its options.
    static constexpr int kHelpContext = 16;
    static constexpr int ScreenFontSize = 8;
    static constexpr int CaptionMax = 39;
    static constexpr int CommentMax = 255;

    // `optionsDialog` is the options dialog the window opens on a right click
    // and whose record it applies on UM_DIA_OPTIONS; without one the window
    // makes its own. Reads its options from the settings section of `home`
    // (DIAGPRIV for the main diagram) and its memory curves from its memory
    // file. Ends the program (exit code 1) when the point store cannot be
    // allocated.
    explicit TDiagramm(Tdiadlg* optionsDialog = nullptr, QWidget* parent = nullptr, DiagramHome home = {});
    // Writes its options section.
    ~TDiagramm() override;

    // ---- Operations of the measuring pages ----

    // Sets the comment and the point count (lastIndex + 1). An unset level
    // range is taken from the caller (and, with only the left scale shown,
    // given to the right axis too); the diagram's level range is handed back
    // in ymin/ymax. A set frequency range is kept and only compared: when it
    // differs from xmin/xmax the curves are cleared. Returns true on failure
    // (the scales could not be computed, or lastIndex < 0). More than 16,383
    // points end the program with exit code 1.
    bool SetupDiagram(const QString& comment, int lastIndex, int32_t xmin, int32_t xmax, float& ymin, float& ymax);
    void ClearCurves();
    void ResetPeaks();
    void ResetRanges();   // every range back to unset, curves cleared
    // Mode 1: values[0]; mode 2: values[0] left, values[1] right. 0 = stored,
    // 1 = refused. The window is not repainted.
    int AddPoint(const float* values, int mode, int index, double freq);
    int AddPoint(float left, float right, int index, double freq);
    void ShowCurves(bool show1, bool show2);
    void ShowScales(bool left, bool right);
    bool SetXRange(int32_t xmin, int32_t xmax);   // layout result
    void GetXRange(int32_t& xmin, int32_t& xmax) const;
    bool SetYRange(float ymin, float ymax);       // the right axis stays
    void GetYRange(float& ymin, float& ymax) const;
    bool SetY2Range(float y2min, float y2max);
    void GetY2Range(float& y2min, float& y2max) const;
    void SetYCaption(const QString& text);        // first 39 characters
    void SetY2Caption(const QString& text);
    void SetXCaption(const QString& text);
    // The x axis labels show x * factor: a diagram that holds another
    // quantity than hertz in its integer range (microwatts, say) labels it
    // in its own unit. 1 for frequencies.
    void SetXLabelFactor(double factor) { xLabelFactor_ = factor; }
    // A linear x axis's grid and labels of the owner's own; null: the diagram's.
    void SetXGrid(LinearGridMaker grid) { xGrid_ = grid; }
    // A logarithmic or linear x axis, as the options dialog sets it: a
    // window whose views change from frequency to time switches it with
    // them. The diagram is laid out again, not repainted.
    void SetXLog(bool on);
    QString GetComment() const;
    void SetInfoLine(const QString& text);
    QString GetInfoLine() const;
    int GetLastIndex() const;
    void SetDiaLanguage(QChar language);          // 'D' or 'E'

    // Draws the picture into `bitmap` (which has the size of the last
    // CalcLayout): the measuring cursor on the screen, the comment and info
    // lines when printing.
    void RenderDiagram(QImage& bitmap, bool printing);
    // The same picture into any paint device of the last layout's size (a
    // vector picture, say); the window's controls are not touched.
    void RenderDiagramTo(QPaintDevice& device, bool printing);
    // Lays the window out again after a picture at another size was made.
    bool RestoreScreenLayout();
    // Sizes `bitmap` to width x height and lays the diagram out for it with
    // font size `fontSize`; with placeControls the window's controls move to
    // their places. True when the scales could be computed.
    bool CalcLayout(QImage& bitmap, int width, int height, int fontSize, bool placeControls);
    // What a printed picture shows: the curves, scales, captions, memories,
    // comment and info line, without the window.
    DiagramContent PictureContent() const;
    // Writes the visible points as text (TextExport.h). 0 = success.
    int SaveAsText(const QString& fileName, const QString& separator) const;

    // ---- Memory curves (drawn behind the live curves; the caller repaints) ----
    MemoryStore& Memories() { return memories_; }
    const MemoryStore& Memories() const { return memories_; }
    // The curves now shown, named after the comment, with the level axis
    // caption as their unit; empty when nothing is shown.
    MemoryCurve ShownCurves() const;
    QString YCaption() const { return yCaption_; }

    // ---- Interaction ----
    void ClearCursor(bool disarm);
    void ShowOptions();      // cursor cleared, dialog filled and shown
    void FocusComment();     // keyboard focus into the comment line

    // ---- State for the main window, printing and tests ----
    const DiagramOptions& Options() const { return opt_; }
    const XScaling& Scaling() const { return scaling_; }
    void SetScaling(const XScaling& s);
    bool LeftScaleShown() const { return showLeftScale_; }
    bool RightScaleShown() const { return showRightScale_; }
    const DiaLayout& Layout() const { return layout_; }
    const DiaCursor::State& CursorState() const { return cursor_.state(); }
    const DiaPointStore& Points() const { return *points_; }
    QImage& Bitmap() { return bitmap_; }
    Tdiadlg* OptionsDialog() const { return dialog_; }
    const ReadoutWords& Words() const { return words_; }

    // Controls on the window's border.
    TSpinButton* SpinButtonYmax;
    TSpinButton* SpinButtonYmin;
    QScrollBar* ScrollBarLF;
    QScrollBar* ScrollBarHF;
    QLineEdit* Edicomment;   // comment line above the plot (editable)
    QLineEdit* Edit2;        // info line below the plot

    // ---- Handlers ----
    void SpinButtonYmaxUpClick();
    void SpinButtonYmaxDownClick();
    void SpinButtonYminUpClick();
    void SpinButtonYminDownClick();
    void ScrollBarHFScroll(int scrollCode);
    void ScrollBarLFScroll(int scrollCode);
    void FormMouseDown(Qt::MouseButton button, int x, int y);
    void FormMouseMove(int x, int y);
    void FormMouseUp(Qt::MouseButton button);

signals:
    // The curve colours changed (options applied): the main window gives its
    // channel check boxes these font colours.
    void channelColoursChanged(QColor left, QColor right);
    // A left click in the diagram: the main window comes to the front.
    void activateMainWindow();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void ShowControlHints(char letter);
    void ConnectControls();
    void PlaceControlsFor(const DiaLayout& lay);
    void ApplyMarginColour(QLineEdit* edit);
    bool Relayout(bool placeControls);
    void AfterYmaxChange();
    void AfterYminChange();
    void RangeChanged();
    void ApplyDialogOptions();   // UM_DIA_OPTIONS
    void ApplyCursorEffect(const DiaCursor::Effect& fx);
    DiaScene Scene(bool printing) const;

    Tdiadlg* dialog_ = nullptr;
    bool ownsDialog_ = false;
    DiagramHome home_;
    std::unique_ptr<DiaPointStore> points_;
    DiagramOptions opt_;
    XScaling scaling_;
    DiaRanges ranges_;
    DiaLayout layout_;
    DiaCursor cursor_;
    DiaRenderer renderer_;
    ReadoutWords words_;
    char language_ = 'D';
    MemoryStore memories_;
    QImage bitmap_;
    QString yCaption_, y2Caption_, xCaption_;
    bool showLeftScale_ = true;
    bool showRightScale_ = false;
    double xLabelFactor_ = 1.0;
    LinearGridMaker xGrid_ = nullptr;
};

namespace testing_hooks {
// Makes the next TDiagramm construction fail its allocation, to test the
// termination path in a child process.
void FailNextDiagramAllocation();
}

} // namespace korvanta
