#include "scope/ui/Oszidia1.h"

#include "platform/ProfileStore.h"
#include "platform/IniValues.h"
#include "scope/OszidiaPicture.h"
#include "platform/ui/HelpKey.h"

#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <cmath>

namespace korvanta {

namespace {
const QString kSection = QStringLiteral("OSZIPRIV");
const QString kColourKey = QStringLiteral("COLDIA");
constexpr int kDefaultColour = 1;  // the stored value that means teal
constexpr int kCreationPoints = 512;
constexpr int kFontPointSize = 8;
constexpr int kInitialWidth = 260;
constexpr int kInitialHeight = 300;
// The window never gets narrower than its read-out bar, so the volts
// read-out at its right end is never cut, nor lower than a usable trace.
constexpr int kHeaderMargin = 3;
constexpr int kMinimumHeight = 160;

// Colour values as the settings file keeps them: 0x00BBGGRR.
uint32_t refFromColour(const QColor& c)
{
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}
QColor colourFromRef(uint32_t v) { return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)); }
} // namespace

QColor OszidiaBackgroundFromText(const QString& text)
{
    const auto v = ini::ParseWhole(text.trimmed());
    if (!v || *v == kDefaultColour || *v < 0 || *v > 0xFFFFFF)
        return oszi::Background;
    return colourFromRef(uint32_t(*v));
}

QString OszidiaBackgroundText(const QColor& colour) { return QString::number(refFromColour(colour)); }

TOszidia::TOszidia(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    AddHelpKey(this, kHelpContext);
    setObjectName(QStringLiteral("Oszidia"));
    setWindowTitle(QLatin1String(kOszidiaCaption));
    // The window paints every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    font_ = QFont(QStringLiteral("Liberation Sans"), kFontPointSize);
    setFont(font_);
    timeRest_ = QStringLiteral("Time / Frequ.");
    voltRest_ = QStringLiteral("Volt");
    buildHeader();
    setMinimumSize(Bevel1->geometry().right() + 1 + kHeaderMargin, kMinimumHeight);
    resize(kInitialWidth, kInitialHeight);
    store_.Setup(QString(), kCreationPoints, false, 1.0f, 0.0f, 10.0f, 0.0f, 8.0f);
    background_ = OszidiaBackgroundFromText(
        GetProfileString(kSection, kColourKey, QString::number(kDefaultColour), 154, SettingsFilePath()));
    calcLayout();
}

TOszidia::~TOszidia()
{
    WriteProfileString(kSection, kColourKey, OszidiaBackgroundText(background_), SettingsFilePath());
}

void TOszidia::buildHeader()
{
    IllumBut = new QPushButton(QStringLiteral("Illum."), this);
    IllumBut->setGeometry(2, 3, 44, 24);
    IllumBut->setFocusPolicy(Qt::NoFocus);
    connect(IllumBut, &QPushButton::clicked, this, &TOszidia::IllumButClick);
    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::Panel);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(49, 3, 208, 24);
    Label1 = new QLabel(timeRest_, this);
    Label1->setGeometry(52, 5, 128, 20);
    Label2 = new QLabel(voltRest_, this);
    Label2->setGeometry(182, 5, 72, 20);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

int TOszidia::SetupOszi(const QString& caption, int n, bool logX, float param, float xMin, float xMax, float yMin,
                        float yMax)
{
    const int rc = store_.Setup(caption, n, logX, param, xMin, xMax, yMin, yMax);
    calcLayout();
    return rc;
}

int TOszidia::StorePoint(int j, bool trig1, float ypos2, float ypos1, float vdiv2, float vdiv1, float x, float y2,
                         float y1)
{
    return store_.StorePoint(j, trig1, ypos2, ypos1, vdiv2, vdiv1, x, y2, y1);
}

// The paint handler renders: a hidden window costs nothing per frame.
void TOszidia::RepaintOszi() { update(); }

void TOszidia::SetScales(const ScopeScales& scales) { store_.scales = scales; }

void TOszidia::calcLayout()
{
    if (bitmap_.size() != size())
        bitmap_ = QImage(size(), QImage::Format_RGB32);
    layout_ = LayoutOszidia(store_, width(), height(), kScaleStripHeight);
}

