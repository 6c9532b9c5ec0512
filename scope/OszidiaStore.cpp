#include "scope/OszidiaStore.h"

#include <QFile>
#include <algorithm>
#include <cerrno>

namespace korvanta {

namespace {
constexpr int kNoArrays = 1000;
constexpr int kUnknownIoError = 101;

QString fixed3(double v) { return QString::number(v, 'f', 3); }
} // namespace

int OszidiaStore::Setup(const QString& text, int n, bool log, float /*param*/, float x0, float x1, float y0, float y1)
{
    curve1_.clear();
    curve2_.clear();
    x_.clear();
    filled_ = 0;
    if (yMin == kUnsetRange && yMax == kUnsetRange) {
        yMin = y0;
        yMax = y1;
    }
    caption = text;
    xMin = x0;
    xMax = x1;
    logX = log;
    if (n <= 0)
        return 1;
    curve1_.assign(size_t(n), 0.0f);
    curve2_.assign(size_t(n), 0.0f);
    x_.assign(size_t(n), 0.0f);
    return 0;
}

int OszidiaStore::StorePoint(int j, bool trig1, float ypos2, float ypos1, float vdiv2, float vdiv1, float x, float y2,
                             float y1)
{
    if (j < 0 || j >= Count())
        return 1;
    curve1_[size_t(j)] = y1;
    curve2_[size_t(j)] = y2;
    x_[size_t(j)] = x;
    filled_ = std::max(filled_, j + 1);
    triggerOnChannel1 = trig1;
    yPosition1 = ypos1;
    yPosition2 = ypos2;
    voltsPerDiv1 = vdiv1;
    voltsPerDiv2 = vdiv2;
    return 0;
}

QString ScopeSeparator(const QString& typed)
{
    if (typed == QLatin1String("\\t"))
        return QStringLiteral("\t");
    if (typed == QLatin1String("\\n"))
        return QStringLiteral("\r\n");
    return typed;
}

int WriteScopeExport(const QString& path, const OszidiaStore& s, const QString& separator)
{
    if (!s.HasArrays())
        return kNoArrays;
    QFile f(path);
    errno = 0;
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return errno ? errno : kUnknownIoError;
    const QString sep = ScopeSeparator(separator);
    QString text;
    for (int i = 0; i < s.Count(); ++i) {
        const double ms = double(s.XValues()[size_t(i)]) * 1000.0;
        const double mv1 = (double(s.Curve1()[size_t(i)]) - s.yPosition1) * s.voltsPerDiv1 * 1000.0;
        const double mv2 = (double(s.Curve2()[size_t(i)]) - s.yPosition2) * s.voltsPerDiv2 * 1000.0;
        text += fixed3(ms) + sep + fixed3(mv1) + sep + fixed3(mv2) + QStringLiteral("\r\n");
    }
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        const int e = errno;
        return e ? e : kUnknownIoError;
    }
    f.close();
    return f.error() == QFileDevice::NoError ? 0 : kUnknownIoError;
}

} // namespace korvanta
