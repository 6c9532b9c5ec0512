#include "diagram/ui/DiaPicture.h"

#include "platform/AtomicFile.h"
#include "diagram/ui/Diagr3.h"

#include <QBuffer>
#include <QImage>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

constexpr int ScreenWidth = 580, ScreenHeight = 370;   // the window's initial size
constexpr int MaxFontSize = 120;

QByteArray PngBytes(TDiagramm& d, QImage& work)
{
    d.RenderDiagram(work, true);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return work.save(&buffer, "PNG") ? bytes : QByteArray();
}

QByteArray SvgBytes(TDiagramm& d, QSize size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    // Pixel sizes of the fonts are meant for 96 dpi, as on the screen.
    svg.setResolution(96);
    svg.setTitle(d.GetComment());
    svg.setDescription(QStringLiteral("Korvanta diagram"));
    d.RenderDiagramTo(svg, true);
    return bytes;
}

} // namespace

PictureFormat PictureFormatOf(const QString& fileName)
{
    return fileName.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) ? PictureFormat::Svg : PictureFormat::Png;
}

int PictureFontSize(QSize size)
{
    const double scale = std::min(double(size.width()) / ScreenWidth, double(size.height()) / ScreenHeight);
    return std::clamp(int(std::lround(8 * scale)), 8, MaxFontSize);
}

PictureResult SaveDiagramPicture(TDiagramm& diagram, const QString& fileName, QSize size)
{
    if (size.width() < PictureMinWidth || size.height() < PictureMinHeight || size.width() > PictureMaxSide ||
        size.height() > PictureMaxSide)
        return PictureResult::BadSize;
    QImage work;
    PictureResult result = PictureResult::LayoutFailed;
    if (diagram.CalcLayout(work, size.width(), size.height(), PictureFontSize(size), false)) {
        const QByteArray bytes =
            PictureFormatOf(fileName) == PictureFormat::Svg ? SvgBytes(diagram, size) : PngBytes(diagram, work);
        result = !bytes.isEmpty() && WriteFileAtomically(fileName, bytes) ? PictureResult::Saved
                                                                          : PictureResult::WriteFailed;
    }
    diagram.RestoreScreenLayout();
    diagram.update();
    return result;
}

} // namespace korvanta
