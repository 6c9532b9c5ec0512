#pragma once
// A section of the settings file declared once, as a table: one row per key,
// in the order the keys are written, saying where the value lives, its text
// when the key is missing, and what a damaged or hand-edited value becomes.
// One reader and one writer serve every table, and every number goes through
// the one parser of platform/IniValues.h.
//
// How a stored number becomes the field's value, in this order:
//  1. text that is no number, or beyond what the field holds: `onError`, or
//     the field keeps its value when `onError` is kKeep;
//  2. the number equals `sentinel` (a stored "unset"): `onError`;
//  3. `absolute`: its magnitude is taken (replace rule "absolute value");
//  4. outside `valid`: `onError` (replace rule);
//  5. outside `clampTo`: the nearer end (clamp rule). A row with `report`
//     set writes a line to the device log when it clamps, so that the
//     feature list shows why the program does not use what the file says.
// Flags read false only for exactly their "off" text (see FlagTexts);
// texts are cut to `maxLength` characters.

#include "platform/IniValues.h"
#include "platform/ProfileStore.h"

#include <QString>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <type_traits>
#include <variant>

namespace korvanta {

namespace settings {

inline constexpr double kNoLimit = std::numeric_limits<double>::infinity();
inline constexpr std::optional<double> kKeep = std::nullopt;
inline constexpr int kDefaultBuffer = 154;  // characters a read value may have, plus one

struct Range {
    double lo = -kNoLimit;
    double hi = kNoLimit;
    bool aboveLo = false;  // lo itself is outside ("greater than zero")
    bool contains(double v) const { return (aboveLo ? v > lo : v >= lo) && v <= hi; }
};
inline constexpr Range kPositive{0.0, kNoLimit, true};

// The number columns of a row.
struct NumberRule {
    std::optional<double> onError = 0.0;
    std::optional<double> sentinel = std::nullopt;
    Range valid = {};    // outside: onError
    Range clampTo = {};  // outside: the nearer end
    bool absolute = false;
};

// What a parsed number (nullopt: not a number) becomes under the rule;
// nullopt: the field keeps its value. `clamped` tells that a clamp moved it.
struct RuleOutcome {
    std::optional<double> value;
    bool clamped = false;
};
RuleOutcome ApplyRule(std::optional<double> parsed, const NumberRule& rule);

// Writes the device log line of a clamp: the key, what the file held and
// what is used instead.
void ReportClamp(const QString& section, const char* key, const QString& text, double taken);

// The texts of a flag. A read gives false only for exactly `off`; a
// numeric flag is read as a number instead (the number columns apply) and is
// true exactly when that number is 1.
struct FlagTexts {
    const char* on = "TRUE";
    const char* off = "FALSE";
    bool numeric = false;
};

// A value the record holds in another form (a choice of an enumeration):
// read and written as a real number through these two functions.
template <typename R>
struct Coded {
    double (*get)(const R&);
    void (*set)(R&, double);
};

// Where a row's value lives: a function giving the field of the record.
template <typename R>
using Field = std::variant<int32_t& (*)(R&), uint8_t& (*)(R&), uint32_t& (*)(R&), float& (*)(R&),
                           double& (*)(R&), bool& (*)(R&), QString& (*)(R&), char& (*)(R&), Coded<R>>;

template <typename R>
struct Key {
    const char* key;           // exact spelling
    const char* text;          // read when the key is missing
    Field<R> field;
    NumberRule number = {};
    int decimals = 0;          // reals: places written
    bool report = false;       // a clamp writes a device log line
    FlagTexts flag = {};
    bool realText = false;     // whole-number fields: read as a real, cut to its whole part
    int buffer = kDefaultBuffer;
    int maxLength = -1;        // texts: characters kept when read and written; -1 all
    QString (*format)(double) = nullptr;  // reals written otherwise than with `decimals`
};

// A field of a plain record, for Key::field.
template <typename R, auto Member>
inline constexpr auto Of = +[](R& r) -> auto& { return r.*Member; };

namespace detail {

template <typename T>
std::optional<double> parse(const QString& text)
{
    if constexpr (std::is_same_v<T, double>)
        return ini::ParseDouble(text);
    else if constexpr (std::is_same_v<T, float>) {
        // A value too small for the field is the zero the field would hold,
        // so that "greater than zero" is judged on what is used.
        const auto v = ini::ParseReal(text);
        return (v && T(*v) == T(0)) ? std::optional<double>(0.0) : v;
    } else {
        using Parsed = std::conditional_t<std::is_same_v<T, uint32_t>, uint32_t, int32_t>;
        const auto v = ini::ParseWhole(text);
        if (!v || *v < std::numeric_limits<Parsed>::min() || *v > std::numeric_limits<Parsed>::max())
            return std::nullopt;
        return double(*v);
    }
}

// The number as the field takes it, for a field stored as a real.
template <typename T>
std::optional<double> parseReal(const QString& text)
{
    const auto v = ini::ParseDouble(text);
    if (!v || *v < double(std::numeric_limits<T>::lowest()) || *v > double(std::numeric_limits<T>::max()))
        return std::nullopt;
    return v;
}

template <typename R>
void readNumber(const QString& section, const Key<R>& k, const QString& text, std::optional<double> parsed,
                auto assign)
{
    const RuleOutcome out = ApplyRule(parsed, k.number);
    if (out.clamped && k.report)
        ReportClamp(section, k.key, text, *out.value);
    if (out.value)
        assign(*out.value);
}

template <typename R, typename T>
void readField(const QString& section, const Key<R>& k, const QString& text, T& field)
{
    if constexpr (std::is_same_v<T, QString>)
        field = text.left(k.maxLength);
    else if constexpr (std::is_same_v<T, bool>)
        field = k.flag.numeric ? ApplyRule(parse<int32_t>(text), k.number).value == 1.0
                               : text != QLatin1String(k.flag.off);
    else if constexpr (std::is_same_v<T, char>)
        field = text.isEmpty() ? k.text[0] : text.at(0).toLatin1();
    else
        readNumber(section, k, text, k.realText ? parseReal<T>(text) : parse<T>(text),
                   [&](double v) { field = T(v); });
}

template <typename R>
void readKey(const ProfileStore& store, const QString& section, const Key<R>& k, R& record)
{
    const QString text = store.value(section, QLatin1String(k.key), QLatin1String(k.text), k.buffer);
    std::visit(
        [&](auto at) {
            if constexpr (std::is_same_v<decltype(at), Coded<R>>)
                readNumber(section, k, text, ini::ParseDouble(text), [&](double v) { at.set(record, v); });
            else
                readField(section, k, text, at(record));
        },
        k.field);
}

// A value that is not a finite number (a computation gone wrong) is not
// written: the next start could not read it, and the file keeps the last
// good one.
template <typename R>
void writeReal(ProfileStore& store, const QString& section, const Key<R>& k, double v)
{
    if (std::isfinite(v))
        store.setValue(section, QLatin1String(k.key), k.format ? k.format(v) : ini::FormatReal(v, k.decimals));
}

template <typename R, typename T>
void writeField(ProfileStore& store, const QString& section, const Key<R>& k, const T& field)
{
    const QString key = QLatin1String(k.key);
    if constexpr (std::is_same_v<T, QString>)
        store.setValue(section, key, field.left(k.maxLength));
    else if constexpr (std::is_same_v<T, bool>)
        store.setValue(section, key, QLatin1String(field ? k.flag.on : k.flag.off));
    else if constexpr (std::is_same_v<T, char>)
        store.setValue(section, key, QString(QLatin1Char(field)));
    else if constexpr (std::is_floating_point_v<T>)
        writeReal(store, section, k, field);
    else
        store.setValue(section, key, QString::number(field));
}

template <typename R>
void writeKey(ProfileStore& store, const QString& section, const Key<R>& k, R& record)
{
    std::visit(
        [&](auto at) {
            if constexpr (std::is_same_v<decltype(at), Coded<R>>)
                writeReal(store, section, k, at.get(record));
            else
                writeField(store, section, k, at(record));
        },
        k.field);
}

} // namespace detail

// Fills every field of the table from the section.
template <typename R>
void ReadSection(const ProfileStore& store, const QString& section, std::span<const Key<R>> keys, R& record)
{
    for (const Key<R>& k : keys)
        detail::readKey(store, section, k, record);
}

// Sets every key of the table, in table order (the file changes at save()).
template <typename R>
void WriteSection(ProfileStore& store, const QString& section, std::span<const Key<R>> keys, R& record)
{
    for (const Key<R>& k : keys)
        detail::writeKey(store, section, k, record);
}

} // namespace settings

} // namespace korvanta
