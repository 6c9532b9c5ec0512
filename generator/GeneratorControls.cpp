#include "generator/GeneratorControls.h"

#include "correction/CorrectionTable.h"
#include "audio/GeneratorSettings.h"

#include <QFileInfo>
#include <cmath>
#include <cstdlib>

namespace korvanta {

float CoarseDown(float hz) { return hz - kCoarseStep > 1.0f ? hz - kCoarseStep : hz; }

float CoarseUp(float hz) { return hz + kCoarseStep <= kMaxGeneratorFrequency ? hz + kCoarseStep : hz; }

float FineDown(float hz) { return hz - kFineStep > 0.0f ? hz - kFineStep : hz; }

float FineUp(float hz) { return hz + kFineStep <= kMaxGeneratorFrequency ? hz + kFineStep : hz; }

std::optional<float> ParseFrequencyEntry(const QString& text)
{
    QString number = text;
    if (const int at = number.indexOf(QStringLiteral("Hz")); at >= 0)
        number.remove(at, 2);
    bool ok = false;
    const double value = number.trimmed().toDouble(&ok);
    if (!ok || !(value >= 1.0 && value <= kMaxGeneratorFrequency))
        return std::nullopt;
    return float(value);
}

std::optional<int> ParsePhase(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

int LevelOfPosition(int position) { return -position; }

int PositionOfLevel(int levelDb)
{
    if (levelDb > 0)
        return 0;
    if (levelDb < -kLevelSliderMax)
        return kLevelSliderMax;
    return -levelDb;
}

QString LevelLabel(int position)
{
    if (position >= kLevelSliderMax)
        return QStringLiteral("OFF");
    return QString::number(LevelOfPosition(position)) + QStringLiteral("dB");
}

FrequencyDisplay FrequencyDisplayFor(int mode, float hz, const QString& userFileName)
{
    switch (mode) {
    case 2: return {QStringLiteral("Noise"), false};
    case 3: return {QStringLiteral("Noise"), true};
    case 4: return {QFileInfo(userFileName).fileName(), false};
    default: return {QString::number(double(hz), 'f', 2) + QStringLiteral("Hz"), false};
    }
}

int CorrectedLevel(const CorrectionTable& outputCorrection, double hz, int levelDb)
{
    if (levelDb == GeneratorSettings::kLevelOff)
        return levelDb;
    // nearbyint rounds to nearest with ties to even in the default mode.
    return int(std::nearbyint(Correct(outputCorrection, 1, hz, double(levelDb))));
}

bool FollowsDock(QPoint current, QSize size, QPoint target, bool force)
{
    if (force)
        return true;
    return std::abs(current.x() - target.x()) <= size.width() && std::abs(current.y() - target.y()) <= size.height();
}

QString StartErrorText(char language, const QString& deviceText)
{
    const QString prefix = language == 'E' ? QStringLiteral("Error in frequency output (")
                                           : QStringLiteral("Fehler bei Frequenzausgabe (");
    return prefix + deviceText + QStringLiteral(" )");
}

const QString kUserFileFilter = QStringLiteral(
    "Wave File | *.wav | Sound File | *.wav *.flac *.ogg *.oga *.opus *.aif *.aiff *.aifc *.caf *.w64 *.rf64 "
    "*.au *.snd *.mp3 *.voc | * | *");

bool PlayableFrequency(int mode, double hz, int rate)
{
    constexpr int kSine = 0;
    constexpr int kSquare = 1;
    if (mode != kSine && mode != kSquare)
        return true;
    return hz < rate / 2.0;
}

QString AboveHalfRateText(char language, float hz, int rate)
{
    const QString f = QString::number(double(hz), 'f', 2);
    const QString half = QString::number(rate / 2.0, 'g', 10);
    if (language == 'E')
        return QStringLiteral("The frequency %1 Hz is not below half the sample rate (%2 Hz) and cannot be played. "
                              "Choose a lower frequency, or a higher sample rate under \"Opt.\".")
            .arg(f, half);
    return QStringLiteral("Die Frequenz %1 Hz liegt nicht unter der halben Samplefrequenz (%2 Hz) und kann nicht "
                          "gespielt werden. Wählen Sie eine kleinere Frequenz oder unter „Opt.“ eine höhere "
                          "Samplefrequenz.")
        .arg(f, half);
}

QString NoWaveFileText(char language)
{
    if (language == 'E')
        return QStringLiteral("No wave file is chosen. Choose one with the \"User\" button of the generator window.");
    return QStringLiteral("Es ist keine Wave-Datei gewählt. Wählen Sie eine mit der Taste „User“ im Generatorfenster.");
}

} // namespace korvanta
