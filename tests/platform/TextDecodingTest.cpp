#include "platform/TextDecoding.h"

#include <gtest/gtest.h>

using namespace korvanta;

TEST(TextDecoding, Utf8IsKeptAndOtherBytesAreWindows1252)
{
    EXPECT_EQ(DecodeText(QString::fromUtf8("Grüße").toUtf8()), QString::fromUtf8("Grüße"));
    EXPECT_EQ(DecodeText(QByteArray("Gr\xFC\xDF" "e \x80 \x96")), QString::fromUtf8("Grüße € –"));
}

TEST(TextDecoding, Windows1252RoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(EncodeWindows1252(DecodeWindows1252(all)), all);
    EXPECT_EQ(EncodeWindows1252(QString::fromUtf8("´")), QByteArray("\xB4"));
}

TEST(TextDecoding, SplitLinesKnowsEveryLineEnd)
{
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\n"), (QStringList{"a", ""}));
    EXPECT_EQ(SplitLines(""), QStringList{});
}
