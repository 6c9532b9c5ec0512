#include "cli/OptionTexts.h"

#include <cstring>

namespace korvanta {

namespace {

struct Text {
    const char* name;
    const char* german;
};

const Text kOptions[] = {
    {"--input", "Eingangsgerät nach Nummer (wie `devices` sie auflistet), nach ALSA-Namen (hw:CARD=USB,DEV=0) oder "
                "Produktnamen"},
    {"--output", "Ausgangsgerät nach Nummer, ALSA-Namen oder Produktnamen (thdn, level, spectrum: für --play)"},
    {"--device", "Ein- und Ausgangsgerät zugleich"},
    {"--rate", "Abtastrate der Geräte (das Gerät muss sie genau nehmen)"},
    {"--width", "Auflösung: 8, 16 oder 24"},
    {"--virtual", "die virtuelle Loopback-Karte statt eines Soundgeräts"},
    {"--dut", "das Gerät unter Test der virtuellen Karte, wie KORVANTA_DUT es beschreibt (setzt --virtual)"},
    {"--settings", "Einstellungsdatei für Kalibrierung, Korrekturen und Vorgaben (wird nur gelesen)"},
    {"--csv", "durch Kommas getrennte Werte mit einer Kopfzeile"},
    {"--json", "ein JSON-Dokument (Schema Version 1, siehe README; devicetest: der ganze Bericht statt der "
               "Zusammenfassung)"},
    {"--out", "das Ergebnis nach FILE statt auf die Standardausgabe (devicetest: FILE.json, FILE.html oder FILE.pdf; "
              "ir: FILE.csv oder FILE.json der Bericht, FILE.wav die Impulsantwort, der Bericht dann auf der "
              "Standardausgabe)"},
    {"--quiet", "kein Fortschritt auf der Standardfehlerausgabe, auch nicht auf einem Terminal"},
    {"--fft", "FFT-Größe: 2048, 4096, 8192 oder 16384"},
    {"--window", "FFT-Fenster: none, hamming, hann, blackman, blackman-harris, flat-top, rife-vincent1..3"},
    {"--averages", "gemittelte Blöcke (Mittel der linearen Beträge), {range}"},
    {"--channels", "left, right oder both"},
    {"--unit", "Pegeleinheit: dBFS, dBV, dBu oder dBm (ab dBV nur kalibriert)"},
    {"--band", "Analyseband in ganzen Hz"},
    {"--weighting", "Bewertungskurve nach ihrem Namen, etwa \"A Weighting\", oder none"},
    {"--fundamental", "die Grundwelle in ganzen Hz, oder auto, um sie in jedem Spektrum zu suchen"},
    {"--threshold", "kleinster Pegel einer selbst gefundenen Grundwelle, dB unter Vollaussteuerung"},
    {"--max-thdn", "nicht bestanden, wenn THD+N eines gemessenen Kanals (distortion: eines Schritts bis --up-to-watts; "
                   "devicetest: beim Bezugspegel) über DB liegt"},
    {"--min-level", "nicht bestanden, wenn der Pegel eines gemessenen Kanals unter DB liegt"},
    {"--max-level", "nicht bestanden, wenn der Pegel eines gemessenen Kanals über DB liegt"},
    {"--from", "erste Frequenz, {range} Hz"},
    {"--to", "letzte Frequenz, {range} Hz"},
    {"--steps", "Anzahl der Schritte, {range} (N + 1 Punkte)"},
    {"--linear", "lineare Frequenzschritte"},
    {"--log", "logarithmische Frequenzschritte"},
    {"--mode", "left-ref, right-ref (Verstärkung gegen den anderen Kanal) oder stereo (absolute Pegel)"},
    {"--phase", "auch die Phase messen (Referenz-Modi)"},
    {"--play", "während der Messung einen Sinus von HZ auf dem Ausgang spielen, wie der Generator neben dem Analysator "
               "(Pegel: --level, --level-left, --level-right, sonst die des Generators), {range} Hz"},
    {"--level", "Ausgangspegel in dB unter Vollaussteuerung (generate, und thdn, level, spectrum mit --play: ganze dB "
                "oder off; distortion: eines Laufs über die Frequenz; devicetest: der Pegel von THD und IMD am "
                "Eingang, dBFS von -40 bis {highest}, Vorgabe -1; ir: die Spitze des Sweeps, Vorgabe -6)"},
    {"--settle", "Wartezeit zwischen Tonbeginn und Aufnahme, {range} ms (thdn, level, spectrum: für --play, Vorgabe "
                 "500)"},
    {"--tolerance", "nicht bestanden, wenn ein Punkt das Toleranzband in FILE verlässt oder kein Signal hat "
                    "(devicetest: der Frequenzgang, dB bezogen auf 1 kHz; ir: der Betrag jeder Linie im "
                    "gewobbelten Band, geglättet nach --smoothing)"},
    {"--signal", "sine, square, white oder pink"},
    {"--file", "stattdessen eine Wave-Datei in ihrer eigenen Rate als Schleife spielen"},
    {"--frequency", "Frequenz von Sinus und Rechteck (distortion: eines Laufs über den Pegel), {range} Hz"},
    {"--level-left", "Pegel des linken Kanals, ganze dB von -99 bis 0, oder off"},
    {"--level-right", "Pegel des rechten Kanals, ganze dB von -99 bis 0, oder off"},
    {"--phase-left", "Phase des linken Kanals in ganzen Grad, {range}"},
    {"--phase-right", "Phase des rechten Kanals in ganzen Grad, {range}"},
    {"--duration", "so lange spielen (Vorgabe: bis zur Unterbrechung)"},
    {"--over", "level (Schritte des gespielten Pegels) oder frequency (Schritte bei einem Pegel)"},
    {"--from-db", "erster Pegel eines Laufs über den Pegel, dB Vollaussteuerung, {range}"},
    {"--to-db", "letzter Pegel eines Laufs über den Pegel, dB Vollaussteuerung, {range}"},
    {"--linear-levels", "gleiche Spannungsschritte statt gleicher dB-Schritte"},
    {"--stop-thdn", "einen Lauf über den Pegel beenden, sobald THD+N PERCENT überschreitet (0: nie)"},
    {"--channel", "der Eingang, den der Verstärker speist (ir: der gemessene Eingang): left oder right"},
    {"--load", "Lastwiderstand für Watt, {range} Ohm"},
    {"--divider", "Teiler vor dem Eingang, etwa 10 für 10:1"},
    {"--up-to-watts", "--max-thdn gilt für die Schritte bis zu dieser Ausgangsleistung"},
    {"--min-clip-watts", "nicht bestanden, wenn THD+N 1 % unter dieser Ausgangsleistung erreicht"},
    {"--note", "das Gerät unter Test, wie der Kopf des Berichts es nennt"},
    {"--self-test", "ein einfaches Kabel vom Ausgang zum Eingang: der Lauf zeigt, was die Karte selbst kann, und ist so "
                    "markiert"},
    {"--store-reference", "den Selbsttest als Referenz dieser Karte und dieses Formats behalten, in einem Ordner neben "
                          "der Einstellungsdatei"},
    {"--replace", "--store-reference darf die zuvor gespeicherte Referenz ersetzen"},
    {"--reference", "mit dem Selbsttest in FILE vergleichen (ein JSON-Bericht dieser Karte und dieses Formats) statt mit "
                    "dem gespeicherten (ir: WHICH, der Eingang, der die Referenz hört, left, right oder none; der "
                    "andere Eingang wird gemessen, die Antwort ist ihr Verhältnis)"},
    {"--min-dynamic-range", "nicht bestanden, wenn der Dynamikumfang (unbewertet) eines Kanals unter DB liegt"},
    {"--max-crosstalk", "nicht bestanden, wenn das Übersprechen in einer Richtung bei 100 Hz, 1 kHz oder 10 kHz über DB "
                        "liegt"},
    {"--max-channel-match", "nicht bestanden, wenn sich die Verstärkung der beiden Kanäle bei 1 kHz oder 10 kHz um mehr "
                            "als DB unterscheidet"},
    {"--max-noise", "nicht bestanden, wenn der Rauschpegel (unbewertet) eines Kanals über DBFS liegt"},
    {"--max-imd", "nicht bestanden, wenn IMD SMPTE, CCIF d2 oder CCIF d3 eines Kanals über DB liegt"},
    {"--seconds", "Länge des Sweeps, {range} s (Vorgabe 1)"},
    {"--tail", "Stille nach jedem Sweep für Latenz und Ausklingen, {range} s (Vorgabe 0.5)"},
    {"--count", "direkt nacheinander gespielte und gemittelte Sweeps, {range} (Vorgabe 1)"},
    {"--gate", "der Teil der Antwort, aus dem der Frequenzgang genommen wird: sein Beginn in ms ab der Spitze "
               "(negativ: davor) und seine Länge in ms (Vorgabe: die ganze Grundwelle)"},
    {"--smoothing", "Glättung über 1/N Oktave für die Spalte smoothed_db und --tolerance, {range}"},
};

const Text kCommands[] = {
    {"devices", "die Ein- und Ausgangsgeräte mit den Formaten, die sie nehmen"},
    {"spectrum", "das Spektrum aufnehmen und ausgeben: Frequenz und Pegel jeder Linie"},
    {"thdn", "THD+N jedes Kanals mit der gefundenen Grundwelle"},
    {"level", "Bandpegel jedes Kanals, wahlweise bewertet"},
    {"sweep", "Frequenzgang: Pegel (und Phase) bei jedem Schritt eines Sweeps"},
    {"generate", "ein Testsignal für eine Zeit oder bis zur Unterbrechung spielen"},
    {"distortion", "THD+N, THD, H2..H9, Verstärkung, Volt und Watt eines Verstärkers über Pegel oder Frequenz"},
    {"devicetest", "eine Soundkarte oder ein Gerät in einem Lauf: Frequenzgang, Rauschen, Dynamikumfang, THD+N, IMD, "
                   "Übersprechen, Kanalgleichheit und Maximalpegel, als Zusammenfassung je Kanal oder als Bericht in "
                   "JSON, HTML oder PDF"},
    {"ir", "Impulsantwort aus einem exponentiellen Sweep: Latenz, Polarität, Betrag, Phase und Gruppenlaufzeit jeder "
           "Linie, H2..H5 und THD über der Frequenz, die Antwort als Float-WAV-Datei"},
};

template <size_t N>
const char* find(const Text (&table)[N], const char* name)
{
    for (const Text& t : table)
        if (std::strcmp(t.name, name) == 0)
            return t.german;
    return nullptr;
}

} // namespace

const char* GermanOptionHelp(const char* option) { return find(kOptions, option); }

const char* GermanCommandSummary(const char* command) { return find(kCommands, command); }

} // namespace korvanta
