#include "cli/Commands.h"

#include "cli/MeasureReport.h"
#include "audio/Soundd3.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace korvanta {

RunContext CurrentContext(const QString& command, bool input, bool output)
{
    RunContext ctx;
    ctx.command = command;
    int inRate = 0, outRate = 0, inBits = 0, outBits = 0;
    GetSampleRates(inRate, outRate);
    GetBits(inBits, outBits);
    if (input)
        ctx.input = DeviceFormat{DeviceName('I', GetInDevice()), inRate, inBits};
    if (output)
        ctx.output = DeviceFormat{DeviceName('O', GetOutDevice()), outRate, outBits};
    return ctx;
}

Progress::Progress(bool quiet) : on_(!quiet && isatty(fileno(stderr))) {}

Progress::~Progress()
{
    if (shown_)
        std::fputs("\r\033[K", stderr);
}

void Progress::show(const QString& text)
{
    if (!on_)
        return;
    std::fprintf(stderr, "\r\033[K%s", qPrintable(text));
    std::fflush(stderr);
    shown_ = true;
}

void ExitIfTimingStartUp()
{
    if (!qEnvironmentVariableIsSet("KORVANTA_EXIT_AT_FIRST_RECORD"))
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("first-record %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fflush(stdout);
    // The shut-down is not part of the start-up.
    std::_Exit(0);
}

} // namespace korvanta
