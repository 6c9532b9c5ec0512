#pragma once
// The bytes of a picture file in one of the formats the program writes: PNG,
// SVG or PDF (one page the size of the picture, text and lines as vectors).
// Whoever draws the picture (the diagram, the oscilloscope, a report's plot)
// hands in a function that paints onto the format's device; the devices are
// set up here once, at the 96 dpi that the screen's font sizes assume.

#include <QByteArray>
#include <QSize>
#include <QString>
#include <functional>

class QPaintDevice;

namespace korvanta {

enum class PictureFormat { Png, Svg, Pdf };

// SVG for a name ending in ".svg", PDF for ".pdf" (any case), PNG otherwise.
PictureFormat PictureFormatOf(const QString& fileName);

struct PictureText {
    QString title;        // SVG and PDF title
    QString description;  // SVG description
};

// The file's bytes; empty when the picture could not be encoded.
QByteArray PictureBytes(PictureFormat format, QSize size, const std::function<void(QPaintDevice&)>& paint,
                        const PictureText& text = {});

} // namespace korvanta
