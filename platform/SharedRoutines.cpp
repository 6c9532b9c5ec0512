#include "platform/SharedRoutines.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QPainter>
#include <QThread>

#include <atomic>
#include <cmath>

namespace korvanta {

namespace {
std::atomic<uint32_t> g_tickOffset{0};

QElapsedTimer& monotonicClock()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock;
}
} // namespace

QString ProgramDir()
{
    const QString exe = QCoreApplication::instance()
                            ? QCoreApplication::applicationFilePath()
                            : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    QString dir = QFileInfo(exe).absolutePath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir.left(255);
}

void PumpOneMessage()
{
    // Qt has no "take exactly one message"; one processEvents() round is the
    // closest equivalent: it dispatches what is pending now, and events
    // posted by those handlers wait for the next round.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

uint32_t TickCount()
{
    const auto ms = static_cast<uint64_t>(monotonicClock().elapsed());
    return static_cast<uint32_t>(ms) + g_tickOffset.load(std::memory_order_relaxed);
}

void DelayMs(uint32_t ms)
{
    // The tick has millisecond granularity: the wait may start late in a
    // tick, so one extra tick guarantees at least `ms` of real time.
    const uint32_t start = TickCount();
    while (static_cast<uint32_t>(TickCount() - start) <= ms) {
        PumpOneMessage();
        // Yield the core briefly: a pure spin would starve the audio threads
        // on small machines without making the wait any more exact.
        QThread::usleep(200);
    }
}

double Log10(double x) { return std::log(x) / std::log(10.0); }

double Pow10(double x) { return std::pow(10.0, x); }

float LogStep(int a, int b, int c, int d)
{
    if (c == 0 || a == 0)
        return 333.0f;
    const double ratio = static_cast<double>(b) / a;
    return static_cast<float>(a * std::pow(ratio, static_cast<double>(d) / c));
}

void TextOutRotated(QPainter& canvas, int x, int y, int angleDeg, const QString& text)
{
    canvas.save();
    QFont f = canvas.font();
    QFont rotated(f.family());
    if (f.pixelSize() > 0)
        rotated.setPixelSize(f.pixelSize());
    else
        rotated.setPointSizeF(f.pointSizeF());
    rotated.setItalic(f.italic());
    rotated.setWeight(f.bold() ? QFont::Bold : QFont::Medium);
    rotated.setStyleHint(QFont::SansSerif);
    canvas.setFont(rotated);
    canvas.setBackgroundMode(Qt::TransparentMode);
    canvas.translate(x, y);
    canvas.rotate(-angleDeg);
    const QFontMetrics fm(rotated);
    canvas.drawText(0, fm.ascent(), text);
    canvas.restore();
}

namespace testing_hooks {
void SetTickOffset(uint32_t offset) { g_tickOffset.store(offset, std::memory_order_relaxed); }
} // namespace testing_hooks

} // namespace korvanta
