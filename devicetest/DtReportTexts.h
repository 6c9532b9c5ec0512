#pragma once
// The words of the device test's reports in both languages: the figures'
// names, the header's labels, the conventions the figures follow, and the
// number formats the reports print. Shared by the HTML page, the PDF and
// the comparison, so a figure reads the same wherever it appears.

#include "devicetest/DeviceTestResult.h"
#include "platform/LanguageTexts.h"

#include <QString>
#include <QStringList>

namespace korvanta {

namespace dtwords {
inline constexpr Words kTitle{"Gerätetest", "Device test"};
inline constexpr Words kSelfTestTitle{"Gerätetest: Selbsttest der Soundkarte", "Device test: self-test of the sound card"};
inline constexpr Words kComparisonTitle{"Gerätetest: Vergleich", "Device test: comparison"};
inline constexpr Words kLimitedByCard{"durch die Soundkarte begrenzt", "limited by the sound card"};
inline constexpr Words kIncomplete{
    "Der Gerätetest ist nicht vollständig, daher wird kein Bericht geschrieben",
    "The device test is not complete, so no report is written"};
inline constexpr Words kHeaderHeading{"Wovon die Werte abhängen", "What the figures depend on"};
inline constexpr Words kConventionsHeading{"Konventionen", "Conventions"};
inline constexpr Words kFiguresHeading{"Messwerte", "Figures"};
inline constexpr Words kNotesHeading{"Anmerkungen", "Notes"};
inline constexpr Words kPlotsHeading{"Diagramme", "Plots"};
inline constexpr Words kInput{"Eingang", "Input"};
inline constexpr Words kOutput{"Ausgang", "Output"};
inline constexpr Words kRate{"Abtastrate", "Sample rate"};
inline constexpr Words kWidth{"Auflösung Eingang / Ausgang", "Width input / output"};
inline constexpr Words kFinerThanBits{"der Eingang lieferte feinere Stufen: sein Weg trägt mehr als %1 bit",
                                      "the input delivered finer steps: its path carries more than %1 bits"};
inline constexpr Words kMixer{"Mixer Eingang / Ausgang", "Mixer input / output"};
inline constexpr Words kCalibration{"Kalibrierung", "Calibration"};
inline constexpr Words kDate{"Datum", "Date"};
inline constexpr Words kVersion{"Programmversion", "Program version"};
inline constexpr Words kNote{"Prüfling", "Device under test"};
inline constexpr Words kKind{"Art", "Kind"};
inline constexpr Words kSelfTest{"Selbsttest mit Kabel (Referenz der Karte)", "Self-test with a cable (the card's reference)"};
inline constexpr Words kDeviceRun{"Messung eines Geräts", "Measurement of a device"};
inline constexpr Words kUnknown{"unbekannt", "unknown"};
inline constexpr Words kFigure{"Messgröße", "Figure"};
inline constexpr Words kChannel{"Kanal", "Channel"};
inline constexpr Words kValue{"Wert", "Value"};
inline constexpr Words kVolts{"Volt", "Volts"};
inline constexpr Words kReference{"Referenz der Karte", "Card's reference"};
inline constexpr Words kRemark{"Hinweis", "Remark"};
inline constexpr Words kNotMeasured{"nicht gemessen", "not measured"};
inline constexpr Words kDifference{"Differenz", "Difference"};
inline constexpr Words kFirst{"Bericht A", "Report A"};
inline constexpr Words kSecond{"Bericht B", "Report B"};
inline constexpr Words kMissing{"fehlt", "missing"};
inline constexpr Words kOtherUnit{"andere Einheit", "other unit"};
} // namespace dtwords

// The figure's name for the report ("THD+N", "Übersprechen 1 kHz").
QString DtFigureName(const QString& id, char letter);

// The channel as a heading ("Links", "L → R").
QString DtChannelName(DtChannel channel, char letter);

// The conventions every figure follows, one line each, with the band of
// this run.
QStringList DtConventionLines(const DtHeader& header, char letter);

// The header's rows: label and value, user texts as they were typed.
QList<QPair<QString, QString>> DtHeaderRows(const DtHeader& header, char letter);

// A value in the digits the reports print for its unit: dB to 2 decimals,
// percent to 3 significant digits, frequencies to 1 Hz (0.1 Hz below 100);
// empty for a value that was not measured.
QString DtNumberText(double value, const QString& unit);

// RMS volts with a prefix ("1.23 mV"), 3 significant digits.
QString DtVoltsText(double volts);

// The figure's value with its unit, or "not measured".
QString DtValueText(const DtFigure& figure, char letter);

// The remark of a figure: the card's flag, then its own note.
QString DtRemarkText(const DtFigure& figure, char letter);

// A stored calibration text as a report in `letter` shows it: the files
// keep the English words (a reference compares them), the German report
// says them in German. A text of another form is shown as it is.
QString DtCalibrationShown(const QString& stored, char letter);

} // namespace korvanta
