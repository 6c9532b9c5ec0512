#pragma once
// The steps of a sweep whose recording clipped, as a line for the diagram:
// the level read-out says "Over n" for one step only, and the next step's
// read-out replaces it, so a clipped point would otherwise look like any
// other once the sweep has gone on. Plain data, no widget.

#include <QString>
#include <vector>

namespace korvanta {

class SweepClipMark {
public:
    // A new sweep begins: no point has clipped yet.
    void Clear() { frequencies_.clear(); }
    // The point at `frequency` was measured from a clipped recording.
    void Add(float frequency) { frequencies_.push_back(frequency); }
    bool Empty() const { return frequencies_.empty(); }

    // The line in language `letter` ('E' English, else German): the number
    // of clipped points and their frequencies, or the lowest and highest
    // when there are too many to list; empty when none clipped.
    QString Text(char letter) const;

private:
    std::vector<float> frequencies_;
};

// The info line `line` with the mark `shown` at its end replaced by
// `wanted`: what the user typed into the line stays before it. A line that
// does not end with `shown` (the user edited the mark) stays as it is.
QString ReplaceClipMark(const QString& line, const QString& shown, const QString& wanted);

} // namespace korvanta
