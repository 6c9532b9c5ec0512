#pragma once
// The measuring cursor of the diagram: a left click starts a measurement
// that follows the mouse (frequency, level difference or slope, as the
// options say), the next left click ends it, and leaving the plot clears it.
// The handlers only update this state and say what the window has to do.

#include "diagram/CursorTexts.h"
#include "diagram/DiaLayout.h"
#include "diagram/DiagramOptions.h"

namespace korvanta {

class DiaCursor {
public:
    enum Mode { None = 0, Frequency = 1, Level = 2, Slope = 3, Point = 4 };

    struct State {
        int startX = -1, startY = -1, endX = -1, endY = -1;
        int textX = 0, textY = 0;   // last mouse position; the text ends left of it
        int mode = None;
        bool armed = false;         // a measurement is under way
        QString pointText, levelText, freqText;
    };

    // What the window has to do after a handler.
    struct Effect {
        bool repaint = false;
        bool activateMain = false;  // bring the main window to the front
        bool showOptions = false;   // open the options dialog
    };

    // Positions to -1, texts empty, mode none; with disarm also ends the
    // measurement.
    void clear(bool disarm);

    Effect mouseDown(int x, int y, bool leftButton, const DiaLayout& lay, const XScaling& scaling);
    Effect mouseMove(int x, int y, const DiaLayout& lay, const DiagramOptions& opt, const XScaling& scaling,
                     const ReadoutWords& words);
    Effect mouseUp(bool leftButton, bool rightButton);

    const State& state() const { return s_; }

private:
    // Frequency part of a move; false when the move must be ignored.
    bool moveFrequency(int x, const DiaLayout& lay, const DiagramOptions& opt, const XScaling& scaling,
                       double& ratio, bool& fpError);
    bool moveLevel(int y, const DiaLayout& lay, const DiagramOptions& opt, const ReadoutWords& words,
                   double& d, bool& fpError);

    State s_;
};

} // namespace korvanta
