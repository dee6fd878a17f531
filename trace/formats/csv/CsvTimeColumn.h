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
};

TimeColumnStep StepOfTimeColumn(const Layout& layout, const CCsvBody& body,
                                std::vector<std::string>& said);

}  // namespace csv_layout
