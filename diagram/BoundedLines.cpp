#include "diagram/BoundedLines.h"

namespace korvanta {

BoundedLineReader::BoundedLineReader(QIODevice& in, int maxLineLength, qint64 maxTotalBytes)
    : in_(in), maxLine_(maxLineLength), maxTotal_(maxTotalBytes), buffer_(size_t(maxLineLength) + 3)
{
}

BoundedLineReader::Status BoundedLineReader::next(QByteArray& line)
{
    if (in_.atEnd() && !in_.isSequential())
        return Status::End;
    ++lineNumber_;
    // The buffer holds a line of the longest length with its CR LF; a
    // longer line fills it and so shows as longer than allowed.
    const qint64 n = in_.readLine(buffer_.data(), qint64(buffer_.size()));
    if (n <= 0)
        return in_.atEnd() || n == 0 ? Status::End : Status::ReadError;
    total_ += n;
    if (total_ > maxTotal_)
        return Status::TooLarge;
    qint64 len = n;
    const bool ended = len > 0 && buffer_[size_t(len - 1)] == '\n';
    if (ended)
        --len;
    if (len > 0 && buffer_[size_t(len - 1)] == '\r')
        --len;
    if (len > maxLine_)
        return Status::TooLong;
    line = QByteArray(buffer_.data(), len);
    return Status::Line;
}

} // namespace korvanta
