#pragma once
// The settings file: a classic sectioned text file ("[SECTION]" lines
// followed by "KEY=value" lines) with the semantics the program's settings
// code relies on:
//  - section and key names compare case-insensitively; the first match wins;
//  - values are trimmed and one pair of surrounding quotes is removed;
//  - a value is cut to (buffer length - 1) characters when read;
//  - unknown sections, keys, comments and blank lines stay where they are
//    when the file is written; a missing file or section is created;
//  - CR LF and LF line ends are both read; bytes that are not valid UTF-8
//    are read as Windows-1252;
//  - every save replaces the file atomically (temporary file + rename), so
//    the file on disk is always either the old or the new one;
//  - a store that found the file present but could not read it never
//    replaces it: the sections it could not see would be lost;
//  - what is set reads back the same: a name or value that the file could
//    not hold as it is (a line break, which would start a line of its own)
//    is refused with a line in the device log, and a value with blanks or
//    quotes at its ends is written in quotes, which a read removes again.
//
// A ProfileStore holds the file's lines in memory; load() and save() touch
// the disk. The free functions below do one read or one atomic write per
// call. Use a ProfileStore directly to write many keys as one atomic step.
//
// At shutdown several windows write their own sections one after another.
// A settings transaction makes that one step: while it is open, save() keeps
// the new content in memory and load() of the same file sees it, and the
// commit replaces each file once. A kill before the commit leaves the old
// file, a kill after it the new one, never a mixture. A file that could not
// be written is handed back with its content, so that the user can be told
// and keep the settings elsewhere.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace korvanta {

// The largest settings file read: a thousand times what the program writes,
// and no more than a start may take.
inline constexpr qint64 kSettingsMaxBytes = 4 << 20;

class ProfileStore {
public:
    explicit ProfileStore(QString path);

    // Reads the file. Returns false when it is missing or unreadable; the
    // store is then empty (every read yields its default). Only a regular
    // file (or a link to one) of at most kSettingsMaxBytes is read; a pipe,
    // a device, a folder or a larger file is unreadable.
    bool load();
    // Why the last load() could not read a file that is there; empty when it
    // read one, or found none.
    const QString& readError() const { return readError_; }

    // Writes the file atomically (or, inside a settings transaction, hands
    // the content to it). Returns false (file unchanged) on failure, and
    // always after a load() that found the file but could not read it.
    bool save() const;

    QString value(const QString& section, const QString& key, const QString& defaultValue,
                  int bufferLength = 154) const;
    bool contains(const QString& section, const QString& key) const;

    // Sets the value; the file changes at save(). Returns false, changing
    // nothing, when the section or key name is not one the file can hold
    // (empty, blanks at its ends, a line break, or for a section "]" or
    // "=", for a key "=" or a start that reads as a section or comment), or
    // when the value holds a line break or is not valid text.
    bool setValue(const QString& section, const QString& key, const QString& value);
    void removeKey(const QString& section, const QString& key);

    const QString& path() const { return path_; }
    const QStringList& lines() const { return lines_; }

private:
    int findSection(const QString& section) const;            // index of the "[...]" line or -1
    int sectionEnd(int headerIndex) const;                     // first line after the section
    int findKey(int headerIndex, const QString& key) const;    // line index or -1

    QString path_;
    QStringList lines_;
    bool crlf_ = false;
    bool unreadable_ = false; // the file exists but the last load() could not read it
    QString readError_;       // why, in the system's words
};

// Opens the settings transaction (a second call while it is open does
// nothing). Every ProfileStore save() from now on is collected. A file that
// exists but cannot be read loads as an empty one inside the transaction:
// the sections saved to it are collected and handed back by the commit,
// and the file itself is never replaced.
void BeginSettingsTransaction();

// A settings file the commit could not write.
struct UnsavedSettings {
    QString path;      // where the settings belong
    QString reason;    // why they are not there
    QByteArray bytes;  // what the file would have held
};

// Writes every file the transaction collected, each once and atomically,
// and closes the transaction. Returns the files that could not be written
// (each then stays as it was); empty when all were written or no
// transaction was open.
[[nodiscard]] std::vector<UnsavedSettings> CommitSettings();

// The same, for callers that only need to know whether all were written.
bool CommitSettingsTransaction();

bool SettingsTransactionOpen();

// One read: the value of key in section of the file at path, or the default.
QString GetProfileString(const QString& section, const QString& key, const QString& defaultValue,
                         int bufferLength, const QString& path);

// One atomic write of a single key. Returns false when the file could not be
// written (the old file then stays as it was).
bool WriteProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& path);

// Where the settings file lives: $KORVANTA_SETTINGS when set; for an
// installed program $XDG_CONFIG_HOME/korvanta/ (~/.config/korvanta/);
// otherwise (a build tree or portable copy) "krv14f.ini" in the program
// directory, or the XDG folder when that directory is not writable.
QString SettingsFilePath();

// The same decision as a plain function, for tests.
QString SettingsFilePathFor(const QString& overridePath, const QString& programDir,
                            const QString& xdgConfigHome, const QString& home, bool installed = false);

namespace testing_hooks {
// Called by every write of a settings file to the disk after half of the new
// content has been written to the temporary copy and before it replaces the
// file. A test installs a hook that ends the process there, to show that a
// crash during a save leaves the old file whole.
void SetProfileSaveInterruptHook(std::function<void()> hook);
}

} // namespace korvanta
