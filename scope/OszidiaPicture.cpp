#include "scope/OszidiaPicture.h"

#include "diagram/DiaPicture.h"
#include "diagram/PictureBytes.h"
#include "platform/AtomicFile.h"
#include "scope/OszidiaRender.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
constexpr int kMaxFontSize = 120;

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
    const auto paint = [&](QPaintDevice& device) {
        QPainter p(&device);
        PaintOszidiaPicture(p, size, store, background, letter, font, fontSize);
    };
    const QByteArray bytes =
        PictureBytes(PictureFormatOf(fileName), size, paint, {QString(), QStringLiteral("Korvanta oscilloscope")});
    return !bytes.isEmpty() && WriteFileAtomically(fileName, bytes);
}

} // namespace korvanta
