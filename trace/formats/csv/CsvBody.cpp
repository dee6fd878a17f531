#include "trace/formats/csv/CsvBody.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "framework/core/NumberText.h"

using csv_layout::Role;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// A cell's value: a number, "inf" words, else NaN (then `bad` is counted up). With a decimal
// comma, a ',' in the cell is its decimal point.
float CellValue(std::string_view cell, bool decimalComma, long long& bad) {
    double v = 0, h = 0;
    if (csv_layout::ParseNumber(cell, decimalComma, v, h) && !std::isnan(v))
        return numtext::NarrowToFloat(v);
    ++bad;
    return kNaN;
}

// The next cell of a plain record from p on; p moves past its separator.
std::string_view NextCell(const char*& p, const char* end, char sep) {
    const char* stop =
        static_cast<const char*>(std::memchr(p, sep, static_cast<std::size_t>(end - p)));
    if (stop == nullptr) stop = end;
    const std::string_view cell(p, static_cast<std::size_t>(stop - p));
    p = stop + 1;
    return cell;
}

}  // namespace

CCsvBody::CCsvBody(const csv_layout::Layout& layout, const std::vector<std::size_t>& order,
                   long long rows)
    : m_layout(layout),
      m_dest(layout.columns.size(), nullptr),
      m_timeParts(layout.columns.size(), -1),
      m_timeCells(layout.timeSources, layout.dateOrder, layout.decimalComma),
      m_rows(rows) {
    const auto capacity = static_cast<std::size_t>(std::max<long long>(rows, 1));
    m_curves.resize(order.size());
    for (std::size_t i = 0; i < m_curves.size(); ++i) {
        m_curves[i] = CFloatArray::Allocate(capacity, false);
        if (!m_curves[i]) throw std::bad_alloc();
        m_dest[order[i]] = m_curves[i].get();
    }
    if (layout.timeSources.empty()) return;
    m_timeColumn = static_cast<int>(layout.timeSources.front().column);
    m_stamps = layout.columns[static_cast<std::size_t>(m_timeColumn)].role == Role::timestamp;
    for (std::size_t i = 0; i < layout.timeSources.size() && m_stamps; ++i)
        m_timeParts[layout.timeSources[i].column] = static_cast<int>(i);
    // The time column's floats too, in case it turns out not to be even and is a curve after
    // all.
    if (!m_stamps) {
        m_timeFloats = CFloatArray::Allocate(capacity, false);
        if (!m_timeFloats) throw std::bad_alloc();
        m_dest[static_cast<std::size_t>(m_timeColumn)] = m_timeFloats.get();
    }
}

void CCsvBody::Store(std::string_view record, std::size_t readable, bool quoted) {
    if (m_stored == m_rows) return;  // the file grew since it was counted
    const auto row = static_cast<std::size_t>(m_stored++);
    const bool decimalComma = m_layout.decimalComma;
    const char sep = m_layout.separator;
    // The common row, plain numbers without quotes or decimal commas, is read in place; any
    // other through the cells.
    const bool plain = !decimalComma && !quoted;
    const char* p = record.data();
    const char* const end = p + record.size();
    const char* const readableEnd = readable > 0 ? end + readable : nullptr;
    if (!plain) csv_layout::SplitCells(record, sep, m_cells);
    const int width = static_cast<int>(m_dest.size());
    for (int k = 0; k < width; ++k) {
        std::string_view cell;
        if (!plain) {
            if (k < static_cast<int>(m_cells.size())) cell = m_cells[static_cast<std::size_t>(k)];
        } else if (p <= end) {
            cell = NextCell(p, end, sep);
        }
        float* const column = m_dest[static_cast<std::size_t>(k)];
        if (const int part = m_timeParts[static_cast<std::size_t>(k)]; part >= 0) {
            m_timeCells.Take(part, cell);
            continue;
        }
        if (k == m_timeColumn) {
            // Read once: its step judged, its float kept for a curve it may yet become.
            double v = std::nan(""), h = 0;
            const bool ok = csv_layout::ParseNumber(cell, decimalComma, v, h);
            m_times.Add(ok ? v : std::nan(""), h);
            if (column != nullptr) {
                if (!ok || std::isnan(v)) ++m_badCells;
                column[row] = ok && !std::isnan(v) ? numtext::NarrowToFloat(v) : kNaN;
            }
            continue;
        }
        if (column == nullptr) continue;
        column[row] =
            plain ? PlainValue(cell, readableEnd) : CellValue(cell, decimalComma, m_badCells);
    }
    if (m_stamps) {
        double v = 0, h = 0;
        const bool ok = m_timeCells.End(v, h);
        m_times.Add(ok ? v : std::nan(""), h);
    }
    // Cells past the table's columns have no curve to go to.
    if (plain) {
        CountExtraCells(p, end);
    } else {
        for (std::size_t k = static_cast<std::size_t>(width); k < m_cells.size(); ++k)
            m_extraCells += !TrimSpaces(m_cells[k]).empty();
    }
}

// A plain cell scanned in place (reading up to readableEnd when the line reader leaves room
// past the record); anything but a number alone goes the slow way.
float CCsvBody::PlainValue(std::string_view cell, const char* readableEnd) {
    const char* q = cell.data();
    const char* const cellEnd = q + cell.size();
    while (q < cellEnd && *q == ' ') ++q;
    numtext::FloatScanResult r{0, q};
    if (q < cellEnd)
        r = readableEnd != nullptr ? numtext::ScanFloat(q, cellEnd, readableEnd)
                                   : numtext::ScanFloat(q, cellEnd);
    const char* after = r.end;
    while (after < cellEnd && (*after == ' ' || *after == '\r')) ++after;
    if (r.end != q && after == cellEnd) return r.value;
    return CellValue(cell, false, m_badCells);
}

void CCsvBody::CountExtraCells(const char* p, const char* end) {
    for (; p <= end; ++p) {
        const char* stop = static_cast<const char*>(
            std::memchr(p, m_layout.separator, static_cast<std::size_t>(end - p)));
        if (stop == nullptr) stop = end;
        m_extraCells +=
            !TrimSpaces(std::string_view(p, static_cast<std::size_t>(stop - p))).empty();
        p = stop;
    }
}
