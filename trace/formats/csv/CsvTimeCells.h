#pragma once
// Times as loggers and instruments print them in a cell: dates and times of day in the usual
// orders (2023-12-31 23:59:58, 31.12.2023, 12/31/2023 11:59:58 PM, 08:15:02.500), Unix time
// stamps, and calendar times split over columns (a date column beside a time column, or
// Year, Month, Day, Hour, Minute, Second). A CTimeCells makes one time of each row's cells.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace csv_layout {

// How a date of two short fields and a year (1/2/2023) is read.
enum class DateOrder { either, dayFirst, monthFirst };

// What a stamp cell held, for the column to be judged by: the date's two short fields when it
// was written day and month before the year.
struct StampShape {
    bool date = false, time = false;
    bool shortFirst = false;  // 1/2/2023 or 1.2.2023, not 2023-02-01
    char dateMark = 0;        // the mark between the date's fields
    int a = 0, b = 0;         // the two short fields, as written
};

// A date, a time of day, or both, as seconds since 1970-01-01 (a time of day alone: since
// midnight; a count of hours past 23 is an elapsed time), and half a unit of its last printed
// digit. `either` reads 1/2/2023 day first when that is a date and month first otherwise.
bool ParseStamp(std::string_view cell, DateOrder order, double& seconds, double& halfUnit,
                StampShape* shape = nullptr);

// Kept for callers that ask whether a cell is a date and time at all.
inline bool ParseTimestamp(std::string_view cell, double& seconds, double& halfUnit) {
    return ParseStamp(cell, DateOrder::either, seconds, halfUnit);
}

// Seconds since 1970 as a date and time ("2013-04-03 15:53:22.14"), to the digits half a unit
// of the last printed one allows; UtcText adds " UTC" for Unix times.
std::string CalendarText(double seconds, double halfUnit);
inline std::string UtcText(double seconds, double halfUnit) {
    return CalendarText(seconds, halfUnit) + " UTC";
}
// Seconds since midnight (or elapsed) as a clock: "08:15:02.5".
std::string ClockText(double seconds, double halfUnit);

// What a column gives towards the time of its row.
enum class TimePart {
    number,   // seconds (or the column's unit) as a number
    stamp,    // a date, a time of day, or both
    epoch,    // seconds since 1970
    epochMs,  // milliseconds since 1970
    year,
    month,
    day,
    hour,
    minute,
    second,
};

struct TimeSource {
    std::size_t column = 0;
    TimePart part = TimePart::number;
};

// The time of each row from the cells of its time sources, given as the row is read. A time
// of day without a date that falls back by more than half a day has passed midnight.
class CTimeCells {
public:
    CTimeCells(std::vector<TimeSource> sources, DateOrder order, bool decimalComma);

    bool Empty() const { return m_sources.empty(); }
    // The times are dates and times, not times of day alone: no day is added at midnight.
    bool Dated() const { return !m_wraps; }
    // The source that column `column` is, or -1.
    int SourceOf(std::size_t column) const;
    void Take(int source, std::string_view cell);
    // The row's time; false when a cell of it was missing or no time.
    bool End(double& seconds, double& halfUnit);

private:
    std::vector<TimeSource> m_sources;
    DateOrder m_order;
    bool m_decimalComma;
    bool m_wraps = true;  // no part gives a date
    // The row so far.
    double m_sum = 0, m_half = 0;
    int m_year = 0, m_month = 0, m_day = 0;
    int m_taken = 0;
    bool m_bad = false;
    // Past midnight, for times of day alone.
    double m_last = 0, m_days = 0;
    bool m_any = false;
};

}  // namespace csv_layout
