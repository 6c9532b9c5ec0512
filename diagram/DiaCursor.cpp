#include "diagram/DiaCursor.h"

#include <cmath>

namespace korvanta {

void DiaCursor::clear(bool disarm)
{
    s_.startX = s_.endX = s_.startY = s_.endY = -1;
    s_.pointText.clear();
    s_.levelText.clear();
    s_.freqText.clear();
    s_.mode = None;
    if (disarm)
        s_.armed = false;
}

DiaCursor::Effect DiaCursor::mouseDown(int x, int y, bool leftButton, const DiaLayout& lay,
                                       const XScaling& scaling)
{
    Effect fx;
    s_.textX = x;
    s_.textY = y;
    if (leftButton) {
        s_.startX = x;
        s_.startY = y;
        const double freq = lay.XToFreq(x);
        if (lay.ppdB == 0.0)
            return fx;
        const double level = lay.ranges.ymax - (y - lay.plotTop) / lay.ppdB;
        s_.pointText = PointText(freq, scaling, level);
        fx.activateMain = true;
        s_.mode = Point;
    }
    fx.repaint = true;
    return fx;
}

bool DiaCursor::moveFrequency(int x, const DiaLayout& lay, const DiagramOptions& opt, const XScaling& scaling,
                              double& ratio, bool& fpError)
{
    s_.endX = x;
    if (lay.ppPoint == 0.0)
        return false;
    const double f2 = lay.XToFreq(x);
    const double f1 = lay.XToFreq(s_.startX);
    ratio = f2 > f1 ? f2 / f1 : f1 / f2;
    s_.freqText = FrequencyText(f2, scaling);
    if (!opt.measSlope)
        s_.mode = Frequency;
    fpError = fpError || !std::isfinite(f2) || !std::isfinite(ratio);
    return true;
}

bool DiaCursor::moveLevel(int y, const DiaLayout& lay, const DiagramOptions& opt, const ReadoutWords& words,
                          double& d, bool& fpError)
{
    s_.endY = y;
    if (lay.ppdB == 0.0)
        return false;
    // Back on the starting row the difference is 0 dB; the read-out says so
    // instead of keeping the last value.
    d = (s_.startY - y) / lay.ppdB;
    s_.levelText = LevelText(d, words.ratio);
    if (!opt.measSlope)
        s_.mode = Level;
    fpError = fpError || !std::isfinite(d) || !std::isfinite(std::pow(10.0, d / 20.0));
    return true;
}

DiaCursor::Effect DiaCursor::mouseMove(int x, int y, const DiaLayout& lay, const DiagramOptions& opt,
                                       const XScaling& scaling, const ReadoutWords& words)
{
    Effect fx;
    s_.textX = x;
    s_.textY = y;
    bool fpError = false;
    double ratio = 1.0, d = 0.0;
    if (s_.startX > 0 && (opt.measFreq || opt.measSlope) && !moveFrequency(x, lay, opt, scaling, ratio, fpError))
        return fx;
    if (s_.startY > 0 && (opt.measLevel || opt.measSlope)) {
        if (!moveLevel(y, lay, opt, words, d, fpError))
            return fx;
        if (s_.startX > 0 && opt.measSlope) {
            s_.freqText = SlopeText(d, ratio, words.slope);
            s_.mode = Slope;
        }
    }
    if (fpError)
        s_.freqText = s_.levelText = FpErrorText;
    if (x < lay.plotLeft - 4 || x > lay.plotRight + 4 || y < lay.plotTop - 4 || y > lay.plotBottom + 4)
        clear(true);
    fx.repaint = true;
    return fx;
}

DiaCursor::Effect DiaCursor::mouseUp(bool leftButton, bool rightButton)
{
    Effect fx;
    if (leftButton) {
        if (s_.armed)
            clear(false);
        s_.armed = !s_.armed;
    } else if (rightButton) {
        clear(true);
        fx.showOptions = true;
    }
    fx.repaint = true;
    return fx;
}

} // namespace korvanta
