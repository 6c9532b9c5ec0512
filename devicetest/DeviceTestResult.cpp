#include "devicetest/DeviceTestResult.h"

#include <array>
#include <utility>

namespace korvanta {

namespace {
const std::array<std::pair<DtChannel, const char*>, 5> kChannelKeys{{
    {DtChannel::Left, "L"},
    {DtChannel::Right, "R"},
    {DtChannel::LeftToRight, "L>R"},
    {DtChannel::RightToLeft, "R>L"},
    {DtChannel::Both, "L-R"},
}};
} // namespace

QString DtChannelKey(DtChannel channel)
{
    for (const auto& [c, key] : kChannelKeys)
        if (c == channel) return QString::fromLatin1(key);
    return {};
}

QString DtNoteLine(const QString& typed)
{
    return QString(typed).replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' ')).left(kDtNoteMaxLength);
}

bool DtChannelFromKey(const QString& key, DtChannel& channel)
{
    for (const auto& [c, k] : kChannelKeys)
        if (key == QLatin1String(k)) {
            channel = c;
            return true;
        }
    return false;
}

} // namespace korvanta
