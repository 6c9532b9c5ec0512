#include "cli/DeviceTestText.h"

#include "devicetest/DtMaxLevel.h"
#include "devicetest/DtReportTexts.h"
#include "devicetest/DtScreenRows.h"

#include <algorithm>
#include <vector>

namespace korvanta {

namespace {

constexpr Words kProgress{"Schritt %1 von etwa %2: %3, noch %4", "step %1 of about %2: %3, %4 left"};
constexpr Words kCardLimits{"* durch die Soundkarte begrenzt: höchstens 3 dB über ihrem eigenen Wert",
                            "* limited by the sound card: within 3 dB of its own value"};
constexpr Words kPass{"BESTANDEN", "PASS"};
constexpr Words kFail{"NICHT BESTANDEN", "FAIL"};
const QString kDirections = QStringLiteral(" (L → R | R → L)");

// One line of the table: a figure's name and its value in each column.
struct Row {
    QString id;
    QString name;
    QString cells[2];
};

int columnOf(DtChannel c) { return c == DtChannel::Right || c == DtChannel::RightToLeft ? 1 : 0; }

// The note's number, given in the order the notes first appear.
int noteNumber(QStringList& notes, const QString& note)
{
    qsizetype at = notes.indexOf(note);
    if (at < 0) {
        notes << note;
        at = notes.size() - 1;
    }
    return int(at) + 1;
}

QString cellText(const DtFigure& f, QStringList& notes, char letter)
{
    QString t = DtValueText(f, letter);
    if (f.limitedByCard)
        t += QLatin1Char('*');
    if (!f.note.isEmpty())
        t += QStringLiteral(" [%1]").arg(noteNumber(notes, f.note));
    return t;
}

std::vector<Row> tableRows(const DeviceTestResult& r, QStringList& notes, char letter)
{
    std::vector<Row> rows;
    for (const DtFigure& f : r.figures) {
        auto row = std::find_if(rows.begin(), rows.end(), [&](const Row& x) { return x.id == f.id; });
        if (row == rows.end()) {
            const bool crossing = f.channel == DtChannel::LeftToRight || f.channel == DtChannel::RightToLeft;
            rows.push_back({f.id, DtFigureName(f.id, letter) + (crossing ? QString(kDirections) : QString()), {}});
            row = rows.end() - 1;
        }
        row->cells[columnOf(f.channel)] = cellText(f, notes, letter);
    }
    return rows;
}

QString padded(const QString& s, qsizetype width) { return s + QString(std::max<qsizetype>(0, width - s.size()), QLatin1Char(' ')); }

QString table(const std::vector<Row>& rows, char letter)
{
    const QString heads[3] = {Pick(letter, dtwords::kFigure), DtChannelName(DtChannel::Left, letter),
                              DtChannelName(DtChannel::Right, letter)};
    qsizetype width[2] = {heads[0].size(), heads[1].size()};
    for (const Row& r : rows) {
        width[0] = std::max(width[0], r.name.size());
        width[1] = std::max(width[1], r.cells[0].size());
    }
    auto line = [&](const QString& a, const QString& b, const QString& c) {
        return (padded(a, width[0] + 2) + padded(b, width[1] + 2) + c).trimmed() + QLatin1Char('\n');
    };
    QString t = line(heads[0], heads[1], heads[2]);
    for (const Row& r : rows)
        t += line(r.name, r.cells[0], r.cells[1]);
    return t;
}

QString header(const DtHeader& h, char letter)
{
    QString t = Pick(letter, h.selfTest ? dtwords::kSelfTestTitle : dtwords::kTitle) + QLatin1Char('\n');
    for (const auto& [label, value] : DtHeaderRows(h, letter))
        if (!value.isEmpty())
            t += QStringLiteral("%1: %2\n").arg(label, value);
    return t;
}

} // namespace

int DtExpectedSteps(const DtPlan& plan)
{
    // The search begins at its first step's level and adds the others.
    const auto search = std::find_if(plan.steps.begin(), plan.steps.end(),
                                     [](const DtStep& s) { return s.kind == DtStepKind::MaxLevel; });
    if (search == plan.steps.end())
        return int(plan.steps.size());
    const auto searching = std::count_if(plan.steps.begin(), plan.steps.end(),
                                         [](const DtStep& s) { return s.kind == DtStepKind::MaxLevel; });
    return int(plan.steps.size() - searching) + DtMaxLevelStepsToFullScale(search->levelDb);
}

QString DtProgressLine(int index, const DtStep& step, const RunEstimate& estimate, int expected, char letter)
{
    const int planned = estimate.Steps();
    const int total = std::max({expected, planned, index + 1});
    // The steps the plan does not hold yet last as long as its last one.
    const int lastMs = estimate.stepMs.empty() ? 0 : estimate.stepMs.back();
    const int leftMs = TimeLeftMs(estimate, index) + std::max(0, total - planned) * lastMs;
    return Pick(letter, kProgress).arg(index + 1).arg(total).arg(DtStepText(step, letter), DurationText(leftMs));
}

QString DtSummaryText(const DeviceTestResult& result, const DtVerdict& verdict, char letter)
{
    QStringList notes;
    const std::vector<Row> rows = tableRows(result, notes, letter);
    QString t = header(result.header, letter) + QLatin1Char('\n') + table(rows, letter);
    const bool anyLimited = std::any_of(result.figures.begin(), result.figures.end(),
                                        [](const DtFigure& f) { return f.limitedByCard; });
    if (anyLimited || !notes.isEmpty())
        t += QLatin1Char('\n');
    if (anyLimited)
        t += Pick(letter, kCardLimits) + QLatin1Char('\n');
    for (qsizetype i = 0; i < notes.size(); ++i)
        t += QStringLiteral("[%1] %2\n").arg(i + 1).arg(notes[i]);
    if (verdict.checked)
        t += QLatin1Char('\n') + Pick(letter, verdict.Pass() ? kPass : kFail) + QLatin1Char('\n');
    return t;
}

} // namespace korvanta