void TOszidia::render()
{
    if (bitmap_.isNull())
        return;
    RenderOszidia(bitmap_, store_, layout_, cursors_, background_, font_, language_);
}

QImage TOszidia::PictureAt(QSize size, int fontSize) const
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    PaintOszidiaPicture(p, size, store_, background_, language_, font_, fontSize);
    return image;
}

bool TOszidia::SavePicture(const QString& fileName, QSize size) const
{
    return SaveOszidiaPicture(store_, background_, language_, fileName, size, font_);
}

QImage TOszidia::Picture()
{
    calcLayout();
    render();
    return bitmap_;
}

void TOszidia::paintEvent(QPaintEvent*)
{
    render();
    QPainter p(this);
    p.drawImage(0, 0, bitmap_);
}

void TOszidia::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    calcLayout();
}

void TOszidia::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    placed_ = true;
    calcLayout();
}

int TOszidia::SaveAsText(const QString& path, const QString& separator) const
{
    return WriteScopeExport(path, store_, separator);
}

void TOszidia::CopyToClipboard() { QGuiApplication::clipboard()->setImage(Picture()); }

void TOszidia::IllumButClick()
{
    background_ = background_ != oszi::Illuminated ? oszi::Illuminated : oszi::Background;
    RepaintOszi();
}

void TOszidia::SetOsziLanguage(char letter)
{
    if (letter == 'D' || letter == 'E') {
        language_ = letter;
        RepaintOszi();
    }
    if (letter == 'D')
        timeRest_ = QStringLiteral("Zeit / Frequ.");
    else if (letter == 'E')
        timeRest_ = QStringLiteral("Time / Frequ.");
    else
        return;
    voltRest_ = QStringLiteral("Volt");
    setWindowTitle(letter == 'E' ? QLatin1String(kOszidiaCaption) : QStringLiteral("Korvanta V1.4 Oszilloskop"));
    IllumBut->setText(letter == 'E' ? QStringLiteral("Illum.") : QStringLiteral("Licht"));
    IllumBut->setToolTip(letter == 'E' ? QStringLiteral("illuminate the screen") : QStringLiteral("Schirm beleuchten"));
    if (cursors_.timeStart < 0)
        Label1->setText(timeRest_);
    if (cursors_.voltStart < 0)
        Label2->setText(voltRest_);
}

// --- mouse read-outs ----------------------------------------------------------------

void TOszidia::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        cursors_.timeStart = pos.x();
    else if (event->button() == Qt::RightButton)
        cursors_.voltStart = pos.y();
}

void TOszidia::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->buttons() & Qt::LeftButton) {
        cursors_.timeNow = pos.x();
        showTimeReadout();
    }
    if (event->buttons() & Qt::RightButton) {
        cursors_.voltNow = pos.y();
        showVoltReadout();
    }
    RepaintOszi();
}

void TOszidia::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        cursors_.timeStart = cursors_.timeNow = -1;
        Label1->setText(timeRest_);
    } else if (event->button() == Qt::RightButton) {
        cursors_.voltStart = cursors_.voltNow = -1;
        Label2->setText(voltRest_);
    }
    RepaintOszi();
}

void TOszidia::showTimeReadout()
{
    const int distance = std::abs(cursors_.timeNow - cursors_.timeStart);
    if (cursors_.timeStart <= 0 || layout_.xScale == 0 || distance == 0)
        return;
    const double ms = distance / layout_.xScale * 1000.0;
    Label1->setText(QString::number(ms, 'f', 3) + QStringLiteral("ms / ") + QString::number(1.0 / ms, 'f', 3)
                    + QStringLiteral("kHz"));
}

void TOszidia::showVoltReadout()
{
    const int distance = std::abs(cursors_.voltNow - cursors_.voltStart);
    if (cursors_.voltStart <= 0 || layout_.yScale == 0 || distance == 0)
        return;
    const double voltsPerDiv = store_.triggerOnChannel1 ? store_.voltsPerDiv1 : store_.voltsPerDiv2;
    Label2->setText(QString::number(distance / layout_.yScale * voltsPerDiv * 1000.0, 'f', 3) + QStringLiteral("mV"));
}

} // namespace korvanta
