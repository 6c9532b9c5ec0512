#include "diagram/ui/DiaPrint.h"

#include "diagram/ui/Diagr3.h"
#include "platform/DeviceLog.h"
#include "platform/ui/Dialogs.h"
#include "platform/ModalQuestions.h"
#include "diagram/PrintGeometry.h"
#include "diagram/TextExport.h"
#include "platform/LanguageTexts.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>

namespace korvanta {

namespace {

constexpr Words kNothingToSave{
    "Im sichtbaren Bereich liegt kein Punkt einer angezeigten Kurve: nichts gespeichert. Ein Seitenwechsel "
    "löscht die Kurven; erst messen, dann speichern.",
    "No point of a shown curve lies in the visible range: nothing was saved. Changing the page clears the "
    "curves; measure first, then save."};

bool SayNothingToSave(QChar language)
{
    modal::MessageBox(modal::Kind::Warning, Pick(language.toLatin1(), kNothingToSave), modal::Ok);
    return false;
}

// Hourglass while the job is built.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// What the print changes and restores: comment, point count and ranges.
struct RememberedDiagram {
    QString comment;
    int lastIndex = 0;
    int32_t xmin = 0, xmax = 0;
    float ymin = 0, ymax = 0;

    explicit RememberedDiagram(const TDiagramm& d) : comment(d.GetComment()), lastIndex(d.GetLastIndex())
    {
        d.GetYRange(ymin, ymax);
        d.GetXRange(xmin, xmax);
    }
    void restore(TDiagramm& d) const
    {
        float y0 = ymin, y1 = ymax;
        d.SetupDiagram(comment, lastIndex, xmin, xmax, y0, y1);
    }
};

void LogPrinter(const QPrinter& printer, int dpi)
{
    devlog::Append(QString());
    devlog::Append(QStringLiteral("Printer      : ") + printer.printerName());
    devlog::Append(QStringLiteral("Auflösung DPI: ") + QString::number(dpi));
    devlog::Append(QStringLiteral("NUMCOLORS    : ") + QString::number(printer.colorCount()));
    devlog::Append(QStringLiteral("BITSPIXEL    : ") + QString::number(printer.depth()));
    devlog::Append(QStringLiteral("PLANES       : ") + QString::number(1));
    devlog::Append(QStringLiteral("Seitenbreite : ") + QString::number(printer.width()));
    devlog::Append(QStringLiteral("Seitenhöhe   : ") + QString::number(printer.height()));
}

void LogGeometry(const PrintGeometry& g)
{
    devlog::Append(QStringLiteral("Druckreite   : ") + QString::number(g.width));
    devlog::Append(QStringLiteral("Druckhöhe    : ") + QString::number(g.height));
    devlog::Append(QStringLiteral("Druck x0     : ") + QString::number(g.x0));
    devlog::Append(QStringLiteral("Druck y0     : ") + QString::number(g.y0));
}

// The work bitmap is printed four times larger pixel by pixel, so lines stay
// sharp instead of being smoothed.
bool PrintBitmap(QPrinter& printer, const QImage& bitmap, const PrintGeometry& g)
{
    printer.setDocName(QStringLiteral("Korvanta V1.4 "));
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Thin grid lines and small text must not be blurred by lossy image
    // compression in PDF output.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(QRect(g.x0, g.y0, g.printedWidth, g.printedHeight), bitmap);
    return painter.end();
}

} // namespace

PrintResult FilePrint(TDiagramm& diagram, QPrinter& printer)
{
    const RememberedDiagram saved(diagram);
    if (!modal::PrintDialog(printer))
        return PrintResult::Cancelled;
    const WaitCursor wait;
    const int dpi = printer.logicalDpiY();
    const bool landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    const PrintGeometry g = ComputePrintGeometry(dpi, printer.width(), printer.height(), landscape);
    LogPrinter(printer, dpi);
    LogGeometry(g);
    saved.restore(diagram);
    QImage work;
    PrintResult result = PrintResult::LayoutFailed;
    if (g.bitmapWidth > 0 && g.bitmapHeight > 0 &&
        diagram.CalcLayout(work, g.bitmapWidth, g.bitmapHeight, g.fontSize, false)) {
        diagram.RenderDiagram(work, true);
        result = PrintBitmap(printer, work, g) ? PrintResult::Printed : PrintResult::PrinterFailed;
        if (result == PrintResult::PrinterFailed)
            devlog::Append(QStringLiteral("Printer      : could not be opened"));
    }
    saved.restore(diagram);
    return result;
}

void EditCopy(TDiagramm& diagram)
{
    diagram.raise();
    diagram.activateWindow();
    QImage& bitmap = diagram.Bitmap();
    diagram.RenderDiagram(bitmap, true);
    QGuiApplication::clipboard()->setImage(bitmap);
    diagram.RenderDiagram(bitmap, false);
    diagram.update();
}

bool TextExportHasPoints(const TDiagramm& diagram, QChar language)
{
    int32_t xmin = 0, xmax = 0;
    diagram.GetXRange(xmin, xmax);
    return ExportsAnyPoint(diagram.Points(), diagram.Options(), xmin, xmax) || SayNothingToSave(language);
}

bool PictureHasPoints(const TDiagramm& diagram, QChar language)
{
    return ShowsAnyPoint(diagram.PictureContent()) || SayNothingToSave(language);
}

QString AskTextExportFile(QChar language)
{
    const QString title = language == QLatin1Char('E') ? QStringLiteral("Diagram values as text file")
                                                        : QStringLiteral("Diagrammwerte als Textdatei");
    return modal::SaveFileName(title, QStringLiteral("Text File | *.txt"), QStringLiteral("txt"));
}

} // namespace korvanta
