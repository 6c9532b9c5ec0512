#include "devicetest/DtReportPlot.h"

#include "diagram/DiaPicture.h"
#include "diagram/DiaRender.h"

#include <memory>

namespace korvanta {

namespace {

// Paper colours: white plot and margins, a grey grid, so a printed report
// does not spend a page of ink on the screen's cyan.
constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kGridGrey = 0xC8C8C8;

QByteArray RenderSvg(const DiagramContent& content, const DiaLayout& layout, QSize size)
{
    const DiaScene scene = DiagramScene(content, layout);
    return PictureBytes(
        PictureFormat::Svg, size, [&](QPaintDevice& device) { DiaRenderer().render(device, scene, true); },
        {content.comment, QString()});
}

} // namespace

QByteArray DtPlotSvg(const DtPlot& plot, char letter, QSize size)
{
    const DtPlotSeries series = DtPlotPoints(plot);
    if (series.x.empty())
        return {};
    auto store = std::make_unique<DiaPointStore>();
    DiagramContent content;
    content.options.colDia = kWhite;
    content.options.colMargin = kWhite;
    content.options.colGrid = kGridGrey;
    content.options.show2 = !series.y2.empty();
    content.ranges.xmin = series.xmin;
    content.ranges.xmax = series.xmax;
    content.ranges.ymin = series.ymin;
    content.ranges.ymax = series.ymax;
    // The renderer draws the second curve against the right axis: give it
    // the left one's range, so both channels share one scale.
    content.ranges.y2min = content.ranges.ymin;
    content.ranges.y2max = content.ranges.ymax;
    content.options.xmin = content.ranges.xmin;
    content.options.xmax = content.ranges.xmax;
    content.options.ymin = content.ranges.ymin;
    content.options.ymax = content.ranges.ymax;
    const int count = int(series.x.size());
    for (int i = 0; i < count; ++i) {
        const float values[2] = {series.y1[i], series.y2.empty() ? series.ymin : series.y2[i]};
        store->addPoint(values, 2, i, series.x[i], content.options);
    }
    store->setCount(count);
    content.points = store.get();
    content.yCaption = plot.yCaption;
    content.xCaption = QStringLiteral("Hz");
    content.comment = plot.title;
    content.infoLine = DtPlotLegend(plot, letter);
    content.language = letter;
    DiaLayout layout;
    if (!LayoutDiagram(content, size.width(), size.height(), PictureFontSize(size), layout))
        return {};
    return RenderSvg(content, layout, size);
}

} // namespace korvanta
