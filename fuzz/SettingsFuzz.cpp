// The settings store on hostile files and hostile names and values: reading
// never fails on a readable file, reads respect the buffer length, and what
// is set either reads back exactly or is refused, and no other key changes:
// after a few keys are set, a save (plain or through the shutdown
// transaction) and a fresh load give the very same lines, every key set
// reads its value, every other key of the file reads as before (none
// appears, none goes), and no temporary copy is left beside the file.

#include "platform/DeviceLog.h"
#include "fuzz/FuzzSupport.h"
#include "platform/ProfileStore.h"

#include <QDir>
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

using namespace korvanta;

namespace {

struct Entry {
    QString section, key, value;
};

// Letters that mean something in the file (section brackets, "=", comment
// starts, quotes, blanks, line breaks), text beyond Latin-1, blanks the
// reader trims, and half a surrogate pair.
const std::u16string kHostile = u"aZ0_ .;#=[]\"'\t\n\r\u00e4\u20ac\u0085\u00a0\u2028\ufeff\xd800";
const std::u16string kPlainName = u"ABCabc019_";

QString pick(FuzzedDataProvider& in, const std::u16string& letters, int minLength, int maxLength)
{
    const int length = in.ConsumeIntegralInRange(minLength, maxLength);
    QString s;
    for (int i = 0; i < length; ++i)
        s += QChar(letters[in.ConsumeIntegralInRange<size_t>(0, letters.size() - 1)]);
    return s;
}

// Mostly names the program uses, sometimes hostile ones.
QString name(FuzzedDataProvider& in)
{
    return pick(in, in.ConsumeIntegralInRange(0, 3) == 0 ? kHostile : kPlainName, 0, 8);
}

Entry entry(FuzzedDataProvider& in)
{
    Entry e;
    e.section = name(in);
    e.key = name(in);
    e.value = pick(in, kHostile, 0, 24);
    return e;
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

struct Setting {
    QString section, key, value;
};

// Every key of the file with the value a read gives it. The names are
// found by a plain scan; the values come from the store's own reads.
std::vector<Setting> settingsOf(const ProfileStore& store)
{
    std::vector<Setting> all;
    QString section;
    for (const QString& line : store.lines()) {
        const QString t = line.trimmed();
        if (t.startsWith(QLatin1Char('['))) {
            const qsizetype close = t.indexOf(QLatin1Char(']'));
            section = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
        } else if (t.contains(QLatin1Char('=')) && !t.startsWith(QLatin1Char(';')) && !t.startsWith(QLatin1Char('#'))) {
            all.push_back({section, t.section(QLatin1Char('='), 0, 0).trimmed(), {}});
        }
    }
    return all;
}

QString read(const ProfileStore& store, const QString& section, const QString& key)
{
    return store.value(section, key, QStringLiteral("<missing>"), 1 << 20);
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

void save(ProfileStore& store, const QString& path, bool transaction)
{
    if (!transaction) {
        if (!store.save())
            fuzz::Fail("a save must succeed");
        return;
    }
    BeginSettingsTransaction();
    if (!store.save())
        fuzz::Fail("a save inside the transaction must succeed");
    ProfileStore inside(path);
    if (!inside.load() || inside.lines() != store.lines())
        fuzz::Fail("a load inside the transaction must see the saved lines");
    if (!CommitSettings().empty())
        fuzz::Fail("the commit must succeed");
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
    ProfileStore before = store;
    std::vector<Setting> set;
    devlog::Clear();
    for (const Entry& e : entries)
        if (store.setValue(e.section, e.key, e.value))
            set.push_back({e.section, e.key, e.value});
    if (devlog::Lines().size() != qsizetype(entries.size() - set.size()))
        fuzz::Fail("every refusal must say so in the device log");

    save(store, path, transaction);

    ProfileStore back(path);
    if (!back.load() || back.lines() != store.lines())
        fuzz::Fail("save and load must give the same lines");
    // The last of several sets of one key is the one that counts.
    for (auto s = set.rbegin(); s != set.rend(); ++s) {
        const bool later = std::any_of(set.rbegin(), s, [&](const Setting& o) {
            return sameName(o.section, s->section) && sameName(o.key, s->key);
        });
        if (!later && read(back, s->section, s->key) != s->value)
            fuzz::Fail("a key set must read its value");
    }
    std::vector<Setting> others = settingsOf(before);
    const std::vector<Setting> after = settingsOf(back);
    others.insert(others.end(), after.begin(), after.end());
    for (const Setting& o : others) {
        const bool wasSet = std::any_of(set.begin(), set.end(), [&](const Setting& s) {
            return sameName(s.section, o.section) && sameName(s.key, o.key);
        });
        if (!wasSet && read(back, o.section, o.key) != read(before, o.section, o.key))
            fuzz::Fail("a key that was not set must read as before");
    }
    if (QDir(fuzz::ScratchDir()).entryList(QDir::Files | QDir::Hidden | QDir::System).size() != 1)
        fuzz::Fail("a copy was left beside the file");
    return 0;
}
