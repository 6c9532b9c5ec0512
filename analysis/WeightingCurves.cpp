#include "analysis/WeightingCurves.h"

#include <array>

namespace korvanta {

namespace {

struct NamedCurve {
    const char* name;
    std::span<const CorrectionPair> points;
};

constexpr CorrectionPair kNone[] = {{10, 0}, {1000, 0}, {24000, 0}};
constexpr CorrectionPair kA[] = {{10, -55},   {20, -45},  {90, -20},   {100, -18},  {132, -15},
                                 {200, -10},  {400, -5},  {500, -3},   {1000, 0},   {1300, 0.5},
                                 {2000, 1},   {3000, 1},  {5000, 0},   {10000, -5}, {20000, -17}};
constexpr CorrectionPair kCMessage[] = {{20, -77},   {50, -57},    {100, -41},  {200, -25},
                                        {400, -11},  {1000, 0},    {2000, -1},  {2500, -0.5},
                                        {4000, -15}, {9000, -50},  {20000, -72}};
constexpr CorrectionPair kCcitt[] = {{30, -80},  {50, -60},   {100, -39},  {200, -20},
                                     {400, -6},  {1000, 0},   {2000, -3},  {3000, -6},
                                     {5000, -35}, {6000, -53}, {10000, -90}};
constexpr CorrectionPair kCcirWtd[] = {{20, -32},   {50, -25},   {100, -20},  {200, -14},  {300, -10},
                                       {400, -7.5}, {600, -4.5}, {1050, 0},   {2000, 5},   {4000, 10},
                                       {6000, 12},  {10000, 8},  {20000, -30}};
constexpr CorrectionPair kCcirArm[] = {{20, -38},   {50, -31},  {100, -25},  {200, -20},
                                       {500, -12},  {1000, -6}, {2000, 0},   {5000, 6},
                                       {10000, 2},  {20000, -35}, {24000, -45}};
constexpr CorrectionPair kRumbleWtd[] = {{5, -55},      {20, -39},     {50, -25.5},  {70, -19.5},
                                         {100, -14.5},  {200, -2.7},   {300, 0},     {1000, -15},
                                         {2000, -27.5}, {3000, -35},   {5000, -43},  {10000, -55},
                                         {20000, -70}};
constexpr CorrectionPair kRumbleUnw[] = {{5, -2.5},     {20, 0},     {50, 0},     {100, 0},
                                         {200, 0},      {300, 0},    {1000, -15}, {2000, -27.5},
                                         {3000, -35},   {5000, -43}, {10000, -55}, {24000, -76}};
constexpr CorrectionPair kIecTuner[] = {{20, -60},  {30, -60},   {50, -45},   {100, -20},
                                        {200, -1},  {250, 0},    {400, 0},    {1000, 0},
                                        {5000, 0},  {8000, 0},   {10000, 0},  {20000, -80}};
constexpr CorrectionPair kDeem5015[] = {{20, 0},     {100, 0},     {500, 0},     {600, 0},
                                        {1000, -0.5}, {2000, -1.5}, {5000, -4.5}, {10000, -8},
                                        {20000, -9.5}, {24000, -10}};
constexpr CorrectionPair kDeemph50[] = {{20, 0},    {100, 0},      {400, 0},     {1000, -1},
                                        {2000, -3}, {3000, -5},    {6500, -10},  {10000, -13},
                                        {20000, -17}, {24000, -18}};
constexpr CorrectionPair kDeemph75[] = {{20, 0},    {100, 0},     {400, 0},     {1000, -1},   {2000, -3},
                                        {3000, -5}, {10000, -13}, {20000, -17}, {24000, -17.5}};
constexpr CorrectionPair kDeemphJ17[] = {{20, 18},   {80, 18},    {500, 16},   {1000, 12},
                                         {3000, 4.2}, {4000, 3},  {6000, 1.5}, {10000, 0.7},
                                         {20000, 0},  {24000, 0}};

constexpr std::array<NamedCurve, 13> kCurves{{
    {"none", kNone},
    {"A Weighting", kA},
    {"C Message", kCMessage},
    {"CCITT-Filter", kCcitt},
    {"CCIR wtd", kCcirWtd},
    {"CCIR ARM", kCcirArm},
    {"RUMBLE wtd", kRumbleWtd},
    {"RUMBLE unw", kRumbleUnw},
    {"IEC Tuner IEC 315", kIecTuner},
    {"DEEM 50/15", kDeem5015},
    {"DEEMPH 50", kDeemph50},
    {"DEEMPH 75", kDeemph75},
    {"DEEMPH J.17", kDeemphJ17},
}};

} // namespace

QStringList WeightingNames()
{
    QStringList names;
    for (const NamedCurve& c : kCurves)
        names << QString::fromLatin1(c.name);
    names << kWeightingUser;
    return names;
}

std::span<const CorrectionPair> WeightingTable(const QString& name)
{
    for (const NamedCurve& c : kCurves)
        if (name == QLatin1String(c.name))
            return c.points;
    return {};
}

bool SelectWeighting(CorrectionTable& curve, const QString& name)
{
    if (name == kWeightingUser) {
        curve.active = true;
        return true;
    }
    const std::span<const CorrectionPair> points = WeightingTable(name);
    if (points.empty())
        return false;
    SetCorrectionPoints(curve, points);
    curve.active = name != kWeightingNone;
    return true;
}

} // namespace korvanta
