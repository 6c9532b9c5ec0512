#include "ir/IrWaveFile.h"

#include "platform/AtomicFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sndfile.h>

namespace korvanta {

namespace {

// libsndfile writes through these into a growing byte array, so the file
// reaches the disk only whole, by the atomic write.
struct Memory {
    QByteArray bytes;
    sf_count_t position = 0;
};

sf_count_t memoryLength(void* user) { return static_cast<Memory*>(user)->bytes.size(); }

sf_count_t memorySeek(sf_count_t offset, int whence, void* user)
{
    Memory& m = *static_cast<Memory*>(user);
    const sf_count_t base = whence == SEEK_CUR ? m.position : whence == SEEK_END ? m.bytes.size() : 0;
    m.position = std::max<sf_count_t>(0, base + offset);
    return m.position;
}

sf_count_t memoryRead(void* ptr, sf_count_t count, void* user)
{
    Memory& m = *static_cast<Memory*>(user);
    const sf_count_t n = std::clamp<sf_count_t>(m.bytes.size() - m.position, 0, count);
    std::memcpy(ptr, m.bytes.constData() + m.position, static_cast<size_t>(n));
    m.position += n;
    return n;
}

sf_count_t memoryWrite(const void* ptr, sf_count_t count, void* user)
{
    Memory& m = *static_cast<Memory*>(user);
    if (m.position + count > m.bytes.size())
        m.bytes.resize(static_cast<qsizetype>(m.position + count));
    std::memcpy(m.bytes.data() + m.position, ptr, static_cast<size_t>(count));
    m.position += count;
    return count;
}

sf_count_t memoryTell(void* user) { return static_cast<Memory*>(user)->position; }

} // namespace

IrTimeOrder TimeOrdered(const ImpulseResponse& ir)
{
    IrTimeOrder t;
    const long long n = ir.size();
    if (n == 0)
        return t;
    const long long tail = std::clamp<long long>(std::llround(ir.tailSeconds * ir.rate), 0, n);
    t.zeroSample = n - tail;
    t.samples.resize(static_cast<size_t>(n));
    for (long long i = 0; i < n; ++i)
        t.samples[static_cast<size_t>(i)] = static_cast<float>(ir.at(i - t.zeroSample));
    return t;
}

QByteArray ImpulseWaveBytes(const ImpulseResponse& ir, QString& error)
{
    const IrTimeOrder t = TimeOrdered(ir);
    if (t.samples.empty() || ir.rate <= 0) {
        error = QStringLiteral("there is no impulse response to write");
        return {};
    }
    Memory memory;
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info{};
    info.samplerate = ir.rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
    if (!file) {
        error = QStringLiteral("the WAV file cannot be made: %1").arg(QString::fromUtf8(sf_strerror(nullptr)));
        return {};
    }
    const QByteArray comment =
        QStringLiteral("Impulse response; the first played frame is sample %1").arg(t.zeroSample).toUtf8();
    sf_set_string(file, SF_STR_COMMENT, comment.constData());
    sf_set_string(file, SF_STR_SOFTWARE, "Korvanta");
    const auto frames = static_cast<sf_count_t>(t.samples.size());
    const bool written = sf_writef_float(file, t.samples.data(), frames) == frames;
    if (!written)
        error = QStringLiteral("the WAV file cannot be made: %1").arg(QString::fromUtf8(sf_strerror(file)));
    if (sf_close(file) != 0 && written) {
        error = QStringLiteral("the WAV file cannot be made");
        return {};
    }
    return written ? memory.bytes : QByteArray();
}

bool WriteImpulseWave(const ImpulseResponse& ir, const QString& path, QString& error)
{
    const QByteArray bytes = ImpulseWaveBytes(ir, error);
    if (bytes.isEmpty())
        return false;
    QString reason;
    if (!WriteFileAtomically(path, bytes, reason)) {
        error = QStringLiteral("cannot write %1: %2").arg(path, reason);
        return false;
    }
    return true;
}

} // namespace korvanta
