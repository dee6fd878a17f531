#pragma once
// The step a CSV's time column gives: evenly spaced over every row, as the layout judged it
// on the head, its mean step in seconds; otherwise a time stamp column is left out and a time
// column is shown as a curve. What was taken and why is added to the notice.

#include <functional>
#include <string>
#include <vector>

#include "trace/formats/csv/CsvBody.h"
#include "trace/formats/csv/FormatCsvLayout.h"

namespace csv_layout {

struct TimeColumnStep {
    double seconds = 0;         // 0 when the column gives none
    double origin = 0;          // the time of the first row, in seconds, with a step
    bool shownAsCurve = false;  // an uneven time column: a curve after all
    std::string source;         // "the time column \"t\"", with a step
};

TimeColumnStep StepOfTimeColumn(const Layout& layout, const CCsvBody& body,
                                std::vector<std::string>& said);

// The time of the first row in `stepUnit`, for a time column of numbers (a scope's trigger
// at 0 makes it negative); 0 for time stamps, or when the column is a curve after all.
double OriginOf(const Layout& layout, const CCsvBody& body, const TimeColumnStep& step,
                const std::string& stepUnit);
// The first time stamp as a date and time of day, for a header item; empty for a time column
// of numbers.
std::string StartOf(const Layout& layout, const CCsvBody& body);

}  // namespace csv_layout
