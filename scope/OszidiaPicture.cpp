#include "scope/OszidiaPicture.h"

#include "diagram/DiaPicture.h"
#include "platform/AtomicFile.h"
#include "scope/OszidiaRender.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
constexpr int kPictureDpi = 96;
constexpr int kMaxFontSize = 120;

QByteArray pngBytes(QSize size, const std::function<void(QPainter&)>& paint)
{
    QImage image(size, QImage::Format_RGB32);
    {
        QPainter p(&image);
        paint(p);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") ? bytes : QByteArray();
}

QByteArray svgBytes(QSize size, const std::function<void(QPainter&)>& paint)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(kPictureDpi);
    svg.setDescription(QStringLiteral("Korvanta oscilloscope"));
    QPainter p(&svg);
    paint(p);
    p.end();
    return bytes;
}

QByteArray pdfBytes(QSize size, const std::function<void(QPainter&)>& paint)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(kPictureDpi);
        pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / kPictureDpi, QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setCreator(QStringLiteral("Korvanta"));
        QPainter p(&pdf);
        paint(p);
    }
    return bytes;
}
} // namespace

OszidiaPictureScale PictureScaleFor(QSize, int fontSize)
{
    const double grow = double(std::max(fontSize, 1)) / kOszidiaScreenFont;
    return {int(std::lround(kScaleStripHeight * grow)), std::max(1, int(std::lround(grow)))};
}

QSize FitToWindowShape(QSize room, QSize window)
{
    if (window.isEmpty() || room.isEmpty())
        return room;
    return window.scaled(room, Qt::KeepAspectRatio);
}

int OszidiaPictureFontSize(QSize size)
{
    const double ratio = std::min(double(size.width()) / kOszidiaScreenWidth,
                                  double(size.height()) / kOszidiaScreenHeight);
    return std::clamp(int(std::lround(kOszidiaScreenFont * std::max(ratio, 1.0))), kOszidiaScreenFont, kMaxFontSize);
}

void PaintOszidiaPicture(QPainter& painter, QSize size, const OszidiaStore& store, const QColor& background,
                         char letter, const QFont& font, int fontSize)
{
    QFont f = font;
    f.setPointSize(fontSize);
    const OszidiaPictureScale scale = PictureScaleFor(size, fontSize);
    OszidiaLayout layout = LayoutOszidia(store, size.width(), size.height(), scale.scaleStrip);
    layout.traceWidth = scale.traceWidth;
    RenderOszidia(painter, size, store, layout, {}, background, f, letter);
}

bool SaveOszidiaPicture(const OszidiaStore& store, const QColor& background, char letter, const QString& fileName,
                        QSize size, const QFont& font)
{
    if (size.width() < PictureMinWidth || size.height() < PictureMinHeight || size.width() > PictureMaxSide
        || size.height() > PictureMaxSide)
        return false;
    const int fontSize = OszidiaPictureFontSize(size);
    const auto paint = [&](QPainter& p) { PaintOszidiaPicture(p, size, store, background, letter, font, fontSize); };
    QByteArray bytes;
    switch (PictureFormatOf(fileName)) {
    case PictureFormat::Svg: bytes = svgBytes(size, paint); break;
    case PictureFormat::Pdf: bytes = pdfBytes(size, paint); break;
    case PictureFormat::Png: bytes = pngBytes(size, paint); break;
    }
    return !bytes.isEmpty() && WriteFileAtomically(fileName, bytes);
}

} // namespace korvanta
