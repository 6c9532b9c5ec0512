#include "platform/LanguageTexts.h"

#include <array>

namespace korvanta {

std::span<const Words> AllWords()
{
    using namespace words;
    static constexpr std::array kAll{
        kFftWindow,     kInputSamples,   kSweepGroup,   kLevelReadout,  kCancel,        kHelp,
        kSine,          kMaxMeasuring,   kMvRms,        kCredit,        kCommentDefault, kDiagramHint,
        kWhyScopePage,  kWhyNoDiagram,   kWhyMemoryEmpty, kWhyNoMixer,  kWhyMixerOff,   kWhyRunning,    kWhyAnalyzerPage, kWhyNoGenerator,
        kAdviceServer,  kAdviceBusy,     kAdviceFormat, kAdviceGone,    kAdviceStart,  kAdviceOther,
    };
    return kAll;
}

} // namespace korvanta
