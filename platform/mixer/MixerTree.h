#pragma once
// A mixer's structure as plain data: destinations with their controls and
// source lines. Controls live in one table and lines refer to them by ID, so
// one control may serve several lines (a card whose capture sources share
// one "Capture" volume). IDs are small integers in tree order.
//
// TreeMixer answers the device queries from such a tree and keeps the
// values in it; the virtual card's mixer is one, tests build their own, and
// the ALSA mixer reuses it with its values read from and written to ALSA.

#include "platform/mixer/MixerDevice.h"

#include <QStringList>

namespace korvanta {

struct TreeControl {
    MixerControl desc;
    QStringList itemNames;            // list controls: one per item
    std::vector<uint32_t> itemLines;  // line ID each item stands for (0: none)
    std::vector<int32_t> values;      // one per item, or one
};

struct TreeLine {
    MixerLine desc;
    std::vector<uint32_t> controlIds;
    std::vector<TreeLine> sources;
};

struct MixerTree {
    MixerCaps caps;
    std::vector<TreeControl> controls;  // ID n is controls[n - 1]
    std::vector<TreeLine> destinations;

    // Adds a control and returns its ID.
    uint32_t addControl(uint32_t type, const QString& name, int32_t value);
    uint32_t addListControl(uint32_t type, const QString& name, const QStringList& items,
                            const std::vector<int32_t>& values);
    TreeControl* control(uint32_t id);
    const TreeControl* control(uint32_t id) const;

    // Fills line IDs, indexes, counts and flags from the structure. Call
    // once the lines are in place.
    void finish();
};

// A line to put into a tree.
TreeLine MakeLine(uint32_t componentType, const QString& name, std::vector<uint32_t> controlIds = {},
                  bool active = true);

class TreeMixer : public MixerDevice {
public:
    explicit TreeMixer(MixerTree tree) : tree_(std::move(tree)) {}

    int getDevCaps(MixerCaps& caps) override;
    int getLineInfoDestination(uint32_t destination, MixerLine& line) override;
    int getLineInfoSource(uint32_t destination, uint32_t source, MixerLine& line) override;
    int getLineControls(uint32_t lineId, uint32_t count, std::vector<MixerControl>& controls) override;
    int getControlValues(uint32_t controlId, uint32_t count, int32_t* values) override;
    int getListTexts(uint32_t controlId, uint32_t count, std::vector<MixerListText>& texts) override;
    int setControlValues(uint32_t controlId, uint32_t count, const int32_t* values) override;

    // What another program does: sets the values and raises the change
    // notification, as a desktop mixer would.
    int changeFromOutside(uint32_t controlId, const std::vector<int32_t>& values);

    const MixerTree& tree() const { return tree_; }
    // Number of writes the program made, per control (for tests).
    int writeCount(uint32_t controlId) const;

protected:
    // The values of a control were written (by the program or from
    // outside); the tree already holds them.
    virtual void valuesChanged(const TreeControl&) {}
    // Backends with real hardware read and write there instead.
    virtual int readValues(TreeControl& control);
    virtual int writeValues(TreeControl& control, const int32_t* values);

    MixerTree tree_;
    // A device whose own change events report the program's writes too
    // (ALSA) does not raise them a second time.
    bool notifyOwnWrites_ = true;

private:
    const TreeLine* findLine(uint32_t lineId) const;
    std::vector<int> writes_;
};

} // namespace korvanta
