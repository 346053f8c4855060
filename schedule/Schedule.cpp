#include "schedule/Schedule.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <limits>

#include "base/Log.h"

namespace {

std::atomic<time_t> g_fixedNow{0};
std::atomic<int> g_fixedMillisecond{0};

// The characters of text from position on (at most length), "" past its end.
std::string part(const std::string& text, size_t position, size_t length) {
    return position < text.size() ? text.substr(position, length) : std::string();
}

// A field of a date text (at most 4 digits) as a number.
int datePart(const std::string& text, size_t position, size_t length) {
    return static_cast<int>(Schedule::toNumber(part(text, position, length)));
}

// Seconds from local midnight of the date (YYYYMMDD) in text's first 8
// characters to now; the daylight-saving flag of that midnight is 0.
int64_t secondsSinceDate(const std::string& text, time_t now) {
    struct tm start = {};
    start.tm_year = datePart(text, 0, 4) - 1900;
    start.tm_mon = datePart(text, 4, 2) - 1;
    start.tm_mday = datePart(text, 6, 2);
    start.tm_isdst = 0;
    time_t midnight = mktime(&start);
    return static_cast<int64_t>(difftime(now, midnight));
}

}  // namespace

void Schedule::setNowForTesting(time_t now, int millisecond) {
    g_fixedMillisecond.store(millisecond);
    g_fixedNow.store(now);
}

int Schedule::nowMillisecond() {
    if (g_fixedNow.load() != 0) return g_fixedMillisecond.load();
    struct timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int>(now.tv_nsec / 1000000);
}

time_t Schedule::nowSeconds() {
    time_t fixed = g_fixedNow.load();
    return fixed != 0 ? fixed : time(nullptr);
}

struct tm Schedule::localNow() {
    time_t now = nowSeconds();
    struct tm local = {};
    localtime_r(&now, &local);
    return local;
}

uint64_t Schedule::today() {
    struct tm local = localNow();
    return static_cast<uint64_t>(local.tm_year + 1900) * 10000 + static_cast<uint64_t>(local.tm_mon + 1) * 100 +
           static_cast<uint64_t>(local.tm_mday);
}

uint64_t Schedule::toNumber(const std::string& text) {
    const uint64_t limit = std::numeric_limits<uint64_t>::max();
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (limit - digit) / 10) return limit;
        value = value * 10 + digit;
    }
    return value;
}

std::string Schedule::getNow() {
    struct tm local = localNow();
    char text[32];
    snprintf(text, sizeof text, "%04d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
             local.tm_hour, local.tm_min);
    Log* log = Log::getLog();
    log->startLine(Log::util, "Schedule::getNow");
    log->writeFormatInfo(" now %s", text);
    log->endLine();
    Log::clear();
    return text;
}

std::string Schedule::formatNum(const std::string& text, size_t width) {
    std::string padded = text.size() < width ? std::string(width - text.size(), '0') + text : text;
    return padded.substr(0, width);
}

uint64_t Schedule::formatInterval(const std::string& text) { return toNumber(text); }

bool Schedule::notAfterNow(const std::string& date, const std::string& time) {
    struct tm local = localNow();
    uint64_t now = today() * 10000 + static_cast<uint64_t>(local.tm_hour) * 100 + static_cast<uint64_t>(local.tm_min);
    return toNumber(date + time) <= now;
}

bool Schedule::beforeNow(const std::string& text) { return toNumber(text.substr(0, 8)) <= today(); }

bool Schedule::inDate(const std::string& text, int type) {
    uint64_t gap = type == 2 ? 7 : type == 3 ? 30 : 1;
    uint64_t date = toNumber(text);
    uint64_t now = today();
    return now >= date && now - date >= gap;
}

int64_t Schedule::daysCountFromNow(const std::string& text) {
    int64_t days = secondsSinceDate(text, nowSeconds()) / 60 / 60 / 24;
    return days < 0 ? -days : days;
}

int64_t Schedule::weeksCountFromNow(const std::string& text) {
    double weeks = static_cast<double>(secondsSinceDate(text, nowSeconds())) / 60 / 60 / 24 / 7;
    return static_cast<int64_t>(weeks);
}

int64_t Schedule::monthsCountFromNow(const std::string& text) {
    struct tm local = localNow();
    return (local.tm_year + 1900 - datePart(text, 0, 4)) * 12 + (local.tm_mon + 1 - datePart(text, 4, 2));
}

int Schedule::getNowWeekDay() { return localNow().tm_wday; }

uint64_t Schedule::formatWeekDate(const std::string& text) { return std::min<uint64_t>(toNumber(text), 6); }

int Schedule::getNowMonthDay() { return localNow().tm_mday; }

uint64_t Schedule::formatMonthDate(const std::string& text) { return std::min<uint64_t>(toNumber(text), 31); }

bool Schedule::inTimeArea(const std::string& text) {
    struct tm local = localNow();
    int64_t settingTime = static_cast<int64_t>(std::min<uint64_t>(toNumber(text), 1000000));
    int64_t difference = local.tm_hour * 100 + local.tm_min - settingTime;
    return difference >= 0 && difference <= 10;
}
