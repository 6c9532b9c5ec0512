// The settings store on hostile files: reading never fails on a readable
// file, reads respect the buffer length, and what is written is what is read
// back: after a few keys are set, a save (plain or through the shutdown
// transaction) and a fresh load give the very same lines, every key set
// reads its value, and no temporary copy is left beside the file.

#include "FuzzSupport.h"
#include "ProfileStore.h"

#include <QDir>
#include <fuzzer/FuzzedDataProvider.h>

#include <map>

namespace {

struct Entry {
    QString section, key, value;
};

QString pick(FuzzedDataProvider& in, const char* alphabet, int minLength, int maxLength)
{
    const std::string letters(alphabet);
    const int length = in.ConsumeIntegralInRange(minLength, maxLength);
    QString s;
    for (int i = 0; i < length; ++i)
        s += QLatin1Char(letters[in.ConsumeIntegralInRange<size_t>(0, letters.size() - 1)]);
    return s;
}

// Names without the characters that mean something in the file; values
// without surrounding blanks or quotes, which a read would strip.
Entry entry(FuzzedDataProvider& in)
{
    Entry e;
    e.section = pick(in, "ABCabc019_", 1, 8);
    e.key = pick(in, "KEYkey019_", 1, 8);
    e.value = pick(in, "abcXYZ019 .,;=[]#-+", 0, 24).trimmed();
    return e;
}

void checkReads(const ProfileStore& store, FuzzedDataProvider& in)
{
    for (const QString& line : store.lines().mid(0, 16)) {
        const QString key = line.section(QLatin1Char('='), 0, 0).trimmed();
        const int buffer = in.ConsumeIntegralInRange(-1, 200);
        const QString v = store.value(QStringLiteral("MAIN"), key, QStringLiteral("dflt"), buffer);
        if (v.size() > std::max(0, buffer - 1))
            fuzz::Fail("a read is longer than its buffer allows");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    std::vector<Entry> entries(in.ConsumeIntegralInRange(0, 4));
    for (Entry& e : entries)
        e = entry(in);
    const bool transaction = in.ConsumeBool();
    const std::vector<uint8_t> rest = in.ConsumeRemainingBytes<uint8_t>();
    const QString path = fuzz::WriteScratchFile(QStringLiteral("krv14f.ini"),
                                                fuzz::Bytes(rest.data(), rest.size()));

    ProfileStore store(path);
    if (!store.load())
        fuzz::Fail("a readable file must load");
    FuzzedDataProvider reads(data, std::min<size_t>(size, 64));
    checkReads(store, reads);
    std::map<std::pair<QString, QString>, QString> expected;
    for (const Entry& e : entries) {
        store.setValue(e.section, e.key, e.value);
        expected[{e.section.toLower(), e.key.toLower()}] = e.value;
    }

    if (transaction) {
        BeginSettingsTransaction();
        if (!store.save())
            fuzz::Fail("a save inside the transaction must succeed");
        ProfileStore inside(path);
        if (!inside.load() || inside.lines() != store.lines())
            fuzz::Fail("a load inside the transaction must see the saved lines");
        if (!CommitSettingsTransaction())
            fuzz::Fail("the commit must succeed");
    } else if (!store.save()) {
        fuzz::Fail("a save must succeed");
    }

    ProfileStore back(path);
    if (!back.load() || back.lines() != store.lines())
        fuzz::Fail("save and load must give the same lines");
    for (const auto& [name, value] : expected)
        if (back.value(name.first, name.second, QStringLiteral("<missing>"), 1 << 20) != value)
            fuzz::Fail("a key set must read its value");
    if (QDir(fuzz::ScratchDir()).entryList(QDir::Files | QDir::Hidden | QDir::System).size() != 1)
        fuzz::Fail("a copy was left beside the file");
    return 0;
}
