#include "diagram/TextExport.h"

#include "diagram/DiaScale.h"

#include <QFile>
#include <cerrno>
#include <cmath>
#include <cstdio>

namespace korvanta {

namespace {
constexpr int WriteErrorCode = 101;   // used when the system reports no error number

int LastError() { return errno != 0 ? errno : WriteErrorCode; }

bool WriteText(std::FILE* f, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (!bytes.isEmpty() && std::fwrite(bytes.constData(), 1, bytes.size(), f) != size_t(bytes.size()))
        return false;
    return std::fflush(f) == 0;
}
} // namespace

QString TranslateSeparator(const QString& typed)
{
    QString s = typed;
    s.replace(QStringLiteral("\\t"), QStringLiteral("\t"));
    s.replace(QStringLiteral("\\n"), QStringLiteral("\r\n"));
    return s;
}

QStringList ExportFields(const DiaPointStore& points, int i, const DiagramOptions& opt, double xFactor)
{
    // Frequencies keep their two decimals; a scaled axis (watts from
    // microwatts) needs significant digits instead.
    const double x = points.frequencies()[i];
    QStringList fields{xFactor == 1.0 ? FixedText(x, 2) : QString::number(x * xFactor, 'g', 6)};
    if (opt.show1)
        fields << FixedText(points.curve1()[i], 2);
    if (opt.show2)
        fields << FixedText(points.curve2()[i], 2);
    if (opt.curve3Active())
        fields << FixedText(points.curve3()[i], 2);
    return fields;
}

bool ExportsPoint(const DiaPointStore& points, int i, const DiagramOptions& opt, double xmin, double xmax)
{
    const double f = points.frequencies()[i];
    // A point where a written curve has no value (a sweep step without
    // signal, a harmonic above half the sample rate) is left out, so the file
    // holds numbers only and loads back as a table or a memory curve.
    const bool valued = (!opt.show1 || std::isfinite(points.curve1()[i])) &&
                        (!opt.show2 || std::isfinite(points.curve2()[i])) &&
                        (!opt.curve3Active() || std::isfinite(points.curve3()[i]));
    return xmin <= f && f <= xmax && valued;
}

bool ExportsAnyPoint(const DiaPointStore& points, const DiagramOptions& opt, double xmin, double xmax)
{
    if (!opt.show1 && !opt.show2 && !opt.curve3Active())
        return false;
    for (int i = 0; i < points.count(); ++i)
        if (ExportsPoint(points, i, opt, xmin, xmax))
            return true;
    return false;
}

int WriteTextExport(const QString& path, const DiaPointStore& points, const DiagramOptions& opt, double xmin,
                    double xmax, const QString& separator, double xFactor)
{
    // An empty file would look like a saved measurement.
    if (!ExportsAnyPoint(points, opt, xmin, xmax))
        return NothingToExport;
    errno = 0;
    std::FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!f)
        return LastError();
    const QString sep = TranslateSeparator(separator);
    const QString lineEnd = QStringLiteral("\r\n");
    int result = 0;
    for (int i = 0; i < points.count() && result == 0; ++i) {
        if (!ExportsPoint(points, i, opt, xmin, xmax))
            continue;
        const QStringList fields = ExportFields(points, i, opt, xFactor);
        for (int k = 0; k < fields.size() && result == 0; ++k)
            if (!WriteText(f, (k > 0 ? sep : QString()) + fields[k]))
                result = LastError();
        if (result == 0 && !WriteText(f, lineEnd))
            result = LastError();
    }
    if (std::fclose(f) != 0 && result == 0)
        result = LastError();
    return result;
}

} // namespace korvanta
