#include "platform/DeviceLog.h"

#include <QMutex>
#include <QMutexLocker>

namespace korvanta {

namespace devlog {
namespace {
QMutex& mutex()
{
    static QMutex m;
    return m;
}
QStringList& lines()
{
    static QStringList l;
    return l;
}
} // namespace

void Append(const QString& line)
{
    QMutexLocker lock(&mutex());
    lines().append(line);
}

QStringList Lines()
{
    QMutexLocker lock(&mutex());
    return lines();
}

void Clear()
{
    QMutexLocker lock(&mutex());
    lines().clear();
}
} // namespace devlog

} // namespace korvanta
