#pragma once
// The File and Edit menu operations on the diagram: printing, the text export
// file question, and the copy to the clipboard. The main window's menu
// handlers call these; the oscilloscope page has its own export and copy.

#include <QString>

class QPrinter;

namespace korvanta {

class TDiagramm;

enum class PrintResult {
    Printed,
    Cancelled,       // the print dialog was cancelled: nothing happened
    LayoutFailed,    // the diagram cannot be laid out at print size: nothing printed
    PrinterFailed,   // the printer (or PDF file) could not be opened: nothing printed
};

// Asks for the printer (modal::PrintDialog) and prints the diagram on the
// upper half of a portrait page or across a landscape page, with the comment
// and info lines. The printer details and the geometry go into the device
// log. The screen layout is restored afterwards in every case.
PrintResult FilePrint(TDiagramm& diagram, QPrinter& printer);

// Puts the diagram, drawn as for printing (with comment and info lines and
// without the measuring cursor), on the clipboard as an image, and leaves the
// window as it was.
void EditCopy(TDiagramm& diagram);

// Whether saving the diagram as text, or as a picture, has something to
// save: a point of a shown curve (for a picture, of a visible memory too) in
// the visible range. When not, says so in a warning and returns false, and
// the caller asks for no file: the curves are cleared when a page is left,
// and a save after that would write an empty file without a word.
bool TextExportHasPoints(const TDiagramm& diagram, QChar language);
bool PictureHasPoints(const TDiagramm& diagram, QChar language);

// The save dialog of the text export ("Diagrammwerte als Textdatei" /
// "Diagram values as text file"); empty when cancelled.
QString AskTextExportFile(QChar language);

} // namespace korvanta
