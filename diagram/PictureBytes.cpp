#include "diagram/PictureBytes.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace korvanta {

namespace {
// Pixel sizes of the fonts are meant for 96 dpi, as on the screen.
constexpr int kPictureDpi = 96;
constexpr double kPointsPerInch = 72.0;

QByteArray pngBytes(QSize size, const std::function<void(QPaintDevice&)>& paint)
{
    QImage image(size, QImage::Format_RGB32);
    paint(image);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") ? bytes : QByteArray();
}

QByteArray svgBytes(QSize size, const std::function<void(QPaintDevice&)>& paint, const PictureText& text)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(kPictureDpi);
    svg.setTitle(text.title);
    svg.setDescription(text.description);
    paint(svg);
    return bytes;
}

QByteArray pdfBytes(QSize size, const std::function<void(QPaintDevice&)>& paint, const PictureText& text)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(kPictureDpi);
        pdf.setPageSize(QPageSize(QSizeF(size) * kPointsPerInch / kPictureDpi, QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(text.title);
        pdf.setCreator(QStringLiteral("Korvanta"));
        paint(pdf);
    }
    return bytes;
}
} // namespace

PictureFormat PictureFormatOf(const QString& fileName)
{
    if (fileName.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
        return PictureFormat::Svg;
    if (fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return PictureFormat::Pdf;
    return PictureFormat::Png;
}

QByteArray PictureBytes(PictureFormat format, QSize size, const std::function<void(QPaintDevice&)>& paint,
                        const PictureText& text)
{
    switch (format) {
    case PictureFormat::Svg: return svgBytes(size, paint, text);
    case PictureFormat::Pdf: return pdfBytes(size, paint, text);
    case PictureFormat::Png: break;
    }
    return pngBytes(size, paint);
}

} // namespace korvanta
