#pragma once
// The main window's sections of the settings file: MAIN, EICH, VOLUME, FFT,
// WOB, OSZI and DIAGRAMM. Reading fills plain records (the main window's own
// fields, the analyzer state, the sweep and oscilloscope records) with the
// value of every key or its fallback; writing puts every key back in a fixed
// order. Keys and sections of other owners in the same file stay untouched.
//
// The records are plain so that reading and writing are tested without a
// window; the main window applies the side effects (device selection,
// correction files, window placement).

#include <QString>
#include <QLocale>
#include <cstdint>

namespace korvanta {

class ProfileStore;
struct AnalyzerState;
struct SweepSettings;
struct OscilloscopeSettings;

// The main window's persistent fields and the window placement it restores.
struct MainWindowSettings {
    int32_t ActivePageIndex = 0;   // 0 analyzer, 1 generator and sweep, 2 oscilloscope
    int32_t InDev = 0;             // input device slot 0 .. 2
    int32_t OutDev = 0;            // output device slot 0 .. 2
    QString InDevName;             // what names the input device (its ALSA PCM), so a
    QString OutDevName;            // reordered device list still finds it; empty: by index
    char Language = 'D';           // 'D' German, 'E' English; any other letter is kept as read
    QString InCoName;              // input correction file
    QString OutCoName;             // output correction file
    bool InCoAkt = false;          // input correction active
    bool OutCoAkt = false;         // output correction active
    int32_t MainLeft = 200;
    int32_t MainTop = 200;
    int32_t FgVolume = 20;         // output (master) volume, percent
    int32_t FgInVolume = 100;      // input volume, percent
    int32_t AudioInChannel = 0;    // mixer input line
    int32_t DiaWidth = 450;        // diagram window placement
    int32_t DiaHeight = 320;
    int32_t DiaLeft = 0;
    int32_t DiaTop = 0;
    // Whether the file held the main window's and the diagram window's
    // place; without it they are laid out side by side on the screen.
    bool MainPlaced = false;
    bool DiaPlaced = false;
};

// Everything the main window's sections hold, by reference.
struct SettingsRecords {
    MainWindowSettings& main;
    AnalyzerState& analyzer;
    SweepSettings& sweep;
    OscilloscopeSettings& scope;
};

// Fills every field that has a key from the store: the stored value when it
// is valid, else the key's fallback. Fields without a key are left alone.
// A file without a stored language takes it from `systemLocale` (a locale
// name such as "de_DE"), and its comments start in that language. With an
// empty locale every missing key keeps its fixed default.
void ReadMainSettings(const ProfileStore& store, const SettingsRecords& records,
                      const QString& systemLocale = QLocale::system().name());

// 'D' for a German locale name ("de", "de_AT", ...), else 'E'.
char LanguageForLocale(const QString& localeName);

// Writes every key, section by section, into the store (not to disk).
void WriteMainSettings(ProfileStore& store, const SettingsRecords& records);

// Diagram window size limits applied when the window is placed.
inline constexpr int kDiaMinWidth = 180;
inline constexpr int kDiaMaxWidth = 1024;
inline constexpr int kDiaMinHeight = 140;
inline constexpr int kDiaMaxHeight = 768;

} // namespace korvanta
