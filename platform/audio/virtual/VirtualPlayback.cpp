#include "VirtualPlayback.h"

int VirtualPlayback::start()
{
    card_.startLoop();
    return 0;
}

int VirtualPlayback::write(const uint8_t*, int frames, int) { return frames; }

void VirtualPlayback::stop() { card_.stopLoop(); }

int VirtualPlayback::close()
{
    card_.stopLoop();
    return 0;
}
