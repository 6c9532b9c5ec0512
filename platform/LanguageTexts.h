#pragma once
// Texts that exist in both languages and are not part of one window's own
// table: captions that once showed the other language's words, the reasons
// a grey item gives in its tooltip, the hints that say what a control does
// and the advice that error boxes add to a device failure. Plain data, read
// by the windows when they set their language.
//
// Every pair is listed in AllWords(), so a check can hold what a window
// shows against both languages.

#include <QString>
#include <span>

namespace korvanta {

struct Words {
    const char* de;
    const char* en;
};

// The text of `letter` ('E' English, anything else German).
inline QString Pick(char letter, const Words& w) { return QString::fromUtf8(letter == 'E' ? w.en : w.de); }

namespace words {

// Captions that were shown in one language only.
inline constexpr Words kFftWindow{" FFT-Fenster ", " FFT-Window "};
inline constexpr Words kInputSamples{" Eingangssignal ", " Input samples "};
inline constexpr Words kSweepGroup{"Wobbeln", "Sweep"};
inline constexpr Words kLevelReadout{"Pegel L R ", "Level L R "};
inline constexpr Words kCancel{"Abbruch", "Cancel"};
inline constexpr Words kHelp{"Hilfe", "Help"};
inline constexpr Words kSine{"Sinus", "Sine"};
inline constexpr Words kMaxMeasuring{"max. Messung", "max. measuring"};
inline constexpr Words kMvRms{"mV eff", "mV rms"};
inline constexpr Words kCredit{"Soundkarten-Audioanalysator", "sound card audio analyzer"};
inline constexpr Words kCommentDefault{"Bemerkung:", "remark:"};

// On screen in the diagram window: where its options are.
inline constexpr Words kDiagramHint{"Rechtsklick: Diagrammoptionen", "Right click: diagram options"};

// Why an item is grey.
inline constexpr Words kWhyScopePage{"nicht auf der Oszilloskop-Seite: das Oszilloskop hat ein eigenes Fenster",
                                     "not on the oscilloscope page: the oscilloscope has its own window"};
inline constexpr Words kWhyNoDiagram{"erst wenn das Diagrammfenster da ist", "only once the diagram window exists"};
inline constexpr Words kWhyMemoryEmpty{"dieser Speicher ist leer: erst eine Kurve speichern",
                                       "this memory is empty: store a curve first"};
inline constexpr Words kWhyNoMixer{"kein Mixer gefunden", "no mixer found"};
inline constexpr Words kWhyMixerOff{"nur mit Mixer Support ON", "only with Mixer Support ON"};
inline constexpr Words kWhyAnalyzerPage{"nur auf der Spektrumanalyser-Seite", "only on the analyzer page"};
inline constexpr Words kWhyNoGenerator{"erst wenn das Generatorfenster da ist", "only once the generator window exists"};
inline constexpr Words kWhyRunning{"nicht während einer Messung: erst STOP", "not while a measurement runs: STOP first"};

// What to do after a device failure.
inline constexpr Words kAdviceServer{
    "Ursache: der Soundserver antwortet nicht. Abhilfe: ihn starten, dann Einstellungen > Reset Soundsystem",
    "Cause: the sound server does not answer. What to do: start it, then Options > Reset Soundsystem"};
inline constexpr Words kAdviceBusy{
    "Ursache: das Gerät ist belegt. Abhilfe: das andere Programm beenden oder ein anderes Gerät wählen",
    "Cause: the device is busy. What to do: close the other program or choose another device"};
inline constexpr Words kAdviceFormat{
    "Ursache: das Gerät kann dieses Format nicht. Abhilfe: Audio-Parameter ändern oder ein anderes Gerät wählen",
    "Cause: the device cannot take this format. What to do: change the audio parameters or choose another device"};
inline constexpr Words kAdviceGone{
    "Ursache: das Gerät ist nicht (mehr) da. Abhilfe: anschließen, dann Einstellungen > Reset Soundsystem",
    "Cause: the device is not (or no longer) there. What to do: connect it, then Options > Reset Soundsystem"};
inline constexpr Words kAdviceStart{
    "Abhilfe: Soundserver und Soundkarte prüfen, dann das Programm neu starten",
    "What to do: check the sound server and the sound card, then start the program again"};
inline constexpr Words kAdviceOther{
    "Abhilfe: Gerät und Kabel prüfen, dann Einstellungen > Reset Soundsystem",
    "What to do: check the device and its cable, then Options > Reset Soundsystem"};

// Captions of the forms that read alike in both languages, as the manual
// and the messages quote them: the generator's forms and its "User", the
// calibration's "Begin", "End" and "under".
inline constexpr const char* kSameInBothLanguages[] = {"white", "pink", "User", "Begin", "End", "under"};

} // namespace words

// Every pair above.
std::span<const Words> AllWords();

} // namespace korvanta
