#pragma once
// One measuring process per device. Two processes that play on one output,
// or record from one input, hear each other's signal and both report a
// wrong reading as a good one; so korvanta-measure holds a lock file per
// device and direction while it uses the device, and a second process is
// refused with a message instead.
//
// The files live in the user's runtime folder ($XDG_RUNTIME_DIR/korvanta,
// or /tmp/korvanta-<uid> where that is not set) and name the device by what
// names it for good (its ALSA name). A lock of a process that died is
// taken over (QLockFile checks that its process still runs), so a killed
// run never blocks the next one. Devices of the virtual card are never
// locked: each process has a card of its own.
//
// GUI thread only.

#include <QString>
#include <memory>
#include <vector>

class QLockFile;

namespace korvanta {

class DeviceLocks {
public:
    DeviceLocks();
    ~DeviceLocks();
    DeviceLocks(const DeviceLocks&) = delete;
    DeviceLocks& operator=(const DeviceLocks&) = delete;

    // Takes the lock of the input ('I') or output ('O') device `id`, shown
    // to the user as `name`. Returns an error text when another process
    // holds it or no lock can be made; nothing is held then.
    QString acquire(char kind, const QString& id, const QString& name);

    // Releases every lock held.
    void release();

private:
    std::vector<std::unique_ptr<QLockFile>> held_;
};

// The folder of the lock files, created (mode 0700) when missing. Empty,
// with `error` set, when there is no folder of this user's to use.
QString DeviceLockFolder(QString& error);

// The lock file's name for a device: the direction and the device's name
// with every character outside [A-Za-z0-9._-] written as %XX.
QString DeviceLockFileName(char kind, const QString& id);

} // namespace korvanta
