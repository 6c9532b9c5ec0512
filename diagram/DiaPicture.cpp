#include "diagram/DiaPicture.h"

#include "diagram/DiaFonts.h"
#include "diagram/DiaRender.h"
#include "platform/AtomicFile.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

constexpr int ScreenWidth = 580, ScreenHeight = 370;   // the window's initial size
constexpr int MaxFontSize = 120;
// Pixel sizes of the fonts are meant for 96 dpi, as on the screen.
constexpr int PictureDpi = 96;

DiaScene SceneOf(const DiagramContent& c, const DiaLayout& layout)
{
    DiaScene sc;
    sc.layout = &layout;
    sc.options = &c.options;
    sc.points = c.points;
    sc.showLeftScale = c.showLeftScale;
    sc.showRightScale = c.showRightScale;
    sc.yCaption = c.yCaption;
    sc.y2Caption = c.y2Caption;
    sc.xCaption = c.xCaption;
    sc.memories = c.memories;
    sc.xLabelFactor = c.xLabelFactor;
    sc.comment = c.comment;
    sc.infoLine = c.infoLine;
    sc.language = c.language;
    return sc;
}

QByteArray PngBytes(const DiaScene& scene, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    DiaRenderer().render(image, scene, true);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") ? bytes : QByteArray();
}

QByteArray SvgBytes(const DiaScene& scene, QSize size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(PictureDpi);
    svg.setTitle(scene.comment);
    svg.setDescription(QStringLiteral("Korvanta diagram"));
    DiaRenderer().render(svg, scene, true);
    return bytes;
}

// One page the size of the picture, so the PDF shows what the PNG shows,
// with text and lines as vectors.
QByteArray PdfBytes(const DiaScene& scene, QSize size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(PictureDpi);
        pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / PictureDpi, QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(scene.comment);
        pdf.setCreator(QStringLiteral("Korvanta"));
        DiaRenderer().render(pdf, scene, true);
    }
    return bytes;
}

QByteArray PictureBytes(PictureFormat format, const DiaScene& scene, QSize size)
{
    switch (format) {
    case PictureFormat::Svg: return SvgBytes(scene, size);
    case PictureFormat::Pdf: return PdfBytes(scene, size);
    case PictureFormat::Png: break;
    }
    return PngBytes(scene, size);
}

} // namespace

bool LayoutDiagram(const DiagramContent& c, int width, int height, int fontSize, DiaLayout& layout)
{
    DiaLayoutInput in;
    in.width = width;
    in.height = height;
    in.fontSize = fontSize;
    in.showLeft = c.showLeftScale;
    in.showRight = c.showRightScale;
    // Caption heights are measured in the font the picture is drawn with, so
    // the margins fit the captions at any print size.
    in.leftCaptionHeight = CaptionHeight(c.yCaption, fontSize);
    in.rightCaptionHeight = CaptionHeight(c.y2Caption, fontSize);
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

PictureFormat PictureFormatOf(const QString& fileName)
{
    if (fileName.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
        return PictureFormat::Svg;
    if (fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return PictureFormat::Pdf;
    return PictureFormat::Png;
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
    DiaLayout layout;
    if (!LayoutDiagram(content, size.width(), size.height(), PictureFontSize(size), layout))
        return PictureResult::LayoutFailed;
    DiagramContent drawn = content;
    // The ranges as laid out: the options carry them into the renderer.
    drawn.options.xmin = content.ranges.xmin;
    drawn.options.xmax = content.ranges.xmax;
    drawn.options.ymin = content.ranges.ymin;
    drawn.options.ymax = content.ranges.ymax;
    const QByteArray bytes = PictureBytes(PictureFormatOf(fileName), SceneOf(drawn, layout), size);
    return !bytes.isEmpty() && WriteFileAtomically(fileName, bytes) ? PictureResult::Saved : PictureResult::WriteFailed;
}

} // namespace korvanta
