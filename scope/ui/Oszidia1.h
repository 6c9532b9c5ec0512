#pragma once
// The oscilloscope display window: one frame of both traces over a 10 x 8
// graticule, drawn off-screen and copied to the window, with time/frequency
// (left drag) and voltage (right drag) read-outs, an "Illum." button that
// brightens the screen, a text export of the frame and a copy to the
// clipboard. Created once at start-up, shown with the oscilloscope page.
// Its background colour lives in section "OSZIPRIV" (read at creation,
// written at destruction).

#include "scope/OszidiaRender.h"
#include "scope/OszidiaStore.h"
#include "scope/ScopeDisplay.h"

#include <QImage>
#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

namespace korvanta {

inline constexpr char kOszidiaCaption[] = "Korvanta V1.4 Oscilloscope";

class TOszidia : public QWidget, public ScopeDisplay {
    Q_OBJECT
public:
    // The oscilloscope's help topic, as on its page.
    static constexpr int kHelpContext = 10;
    explicit TOszidia(QWidget* parent = nullptr);
    ~TOszidia() override;

    // ScopeDisplay
    int SetupOszi(const QString& caption, int n, bool logX, float param, float xMin, float xMax, float yMin,
                  float yMax) override;
    int StorePoint(int j, bool triggerOnChannel1, float yPosition2, float yPosition1, float voltsPerDiv2,
                   float voltsPerDiv1, float x, float y2, float y1) override;
    void RepaintOszi() override;
    void SetScales(const ScopeScales& scales) override;

    // The current frame as a text file (see WriteScopeExport).
    int SaveAsText(const QString& path, const QString& separator) const;
    // The picture on the clipboard.
    void CopyToClipboard();
    // Renders the picture at the window's client size.
    QImage Picture();
    // The picture as a printout or a picture file shows it: no measuring
    // cursors, at `size` with text of `fontSize` points.
    QImage PictureAt(QSize size, int fontSize) const;
    // Saves that picture (PNG, SVG or PDF by the name's ending), written
    // whole or not at all; false when it could not be written.
    bool SavePicture(const QString& fileName, QSize size) const;

    // 'D' or 'E': the read-outs' rest texts; other letters change nothing.
    void SetOsziLanguage(char letter);

    void IllumButClick();
    QColor Background() const { return background_; }
    const OszidiaStore& Store() const { return store_; }
    const OszidiaLayout& Layout() const { return layout_; }
    // Whether the window has been placed (shown) since start-up, so that
    // its geometry means something to the settings file.
    bool Placed() const { return placed_; }

    QPushButton* IllumBut;
    QFrame* Bevel1;
    QLabel* Label1;  // time / frequency
    QLabel* Label2;  // voltage

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void buildHeader();
    void calcLayout();
    void render();
    void showTimeReadout();
    void showVoltReadout();

    OszidiaStore store_;
    OszidiaLayout layout_;
    OszidiaCursors cursors_;
    QImage bitmap_;
    QColor background_ = oszi::Background;
    QFont font_;
    QString timeRest_;
    QString voltRest_;
    char language_ = 'D';
    bool placed_ = false;
};

// The background colour stored under "OSZIPRIV"/"COLDIA" (1 or unreadable
// text: teal) and the text written back.
QColor OszidiaBackgroundFromText(const QString& text);
QString OszidiaBackgroundText(const QColor& colour);

} // namespace korvanta
