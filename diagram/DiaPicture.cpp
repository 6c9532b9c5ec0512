#include "diagram/DiaPicture.h"

#include "diagram/DiaFonts.h"
#include "diagram/DiaRender.h"
#include "diagram/TextExport.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

constexpr int ScreenWidth = 580, ScreenHeight = 370;   // the window's initial size
constexpr int MaxFontSize = 120;

} // namespace

bool RightAxisShown(const DiagramContent& c)
{
    return c.showRightScale || (c.memories && MemoriesUseRightAxis(*c.memories));
}

DiaScene DiagramScene(const DiagramContent& c, const DiaLayout& layout)
{
    DiaScene sc;
    sc.layout = &layout;
    sc.options = &c.options;
    sc.points = c.points;
    sc.showLeftScale = c.showLeftScale;
    sc.showRightScale = RightAxisShown(c);
    sc.yCaption = c.yCaption;
    // A right axis shown for a memory alone labels the memory's values; the
    // caption belongs to the live curve it was set for.
    sc.y2Caption = c.showRightScale ? c.y2Caption : QString();
    sc.xCaption = c.xCaption;
    sc.memories = c.memories;
    sc.xLabelFactor = c.xLabelFactor;
    sc.xGrid = c.xGrid;
    sc.comment = c.comment;
    sc.infoLine = c.infoLine;
    sc.language = c.language;
    return sc;
}

bool LayoutDiagram(const DiagramContent& c, int width, int height, int fontSize, DiaLayout& layout)
{
    DiaLayoutInput in;
    in.width = width;
    in.height = height;
    in.fontSize = fontSize;
    in.showLeft = c.showLeftScale;
    in.showRight = RightAxisShown(c);
    // Caption heights are measured in the font the picture is drawn with, so
    // the margins fit the captions at any print size.
    in.leftCaptionHeight = CaptionHeight(c.yCaption, fontSize);
    in.rightCaptionHeight = c.showRightScale ? CaptionHeight(c.y2Caption, fontSize) : 0;
    in.xCaptionHeight = CaptionHeight(c.xCaption, fontSize);
    const DiaTextMetrics m = MeasureDiaText(fontSize);
    in.charW = m.charW;
    in.charH = m.charH;
    in.kLabelWidth = m.kLabelWidth;
    in.ranges = c.ranges;
    in.xLog = c.options.xLog;
    in.n = c.points ? c.points->count() : 0;
    bool ok = ComputeLayout(in, layout);
    // The labels are known only once the grid step is; when the widest does
    // not fit the margin, lay out again with the room it needs (the plot
    // height, and so the step, stays the same).
    if (ok && c.showLeftScale) {
        in.leftLabelWidth = WidestLeftLabel(c.ranges.ymin, c.ranges.ymax, layout.yStep, layout.decimals, fontSize);
        if (in.leftLabelWidth + in.charW / 2 + 1 > layout.marginLeft - in.leftCaptionHeight)
            ok = ComputeLayout(in, layout);
    }
    return ok;
}

namespace {
bool MemoryShowsPoint(const MemoryCurve& m, double xmin, double xmax)
{
    if (!m.visible)
        return false;
    for (size_t i = 0; i < m.x.size(); ++i)
        if (xmin <= m.x[i] && m.x[i] <= xmax)
            for (const MemoryTrace& t : m.traces)
                if (i < t.values.size() && std::isfinite(t.values[i]))
                    return true;
    return false;
}
} // namespace

bool ShowsAnyPoint(const DiagramContent& c)
{
    const double xmin = c.ranges.xmin, xmax = c.ranges.xmax;
    if (c.points && ExportsAnyPoint(*c.points, c.options, xmin, xmax))
        return true;
    if (c.memories)
        for (const MemoryCurve& m : *c.memories)
            if (MemoryShowsPoint(m, xmin, xmax))
                return true;
    return false;
}

int PictureFontSize(QSize size)
{
    const double scale = std::min(double(size.width()) / ScreenWidth, double(size.height()) / ScreenHeight);
    return std::clamp(int(std::lround(8 * scale)), 8, MaxFontSize);
}

PictureResult SaveDiagramPicture(const DiagramContent& content, const QString& fileName, QSize size)
{
    if (size.width() < PictureMinWidth || size.height() < PictureMinHeight || size.width() > PictureMaxSide ||
        size.height() > PictureMaxSide)
        return PictureResult::BadSize;
    if (!ShowsAnyPoint(content))
        return PictureResult::NothingShown;
    DiaLayout layout;
    if (!LayoutDiagram(content, size.width(), size.height(), PictureFontSize(size), layout))
        return PictureResult::LayoutFailed;
    DiagramContent drawn = content;
    // The ranges as laid out: the options carry them into the renderer.
    drawn.options.xmin = content.ranges.xmin;
    drawn.options.xmax = content.ranges.xmax;
    drawn.options.ymin = content.ranges.ymin;
    drawn.options.ymax = content.ranges.ymax;
    const DiaScene scene = DiagramScene(drawn, layout);
    const QByteArray bytes = PictureBytes(
        PictureFormatOf(fileName), size, [&](QPaintDevice& device) { DiaRenderer().render(device, scene, true); },
        {content.comment, QStringLiteral("Korvanta diagram")});
    return !bytes.isEmpty() && WriteFileAtomically(fileName, bytes) ? PictureResult::Saved : PictureResult::WriteFailed;
}

} // namespace korvanta
