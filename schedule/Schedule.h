// Date and time helpers of the schedule runner (all static).
//
// "Now" is the local time of the system clock, or the moment set with
// setNowForTesting. Dates are handled the way the schedule file stores them:
// as decimal texts (YYYYMMDD, HHMM, YYYYMMDDHHMM) read as numbers, so some
// comparisons are between those numbers rather than calendar spans (inDate,
// inTimeArea). Texts are read as numbers from their leading decimal digits;
// text without any reads as 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

class Schedule {
public:
    // Now as YYYYMMDDHHMM, zero-padded (logged as a util line).
    static std::string getNow();
    // text left-padded with "0" to width characters, then cut to width.
    static std::string formatNum(const std::string& text, size_t width);
    // The repeat interval: text as an unsigned number.
    static uint64_t formatInterval(const std::string& text);
    // date followed by time, as one number, is at most now as YYYYMMDDHHMM.
    static bool notAfterNow(const std::string& date, const std::string& time);
    // The first 8 characters of text, as a number, are at most today (YYYYMMDD).
    static bool beforeNow(const std::string& text);
    // today (YYYYMMDD) minus text is at least 0 and at least 7 (type 2),
    // 30 (type 3) or 1 (any other type).
    static bool inDate(const std::string& text, int type);
    // Whole days (made non-negative) from local midnight of the date in the
    // first 8 characters of text to now.
    static int64_t daysCountFromNow(const std::string& text);
    // The same span in whole weeks, truncated toward zero.
    static int64_t weeksCountFromNow(const std::string& text);
    // Months between the year and month of text (YYYYMM...) and now.
    static int64_t monthsCountFromNow(const std::string& text);
    // Today's weekday, 0 = Sunday; a stored weekday, at most 6.
    static int getNowWeekDay();
    static uint64_t formatWeekDate(const std::string& text);
    // Today's day of the month; a stored day of the month, at most 31.
    static int getNowMonthDay();
    static uint64_t formatMonthDate(const std::string& text);
    // Now as HHMM minus text (HHMM) lies between 0 and 10.
    static bool inTimeArea(const std::string& text);

    // The leading decimal digits of text as a number (saturating), 0 when none.
    static uint64_t toNumber(const std::string& text);

    // Now in seconds since the epoch, and the millisecond within that second.
    static time_t nowSeconds();
    static int nowMillisecond();

    // Fixes "now" at a moment (seconds since the epoch and a millisecond); 0
    // returns to the clock.
    static void setNowForTesting(time_t now, int millisecond = 0);

private:
    static struct tm localNow();
    static uint64_t today();  // YYYYMMDD
};
