#pragma once
// Draws the diagram into a bitmap: margins, sunken plot frame, both level
// axes, the frequency grid, the memory curves with their legend, up to three
// live curves over them, and either the measuring cursor (screen) or the
// comment and info lines (printout, clipboard and saved pictures).
// The same code serves the window, the printer and the clipboard; only the
// bitmap size and the layout's font size differ.

#include "diagram/DiaCursor.h"
#include "diagram/DiaLayout.h"
#include "diagram/DiaPointStore.h"
#include "diagram/DiaScale.h"
#include "diagram/DiagramOptions.h"
#include "diagram/MemoryCurve.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <vector>

class QPainter;
class QPaintDevice;
class QPen;

namespace korvanta {

// The font size the diagram has on screen.
inline constexpr int DiaScreenFontSize = 8;

// Pen width of the curves for a picture drawn at `fontSize`: the screen's
// one-pixel line (0, a cosmetic pen) at the screen's font, growing with the
// font, so a printout or a large picture shows its curves as the screen
// does, not as hairlines.
int DiaCurvePenWidth(int fontSize);

struct DiaScene {
    const DiaLayout* layout = nullptr;
    const DiagramOptions* options = nullptr;
    const DiaPointStore* points = nullptr;
    bool showLeftScale = true;
    bool showRightScale = false;
    QString yCaption, y2Caption, xCaption;
    const DiaCursor::State* cursor = nullptr;   // drawn on the screen only
    QString comment, infoLine;                  // drawn when printing only
    const MemoryBank* memories = nullptr;       // drawn behind the live curves, with a legend
    double xLabelFactor = 1.0;                  // x labels show x * factor (1: frequencies as ever)
    LinearGridMaker xGrid = nullptr;            // a linear x axis's own grid, or the diagram's
    char language = 'D';                       // of the credit line
};

struct DiaRenderResult {
    bool drawn = false;          // false when the plot has no room
    int productNameWidth = 0;    // the comment line ends where the name starts
};

class DiaRenderer {
public:
    DiaRenderer();

    // Renders into `device` (a bitmap or a vector picture), which must have
    // the layout's size.
    DiaRenderResult render(QPaintDevice& device, const DiaScene& scene, bool printing);

    // A one-line text in the lower right corner of the picture, in the
    // language of 'D' or 'E'.
    static QString CreditText(char language);

private:
    void drawBackground(QPainter& p) const;
    void drawFrame(QPainter& p) const;
    void drawLeftAxis(QPainter& p) const;
    void drawRightAxis(QPainter& p) const;
    void drawXAxis(QPainter& p) const;
    void drawCurves(QPainter& p);
    void drawMemories(QPainter& p);
    void drawCurve(QPainter& p, const QPen& pen, const float* x, int s, int e, const float* values, double scale,
                   double base);
    void drawCursor(QPainter& p) const;
    void drawPrintTexts(QPainter& p) const;
    int drawProductName(QPainter& p) const;
    void drawCredit(QPainter& p) const;
    int gridLineCount() const;

    const DiaScene* sc_ = nullptr;
    const DiaLayout* lay_ = nullptr;
    const DiagramOptions* opt_ = nullptr;
    std::vector<QPoint> polyline_;   // reused, so a frame never allocates
};

} // namespace korvanta
