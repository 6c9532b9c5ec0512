#include "mixer/MixerGiveBack.h"

#include <cstddef>

namespace korvanta {

namespace {
constexpr int32_t kLeaveChannel = -1;

bool sameShape(const std::vector<int32_t>& found, const std::vector<int32_t>& afterWrite,
               const std::vector<int32_t>& now)
{
    return !found.empty() && found.size() == afterWrite.size() && found.size() == now.size();
}
} // namespace

std::vector<int32_t> ChannelsToGiveBack(const std::vector<int32_t>& found, const std::vector<int32_t>& afterWrite,
                                        const std::vector<int32_t>& now)
{
    if (!sameShape(found, afterWrite, now))
        return {};
    std::vector<int32_t> write(found.size(), kLeaveChannel);
    bool any = false;
    for (std::size_t ch = 0; ch < found.size(); ++ch)
        if (now[ch] == afterWrite[ch] && now[ch] != found[ch]) {
            write[ch] = found[ch];
            any = true;
        }
    return any ? write : std::vector<int32_t>{};
}

bool ItemsGoBack(const std::vector<int32_t>& found, const std::vector<int32_t>& afterWrite,
                 const std::vector<int32_t>& now)
{
    return sameShape(found, afterWrite, now) && now == afterWrite && now != found;
}

} // namespace korvanta
