#include <model/uDateTime.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr std::int64_t MSecsPerDay = 86'400'000;

// Day 0 of the date model.
QDate BaseDate()
{
    return QDate(1899, 12, 30);
}

// Floor division for possibly negative millisecond counts.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

} // namespace

TDateTime TDateTime::FromMilliseconds(std::int64_t ms)
{
    // Before day 0 the whole part counts days backwards while the fraction still
    // gives the time of day, so 1899-12-29 06:00 is -1.25, not -0.75.
    const std::int64_t days = FloorDiv(ms, MSecsPerDay);
    const std::int64_t time = ms - days * MSecsPerDay;
    const double fraction = double(time) / double(MSecsPerDay);
    return TDateTime(days >= 0 ? double(days) + fraction : double(days) - fraction);
}

std::int64_t TDateTime::ToMilliseconds() const
{
    if (!std::isfinite(Value))
        return 0;
    // About 270 million years either way: far beyond any date, and the
    // millisecond count stays inside 64 bits.
    constexpr double Limit = 1e11;
    const double value = std::clamp(Value, -Limit, Limit);
    const double whole = std::trunc(value);
    const double fraction = std::fabs(value - whole);
    // The whole part is exact; only the time of day needs rounding.
    return std::int64_t(whole) * MSecsPerDay + std::llround(fraction * double(MSecsPerDay));
}

TDateTime TDateTime::FromDateTime(const QDate& date, const QTime& time)
{
    const std::int64_t days = BaseDate().daysTo(date);
    const std::int64_t ms = time.isValid() ? time.msecsSinceStartOfDay() : 0;
    return FromMilliseconds(days * MSecsPerDay + ms);
}

TDateTime TDateTime::FromQDateTime(const QDateTime& dt)
{
    return FromDateTime(dt.date(), dt.time());
}

TDateTime TDateTime::Now()
{
    return FromQDateTime(QDateTime::currentDateTime());
}

QDate TDateTime::Date() const
{
    return BaseDate().addDays(FloorDiv(ToMilliseconds(), MSecsPerDay));
}

QTime TDateTime::Time() const
{
    const std::int64_t ms = ToMilliseconds();
    return QTime::fromMSecsSinceStartOfDay(int(ms - FloorDiv(ms, MSecsPerDay) * MSecsPerDay));
}

QDateTime TDateTime::ToQDateTime() const
{
    return QDateTime(Date(), Time());
}
