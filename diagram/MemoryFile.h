#pragma once
// The file that keeps the memory curves between runs. It lives beside the
// settings file ("krv14f.ini" -> "krv14f-memories.txt") and is replaced
// atomically at every change, so it is always either the old or the new
// content and a shutdown has nothing left to write.
//
// Format (UTF-8 text, LF line ends):
//   KORVANTA MEMORIES 1
//   MEMORY <slot 1-8>
//   NAME <text>            (may be empty)
//   UNIT <text>
//   RANGE <xmin> <xmax>
//   STORED <yyyy-MM-ddThh:mm:ss>
//   VISIBLE <0|1>
//   SCALES <one letter per curve: L left axis, R right axis>
//   POINTS <count>
//   <frequency> <value> ...     (count lines, numbers exact to the float)
//   END
// The reader takes the file whole or not at all, with the same bounds as
// the table reader (line length, file size, point count).

#include "diagram/MemoryCurve.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace korvanta {

// A further diagram's memories (tag "distortion") live in a file of their
// own beside it ("krv14f-distortion-memories.txt").
QString MemoryFilePath(const QString& settingsPath, const QString& diagramTag = QString());

QByteArray SerializeMemories(const MemoryBank& bank);

struct MemoryFileResult {
    MemoryBank bank;
    bool ok = true;
    int line = 0;          // first bad line when not ok
    QString reason;        // what is wrong there (English, for the device log)
};
MemoryFileResult ParseMemories(QIODevice& in);

// The memories of the program: read once, written whole after every change.
class MemoryStore {
public:
    explicit MemoryStore(QString path);

    // Reads the file. A missing file gives eight empty memories. A file that
    // cannot be read is moved aside to "<file>.damaged-<date>" (so the next write
    // cannot destroy what a user may still rescue) and noted in the device
    // log; the memories then start empty. A path that is no regular file (a
    // pipe, a device, a folder) is only noted and left where it is.
    void load();

    const MemoryBank& bank() const { return bank_; }
    const MemoryCurve& at(int slot) const { return bank_[size_t(slot)]; }
    const QString& path() const { return path_; }

    // Each change is written at once; false when the file could not be
    // written (the change is kept for this run).
    bool set(int slot, MemoryCurve curve);
    bool remove(int slot);
    bool rename(int slot, const QString& name);
    bool setVisible(int slot, bool visible);
    bool hideAll();

private:
    bool write() const;

    QString path_;
    MemoryBank bank_;
};

} // namespace korvanta
