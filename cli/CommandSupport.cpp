#include "Commands.h"

#include "MeasureReport.h"
#include "Soundd3.h"

#include <cstdio>
#include <unistd.h>

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

bool ExitAtFirstRecord() { return qEnvironmentVariableIsSet("KORVANTA_EXIT_AT_FIRST_RECORD"); }
