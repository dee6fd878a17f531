#pragma once
// The storing pass of a CSV read: each data record's cells into the arrays of the columns
// that become curves, the time column's steps judged as they come (its values kept only as
// the floats of a curve it may yet become), and counts of what did not fit (cells that are no
// numbers, cells past the table's columns).

#include <string>
#include <string_view>
#include <vector>

#include "trace/formats/csv/FormatCsvLayout.h"
#include "trace/model/FloatArray.h"

class CCsvBody {
public:
    // Room for `rows` rows of the columns `order` names (in the order they become curves),
    // and of the layout's time column, if any.
    CCsvBody(const csv_layout::Layout& layout, const std::vector<std::size_t>& order,
             long long rows);

    // One data record; records past the counted rows are ignored (the file grew).
    void Store(std::string_view record, std::size_t readable, bool quoted);

    long long Stored() const { return m_stored; }
    long long BadCells() const { return m_badCells; }
    long long ExtraCells() const { return m_extraCells; }
    int TimeColumn() const { return m_timeColumn; }
    bool Stamps() const { return m_stamps; }
    // The time column's steps, judged as they came.
    const csv_layout::CTimeTrack& Times() const { return m_times; }
    bool Dated() const { return m_timeCells.Dated(); }

    // The arrays, in the order of `order`; the time column's floats, for a time column that
    // is shown as a curve after all.
    std::vector<CFloatArray> m_curves;
    CFloatArray m_timeFloats;

private:
    float PlainValue(std::string_view cell, const char* readableEnd);
    void CountExtraCells(const char* p, const char* end);

    const csv_layout::Layout& m_layout;
    std::vector<float*> m_dest;    // a column's array, or null
    std::vector<int> m_timeParts;  // by column: the time source it is, or -1
    csv_layout::CTimeCells m_timeCells;
    long long m_rows;
    int m_timeColumn = -1;
    bool m_stamps = false;
    csv_layout::CTimeTrack m_times;
    long long m_stored = 0, m_badCells = 0, m_extraCells = 0;
    std::vector<std::string> m_cells;
};
