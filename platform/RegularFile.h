#pragma once
// Opening the files the program reads. A name the user gives, or one a
// settings file holds, may lead to anything: a pipe (opening one waits for a
// writer that may never come), a device such as /dev/zero (endless), a
// folder, a link to nothing, or a file far larger than any the program
// writes. Every reader opens its file through here: only a regular file, or
// a link to one, is opened, without ever blocking on the open, and a whole
// file is read only up to the reader's limit. Anything else is refused with
// a reason the reader can show.

#include <QByteArray>
#include <QString>

namespace korvanta {

enum class FileFault {
    None,
    Missing,      // nothing at the path
    DanglingLink, // a link to something that does not exist
    NotRegular,   // a folder, pipe, device or socket
    TooLarge,     // more bytes than the reader takes
    Unreadable,   // the system refused to open or read it
};

// What a path that is not a regular file is instead.
enum class NodeKind { Other, Folder, Pipe, Device };

struct FileProblem {
    FileFault fault = FileFault::None;
    QString detail;                // the system's text, or the link's target
    NodeKind kind = NodeKind::Other; // NotRegular: what it is
    qint64 limit = 0;              // TooLarge: the most bytes the reader takes
};

// The descriptor (blocking, close-on-exec) of `path` when it is a regular
// file or a link to one; -1 with `problem` set otherwise. The caller closes
// it. For readers that stream a file of any length.
int OpenRegularFile(const QString& path, FileProblem& problem);

// The whole file in `bytes`, when it is a regular file (or a link to one)
// of at most `maxBytes` bytes; false with `problem` set otherwise, and then
// `bytes` is empty. A file that grows while it is read counts by what was
// read: nothing beyond the limit is ever held.
bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes, FileProblem& problem);

// Why, as a phrase that follows "<file>: ", in English ('E') or German
// (anything else): "it is a pipe, not a regular file". The system's own
// text where it refused.
QString FileProblemText(const FileProblem& problem, char letter);

// A byte count as the texts name a limit: "64 MB", "1 MB", "512 KB".
QString ByteLimitText(qint64 bytes);

} // namespace korvanta
