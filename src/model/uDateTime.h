#pragma once
// The program's date model: a floating-point day count since 1899-12-30 in
// local time without any time-zone information; the fraction is the time of day.
// Negative values count days before 1899-12-30 with the fraction still giving the
// time of day (-1.25 is 1899-12-29 06:00), as in the files the program reads.

#include <QDateTime>

#include <compare>
#include <cstdint>

struct TDateTime
{
    double Value = 0.0;

    constexpr TDateTime() = default;
    constexpr explicit TDateTime(double days) : Value(days) {}

    // A local wall-clock date and time (the zone of the QDateTime is ignored).
    static TDateTime FromQDateTime(const QDateTime& dt);
    static TDateTime FromDateTime(const QDate& date, const QTime& time);
    // The current local date and time, milliseconds included.
    static TDateTime Now();
    // Milliseconds since 1899-12-30 00:00:00, rounded to the nearest millisecond.
    static TDateTime FromMilliseconds(std::int64_t ms);

    // Whole milliseconds since 1899-12-30 00:00:00 (negative before it).
    std::int64_t ToMilliseconds() const;
    // As a local-time QDateTime.
    QDateTime ToQDateTime() const;
    QDate Date() const;
    QTime Time() const;

    friend constexpr auto operator<=>(const TDateTime& a, const TDateTime& b) = default;
};

// 1970-01-01 00:00:00 in the program's date model, in days and in milliseconds
// (the form the Unix-time conversions add and subtract).
inline constexpr TDateTime UnixEpochDateTime{25569.0};
inline constexpr std::int64_t UnixEpochMSecs = 25569LL * 86'400'000LL;
