#pragma once
// Reads a text file line by line with a bound on the length of a line and on
// the bytes read in all, so that a damaged or hostile file (one endless line,
// gigabytes of blank lines) costs bounded memory and time. Line ends are LF
// or CR LF; the end-of-line characters are not part of the line.

#include <QByteArray>
#include <QIODevice>
#include <vector>

namespace korvanta {

class BoundedLineReader {
public:
    enum class Status { Line, End, TooLong, TooLarge, ReadError };

    BoundedLineReader(QIODevice& in, int maxLineLength, qint64 maxTotalBytes);

    // The next line in `line`; Line while there is one. After any other
    // status the reader is finished.
    Status next(QByteArray& line);
    // 1-based number of the line last returned (or that failed).
    int lineNumber() const { return lineNumber_; }

private:
    QIODevice& in_;
    int maxLine_;
    qint64 maxTotal_;
    qint64 total_ = 0;
    int lineNumber_ = 0;
    std::vector<char> buffer_;
};

} // namespace korvanta
