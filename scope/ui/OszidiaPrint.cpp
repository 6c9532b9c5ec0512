#include "scope/ui/OszidiaPrint.h"

#include "diagram/PrintGeometry.h"
#include "platform/DeviceLog.h"
#include "platform/ModalQuestions.h"
#include "platform/ui/Dialogs.h"
#include "scope/OszidiaPicture.h"
#include "scope/ui/Oszidia1.h"

#include <QPainter>
#include <QPrinter>

namespace korvanta {

PrintResult PrintScope(const TOszidia& display, QPrinter& printer)
{
    if (!modal::PrintDialog(printer))
        return PrintResult::Cancelled;
    const bool landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    const PrintGeometry g = ComputePrintGeometry(printer.logicalDpiY(), printer.width(), printer.height(), landscape);
    const QSize bitmap = FitToWindowShape(QSize(g.bitmapWidth, g.bitmapHeight), display.size());
    if (bitmap.isEmpty())
        return PrintResult::LayoutFailed;
    const QImage picture = display.PictureAt(bitmap, g.fontSize);
    printer.setDocName(QStringLiteral("Korvanta V1.4 "));
    QPainter painter;
    if (!painter.begin(&printer)) {
        devlog::Append(QStringLiteral("Printer      : could not be opened"));
        return PrintResult::PrinterFailed;
    }
    // Pixel by pixel four times larger, so lines stay sharp.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(QRect(QPoint(g.x0, g.y0), bitmap * PrintScale), picture);
    return painter.end() ? PrintResult::Printed : PrintResult::PrinterFailed;
}

} // namespace korvanta
