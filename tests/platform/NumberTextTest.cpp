// Read-out numbers: significant digits, written out, whatever the size.

#include "platform/NumberText.h"

#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>

using namespace korvanta;

TEST(NumberText, SignificantDigitsWithoutExponentOrTrailingZeros)
{
    // A German locale must not bring a decimal comma.
    QLocale::setDefault(QLocale(QLocale::German));
    const struct {
        double value;
        int significant;
        const char* text;
    } cases[] = {
        {7.3912e-05, 3, "0.0000739"}, {0.00123, 3, "0.00123"}, {12.345, 3, "12.3"},   {1.5, 3, "1.5"},
        {1234.5, 3, "1230"},          {9.996, 3, "10"},        {-0.02468, 3, "-0.0247"}, {0.0, 3, "0"},
        {-1e-300, 3, "0"},            {2.7717e-06, 5, "0.0000027717"}, {150.0, 5, "150"},
        {NAN, 3, "nan"},              {INFINITY, 3, "inf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SignificantText(c.value, c.significant), QString::fromLatin1(c.text)) << c.value;
    QLocale::setDefault(QLocale::c());
}
