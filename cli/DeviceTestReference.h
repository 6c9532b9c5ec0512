#pragma once
// Which self-test a device test is compared with, and whether one may be
// stored, decided before the run: a reference that cannot be used, or a
// stored one that --store-reference would silently keep, ends the command
// before a minute of measuring rather than after it.

#include "devicetest/DeviceTestResult.h"
#include "devicetest/DtReference.h"

#include <QString>
#include <optional>

namespace korvanta {

struct DtReferenceChoice {
    std::optional<DeviceTestResult> reference;
    QString error;   // the run must not start (bad usage)
    QString warning; // said on standard error; the run goes on without it
};

// The file given (`file` not empty) must be a complete self-test of `key`;
// each fault is named with the file. Without a file the stored reference of
// `key` is used where there is one; a stored file that cannot be used is a
// warning, since it is no option the user typed. A self-test is never
// compared with the stored reference it may replace.
DtReferenceChoice ChooseDtReference(const QString& file, bool selfTest, const DtCardKey& key,
                                    const DtReferenceStore& store);

// Empty when a self-test of `key` may be stored; otherwise why not: one is
// stored already and `replace` was not given (a command cannot ask), the
// stored file is a link that leads nowhere, or the file cannot be written
// there (the settings folder is read-only, a file stands where the folder
// of references belongs, a name too long).
QString DtStoreConflict(bool replace, const DtCardKey& key, const DtReferenceStore& store);

// The card and format as a message names them: "in → out, 48000 Hz, 24/16 bits".
QString DtCardKeyText(const DtCardKey& key);

} // namespace korvanta
