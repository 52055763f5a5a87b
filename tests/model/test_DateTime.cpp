#include <model/uWebSiteList.h>

#include "PrintQt.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return TDateTime::FromDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

TEST(DateTime, DayCountModel)
{
    EXPECT_DOUBLE_EQ(At(1899, 12, 30).Value, 0.0);
    EXPECT_DOUBLE_EQ(At(1970, 1, 1).Value, UnixEpochDateTime.Value);
    EXPECT_DOUBLE_EQ(At(1900, 1, 1, 12).Value, 2.5);
    // Before day 0 the fraction still is the time of day.
    EXPECT_DOUBLE_EQ(At(1899, 12, 29, 6).Value, -1.25);
    EXPECT_EQ(TDateTime(-1.25).Date(), QDate(1899, 12, 29));
    EXPECT_EQ(TDateTime(-1.25).Time(), QTime(6, 0));
}

TEST(DateTime, MillisecondsRoundTripAndRounding)
{
    const std::int64_t cases[] = {0,
                                  1,
                                  999,
                                  86'399'999,
                                  -1,
                                  -86'400'000,
                                  -64'800'000,
                                  3'900'000'000'000LL,
                                  -3'900'000'000'123LL};
    for (std::int64_t ms : cases)
        EXPECT_EQ(TDateTime::FromMilliseconds(ms).ToMilliseconds(), ms) << ms;
    // Nearest millisecond, not truncation of the floating-point day count.
    const double almostOneMs = 0.9999 / 86'400'000.0;
    EXPECT_EQ(TDateTime(almostOneMs).ToMilliseconds(), 1);
    // Values no file or clock gives must not overflow.
    EXPECT_EQ(TDateTime(std::numeric_limits<double>::quiet_NaN()).ToMilliseconds(), 0);
    EXPECT_GT(TDateTime(1e300).ToMilliseconds(), 0);
    EXPECT_LT(TDateTime(-1e300).ToMilliseconds(), 0);
}

TEST(DateTime, QDateTimeConversion)
{
    const QDateTime dt(QDate(2023, 11, 14), QTime(22, 13, 20, 123));
    const TDateTime d = TDateTime::FromQDateTime(dt);
    EXPECT_EQ(d.ToQDateTime().date(), dt.date());
    EXPECT_EQ(d.ToQDateTime().time(), dt.time());
    // The zone of the input is ignored: the wall clock is what counts.
    const QDateTime utc(QDate(2023, 11, 14), QTime(22, 13, 20, 123), Qt::UTC);
    EXPECT_EQ(TDateTime::FromQDateTime(utc), d);
}

struct TUnixCase
{
    TDateTime Date;
    const char* Text;
};

TEST(DateTime, DateToUnixText)
{
    const TUnixCase cases[] = {
        {At(1970, 1, 1), "0"},
        {At(1970, 1, 1, 0, 0, 0, 999), "0"},
        {At(1970, 1, 1, 0, 0, 1), "1"},
        {At(1970, 1, 2), "86400"},
        {At(1969, 12, 31, 23, 58, 20), "100"}, // distance, no sign
        {At(1969, 12, 31, 23, 59, 59, 500), "0"},
        {At(2023, 11, 14, 22, 13, 20), "1700000000"},
        {At(1899, 12, 29, 6), "2209226400"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateToUnixText(c.Date), QString::fromLatin1(c.Text)) << c.Text;
}

TEST(DateTime, UnixTextToDate)
{
    const TUnixCase cases[] = {
        {At(1970, 1, 1), "0"},
        {At(1970, 1, 1, 0, 1), "60"},
        {At(1970, 1, 2), "86400"},
        {At(1969, 12, 31, 23, 59), "-60"},
        {At(2023, 11, 14, 22, 13, 20), "1700000000"},
        {At(2023, 11, 14, 22, 13, 20), " 1700000000 "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnixTextToDate(QString::fromLatin1(c.Text)), c.Date) << c.Text;
}

TEST(DateTime, UnparsableTextGivesNowCutToTheSecond)
{
    for (const char* text : {"", "abc", "12x", "1.5", "99999999999999999999"}) {
        const std::int64_t before = TDateTime::Now().ToMilliseconds() / 1000 * 1000;
        const TDateTime d = UnixTextToDate(QString::fromLatin1(text));
        const std::int64_t after = TDateTime::Now().ToMilliseconds();
        EXPECT_EQ(d.ToMilliseconds() % 1000, 0) << text;
        EXPECT_GE(d.ToMilliseconds(), before) << text;
        EXPECT_LE(d.ToMilliseconds(), after) << text;
    }
}

} // namespace
