#include "trace/formats/csv/FormatCsvLayout.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include "framework/core/AsciiText.h"
#include "framework/core/NumberText.h"
#include "framework/core/Utf8.h"
#include "trace/model/TimeBase.h"

namespace csv_layout {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

enum class Kind { empty, number, timestamp, text };

struct Record {
    std::vector<std::string> cells;  // trailing empty cells taken off
    std::vector<Kind> kinds;
};

double PowerOfTen(int k) {
    static const auto table = [] {
        std::array<double, 81> t{};
        for (int i = 0; i < 81; ++i) t[static_cast<std::size_t>(i)] = std::pow(10.0, i - 40);
        return t;
    }();
    return k >= -40 && k <= 40 ? table[static_cast<std::size_t>(k + 40)] : std::pow(10.0, k);
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\r' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

Kind KindOf(std::string_view cell, bool decimalComma) {
    if (Trim(cell).empty()) return Kind::empty;
    double v = 0, h = 0;
    if (ParseNumber(cell, decimalComma, v, h)) return Kind::number;
    if (ParseTimestamp(cell, v, h)) return Kind::timestamp;
    return Kind::text;
}

// The records of the head: lines with quoted line ends joined, blank ones skipped.
std::vector<std::string> RecordsOf(std::string_view text, char lineEnd) {
    std::vector<std::string> records;
    std::string pending;
    bool open = false;
    for (std::size_t at = 0; at <= text.size();) {
        std::size_t end = text.find(lineEnd, at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (open) {
            pending += '\n';
            pending += line;
        } else {
            pending = std::string(line);
        }
        open = QuoteOpen(pending);
        if (open && at <= text.size()) continue;
        if (!BlankRecord(pending)) records.push_back(pending);
        pending.clear();
        open = false;
    }
    return records;
}

std::vector<Record> Split(const std::vector<std::string>& lines, char sep, bool decimalComma) {
    std::vector<Record> records(lines.size());
    for (std::size_t r = 0; r < lines.size(); ++r) {
        SplitCells(lines[r], sep, records[r].cells);
        auto& cells = records[r].cells;
        while (!cells.empty() && cells.back().empty()) cells.pop_back();
        for (const std::string& cell : cells)
            records[r].kinds.push_back(KindOf(cell, decimalComma));
    }
    return records;
}

// How well a separator cuts the rows of numbers: numbers count for it, text against it, in
// records of two cells or more that hold a number (a header row is text whatever cuts it).
long Score(const std::vector<Record>& records) {
    long score = 0;
    for (const Record& r : records) {
        if (r.cells.size() < 2) continue;
        long numbers = 0, text = 0;
        for (const Kind k : r.kinds) {
            numbers += k == Kind::number || k == Kind::timestamp;
            text += k == Kind::text;
        }
        if (numbers > 0) score += numbers - text;
    }
    return score;
}

bool IsValue(Kind k) {
    return k == Kind::number || k == Kind::timestamp;
}

// A data row: from column `from` on, every cell that is not empty is a number or a time
// stamp, and there is one.
bool IsDataRow(const Record& r, int from) {
    bool any = false;
    for (std::size_t j = static_cast<std::size_t>(from); j < r.kinds.size(); ++j) {
        if (r.kinds[j] == Kind::text) return false;
        any = any || IsValue(r.kinds[j]);
    }
    return any;
}

bool HasValue(const Record& r, int from) {
    for (std::size_t j = static_cast<std::size_t>(from); j < r.kinds.size(); ++j)
        if (IsValue(r.kinds[j])) return true;
    return false;
}

// Preamble in the first columns beside the data ("Record Length,2.5e3,,0.000,1.84"): rows
// whose first cell is a key and cell `e` empty with numbers after it, the rest empty up to
// `e`. Returns how many columns hold preamble, 0 when the file has none.
int SidePreambleColumns(const std::vector<Record>& records) {
    for (int e = 1; e <= 3; ++e) {
        int keyed = 0, plain = 0, other = 0;
        for (const Record& r : records) {
            const auto kindAt = [&](int j) {
                return j < static_cast<int>(r.kinds.size()) ? r.kinds[static_cast<std::size_t>(j)]
                                                            : Kind::empty;
            };
            if (!IsDataRow(r, e + 1)) {
                if (keyed + plain > 0) ++other;
                continue;
            }
            bool empty = true;
            for (int j = 0; j <= e; ++j) empty = empty && kindAt(j) == Kind::empty;
            if (empty)
                ++plain;
            else if (kindAt(0) == Kind::text && kindAt(e) == Kind::empty)
                ++keyed;
            else if (keyed + plain > 0)
                ++other;
        }
        if (keyed >= 2 && other == 0) return e + 1;
    }
    return 0;
}

std::string StripQuotes(std::string_view s) {
    s = Trim(s);
    if (s.size() >= 2 &&
        ((s.front() == '"' && s.back() == '"') || (s.front() == '\'' && s.back() == '\'')))
        s = Trim(s.substr(1, s.size() - 2));
    return std::string(s);
}

// "U1 [V]", "U1 (V)" and "U1/V": the name and the unit, the unit from the last brackets.
void NameAndUnit(std::string_view cell, std::string& name, std::string& unit) {
    const std::string text = StripQuotes(cell);
    name = text;
    unit.clear();
    if (text.size() >= 2 && (text.back() == ']' || text.back() == ')')) {
        const char open = text.back() == ']' ? '[' : '(';
        const std::size_t at = text.rfind(open);
        if (at != std::string::npos) {
            name = std::string(Trim(std::string_view(text).substr(0, at)));
            unit = std::string(Trim(std::string_view(text).substr(at + 1, text.size() - at - 2)));
            return;
        }
    }
    // A unit after a slash is short and has no spaces ("Time/s", "P/kW").
    const std::size_t slash = text.rfind('/');
    if (slash != std::string::npos && slash > 0 && slash + 1 < text.size() &&
        text.size() - slash <= 9 && text.find(' ', slash) == std::string::npos) {
        name = std::string(Trim(std::string_view(text).substr(0, slash)));
        unit = text.substr(slash + 1);
    }
}

bool IsUnitWord(std::string_view cell) {
    const std::string text = StripQuotes(cell);
    if (text.empty()) return true;
    if ((text.front() == '(' && text.back() == ')') || (text.front() == '[' && text.back() == ']'))
        return true;
    if (!timebase::NormalUnit(text).empty()) return true;
    static const std::string_view kUnits[] = {"v",
                                              "mv",
                                              "uv",
                                              "kv",
                                              "volt",
                                              "volts",
                                              "a",
                                              "ma",
                                              "ua",
                                              "amp",
                                              "amps",
                                              "ampere",
                                              "w",
                                              "mw",
                                              "kw",
                                              "hz",
                                              "khz",
                                              "mhz",
                                              "\xC2\xB0"
                                              "c",
                                              "degc",
                                              "c",
                                              "k",
                                              "\xC2\xB0"
                                              "f",
                                              "%",
                                              "pa",
                                              "kpa",
                                              "hpa",
                                              "bar",
                                              "mbar",
                                              "g",
                                              "m/s^2",
                                              "m/s\xC2\xB2",
                                              "rad/s",
                                              "deg",
                                              "sequence",
                                              "ohm",
                                              "db",
                                              "dbm",
                                              "rpm",
                                              "n",
                                              "nm",
                                              "lux",
                                              "lx",
                                              "m",
                                              "mm",
                                              "cm",
                                              "ut",
                                              "\xC2\xB5t",
                                              "div",
                                              "sample",
                                              "samples",
                                              "count"};
    const std::string lower = Lower(text);
    return std::find(std::begin(kUnits), std::end(kUnits), lower) != std::end(kUnits);
}

bool NameIn(std::string_view name, std::initializer_list<std::string_view> names) {
    for (const std::string_view n : names)
        if (EqualsIgnoringAsciiCase(name, n)) return true;
    return false;
}

// Seconds per unit of a rate's or an interval's unit text, or 0 when it names none.
double RateHertz(std::string_view unit) {
    const std::string u = Lower(Trim(unit));
    for (const auto& [prefix, f] :
         {std::pair<std::string_view, double>{"", 1}, {"k", 1e3}, {"m", 1e6}, {"g", 1e9}})
        for (const std::string_view base : {"hz", "sa/s", "s/s", "samples/s", "sps"})
            if (u == std::string(prefix) + std::string(base)) return f;
    return 0;
}

// The step a preamble states: an interval ("Sample Interval,4.0e-09", "Increment: 5 us") or
// a rate ("Sample Rate,1.0E+06 Sa/s"), in seconds; 0 when this item states none.
double StatedStep(std::string_view key, std::string_view value) {
    std::string k = Lower(Trim(key));
    std::string keyUnit;
    if (const auto open = k.find_first_of("(["); open != std::string::npos) {
        keyUnit = std::string(Trim(std::string_view(k).substr(open + 1)));
        if (!keyUnit.empty() && (keyUnit.back() == ')' || keyUnit.back() == ']'))
            keyUnit.pop_back();
        k = std::string(Trim(std::string_view(k).substr(0, open)));
    }
    while (!k.empty() && k.back() == ':') k.pop_back();
    const bool interval =
        NameIn(k, {"sample interval", "sampling interval", "sampling period", "sample period",
                   "increment", "x increment", "xincrement", "time step", "dt"});
    const bool rate = NameIn(k, {"sample rate", "sampling rate", "sampling frequency",
                                 "sample frequency", "samplerate"});
    if (!interval && !rate) return 0;
    std::string v(Trim(value));
    std::replace(v.begin(), v.end(), ',', '.');
    const numtext::ScanResult number = numtext::ScanReal(v.data(), v.data() + v.size());
    if (number.end == v.data() || !(number.value > 0) || !std::isfinite(number.value)) return 0;
    std::string unit(Trim(std::string_view(number.end, v.data() + v.size() - number.end)));
    if (unit.empty()) unit = keyUnit;
    if (interval) {
        if (unit.empty()) return number.value;  // seconds when nothing says otherwise
        const std::string normal = timebase::NormalUnit(unit);
        return normal.empty() ? 0 : number.value * timebase::SecondsPer(normal);
    }
    const double hertz = unit.empty() ? 1 : RateHertz(unit);
    return hertz > 0 ? 1 / (number.value * hertz) : 0;
}

// Strictly increasing and evenly spaced: every step an even one (EvenStep).
bool EvenlySpaced(const std::vector<double>& values, const std::vector<double>& halfUnits) {
    if (values.size() < 3) return false;
    std::vector<double> steps;
    for (std::size_t i = 1; i < values.size(); ++i) steps.push_back(values[i] - values[i - 1]);
    std::vector<double> sorted = steps;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2),
                     sorted.end());
    const double median = sorted[sorted.size() / 2];
    if (!(median > 0)) return false;
    for (std::size_t i = 0; i < steps.size(); ++i)
        if (!EvenStep(values[i], values[i + 1], median, halfUnits[i], halfUnits[i + 1]))
            return false;
    return true;
}

std::string Quoted(std::string_view label) {
    return "\"" + std::string(label) + "\"";
}

}  // namespace

bool EvenStep(double a, double b, double median, double halfA, double halfB) {
    // The bound itself counts as within, whatever the last bits of the arithmetic say; the
    // last term is what the subtraction of two large times may lose.
    const double slack = std::min(halfA + halfB, median / 4) * (1 + 1e-9) +
                         4 * std::numeric_limits<double>::epsilon() * std::fabs(b);
    return b - a > 0 && std::fabs((b - a) - median) <= slack;
}

bool BlankRecord(std::string_view record) {
    return std::all_of(record.begin(), record.end(), [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\0' || c == ',' || c == ';';
    });
}

bool QuoteOpen(std::string_view record) {
    return std::count(record.begin(), record.end(), '"') % 2 != 0;
}

void SplitCells(std::string_view line, char sep, std::vector<std::string>& cells) {
    cells.clear();
    std::size_t i = 0;
    for (;;) {
        std::string cell;
        while (i < line.size() && line[i] == ' ') ++i;
        if (i < line.size() && line[i] == '"') {
            for (++i; i < line.size(); ++i) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        cell += '"';
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    cell += line[i];
                }
            }
            while (i < line.size() && line[i] != sep) ++i;
        } else {
            const std::size_t end = std::min(line.find(sep, i), line.size());
            cell = std::string(Trim(line.substr(i, end - i)));
            i = end;
        }
        cells.push_back(std::move(cell));
        if (i >= line.size()) break;
        ++i;  // the separator
    }
}

bool ParseNumber(std::string_view cell, bool decimalComma, double& value, double& halfUnit) {
    cell = Trim(cell);
    if (cell.empty()) return false;
    // A copy only for a decimal comma to turn into a point.
    std::string commaFree;
    std::string_view copy = cell;
    if (decimalComma && cell.find(',') != std::string_view::npos) {
        commaFree = std::string(cell);
        std::replace(commaFree.begin(), commaFree.end(), ',', '.');
        copy = commaFree;
    }
    const numtext::ScanResult r = numtext::ScanReal(copy.data(), copy.data() + copy.size());
    if (r.end == copy.data() + copy.size()) {
        value = r.value;
        // Digits after the point, less the exponent, make the last digit's place.
        int decimals = 0, exponent = 0;
        const std::size_t point = copy.find('.');
        const std::size_t e = copy.find_first_of("eE");
        if (point != std::string_view::npos)
            for (std::size_t i = point + 1; i < copy.size() && copy[i] >= '0' && copy[i] <= '9';
                 ++i)
                ++decimals;
        if (e != std::string_view::npos) exponent = numtext::ParseInt(copy.substr(e + 1));
        halfUnit = 0.5 * PowerOfTen(exponent - decimals);
        return true;
    }
    const std::string_view word =
        copy.front() == '+' || copy.front() == '-' ? copy.substr(1) : copy;
    halfUnit = 0;
    if (EqualsIgnoringAsciiCase(word, "nan")) {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (EqualsIgnoringAsciiCase(word, "inf") || EqualsIgnoringAsciiCase(word, "infinity")) {
        value = copy.front() == '-' ? -std::numeric_limits<double>::infinity()
                                    : std::numeric_limits<double>::infinity();
        return true;
    }
    return false;
}

bool ParseTimestamp(std::string_view cell, double& seconds, double& halfUnit) {
    if (cell.size() < 16) return false;  // too short for a date and a time of day
    const std::string stripped = StripQuotes(cell);
    cell = Trim(stripped);
    // YYYY-MM-DD or YYYY/MM/DD, then ' ' or 'T', then hh:mm[:ss[.fff]], then an optional 'Z'.
    const auto digits = [&](std::size_t at, std::size_t n, int& out) {
        if (at + n > cell.size()) return false;
        out = 0;
        for (std::size_t i = at; i < at + n; ++i) {
            if (cell[i] < '0' || cell[i] > '9') return false;
            out = out * 10 + (cell[i] - '0');
        }
        return true;
    };
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!digits(0, 4, y) || cell.size() < 16 || (cell[4] != '-' && cell[4] != '/') ||
        cell[7] != cell[4] || !digits(5, 2, mo) || !digits(8, 2, d) ||
        (cell[10] != ' ' && cell[10] != 'T') || !digits(11, 2, h) || cell[13] != ':' ||
        !digits(14, 2, mi))
        return false;
    std::size_t at = 16;
    double fraction = 0;
    halfUnit = 30;
    if (at < cell.size() && cell[at] == ':') {
        if (!digits(at + 1, 2, s)) return false;
        at += 3;
        halfUnit = 0.5;
        if (at < cell.size() && (cell[at] == '.' || cell[at] == ',')) {
            double scale = 0.1;
            for (++at; at < cell.size() && cell[at] >= '0' && cell[at] <= '9'; ++at) {
                fraction += (cell[at] - '0') * scale;
                halfUnit = scale / 2;
                scale /= 10;
            }
        }
    }
    if (at < cell.size() && cell[at] == 'Z') ++at;
    if (at != cell.size() || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60)
        return false;
    // Days from the civil date (proleptic Gregorian), as a calendar library counts them.
    const int yy = y - (mo <= 2 ? 1 : 0);
    const int era = yy / 400;
    const int yoe = yy - era * 400;
    const int doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const double days = static_cast<double>(era) * 146097 + doe - 719468;
    seconds = days * 86400 + h * 3600 + mi * 60 + s + fraction;
    return true;
}

Layout Detect(std::string_view head, bool whole) {
    Layout layout;
    if (head.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        head.remove_prefix(kByteOrderMark.size());
    layout.crOnly =
        head.find('\n') == std::string_view::npos && head.find('\r') != std::string_view::npos;
    const char lineEnd = layout.crOnly ? '\r' : '\n';
    if (!whole) {
        // The last record of a cut head may be cut too.
        const std::size_t last = head.rfind(lineEnd);
        if (last != std::string_view::npos) head = head.substr(0, last + 1);
    }
    layout.latin1 = !IsValidUtf8(head);
    const auto text = [&](std::string_view s) {
        return layout.latin1 ? Latin1ToUtf8(s) : SanitizeUtf8(s);
    };
    const std::vector<std::string> lines = RecordsOf(head, lineEnd);

    // The separator that cuts the records into the most numbers; with no numbers, the one
    // that cuts the most cells.
    std::vector<Record> records;
    long best = std::numeric_limits<long>::min();
    std::size_t bestCells = 0;
    // The first 200 records tell the separator; the rest are cut by it once.
    const std::vector<std::string> first(
        lines.begin(), lines.begin() + static_cast<long>(std::min<std::size_t>(lines.size(), 200)));
    for (const char sep : {',', ';', '\t'}) {
        std::vector<Record> cut = Split(first, sep, sep != ',');
        const long score = Score(cut);
        std::size_t cells = 0;  // the most cells with something in them, in one record
        for (const Record& r : cut)
            cells = std::max<std::size_t>(cells, static_cast<std::size_t>(std::count_if(
                                                     r.kinds.begin(), r.kinds.end(),
                                                     [](Kind k) { return k != Kind::empty; })));
        const bool better =
            score > 0 ? score > best
                      : best <= 0 && (cells > bestCells || (cells == bestCells && records.empty()));
        if (better) {
            best = std::max(score, best);
            bestCells = cells;
            layout.separator = sep;
            records = std::move(cut);
        }
    }
    layout.decimalComma = layout.separator != ',';
    if (lines.size() > first.size()) records = Split(lines, layout.separator, layout.decimalComma);

    // Preamble beside the data, then the first run of data rows.
    layout.preambleColumns = SidePreambleColumns(records);
    const int p = layout.preambleColumns;
    const auto n = static_cast<std::int64_t>(records.size());
    // The data start at the first row of numbers after which two rows in three are rows of
    // numbers too (rows of empty cells not counted): a stray word in the body does not make
    // the rows before it a header.
    std::int64_t data = -1;
    std::vector<std::int64_t> dataFrom(static_cast<std::size_t>(n) + 1, 0),
        filledFrom(static_cast<std::size_t>(n) + 1, 0);
    for (std::int64_t r = n - 1; r >= 0; --r) {
        const Record& rec = records[static_cast<std::size_t>(r)];
        const auto at = static_cast<std::size_t>(r);
        dataFrom[at] = dataFrom[at + 1] + (IsDataRow(rec, p) ? 1 : 0);
        filledFrom[at] = filledFrom[at + 1] + (rec.cells.empty() ? 0 : 1);
    }
    for (std::int64_t r = 0; r < n && data < 0; ++r) {
        const auto at = static_cast<std::size_t>(r);
        if (IsDataRow(records[at], p) && 3 * dataFrom[at] >= 2 * filledFrom[at]) data = r;
    }
    // Rows just before that start with a number belong to the data too, a stray word or two
    // in them notwithstanding; preamble and units rows start with a word.
    const auto startsWithValue = [&](std::int64_t r) {
        const Record& rec = records[static_cast<std::size_t>(r)];
        return static_cast<std::size_t>(p) < rec.kinds.size() &&
               IsValue(rec.kinds[static_cast<std::size_t>(p)]);
    };
    while (data > 0 && startsWithValue(data - 1)) --data;
    // No data: a header of names (a row of two cells or more, or the only row) and what is
    // above it; a file of lone words is no table.
    if (data < 0 && n > 1 && records.back().cells.size() < 2) {
        layout.refusal = "it holds no rows of numbers that make out a table";
        return layout;
    }
    if (data < 0) data = n;
    layout.dataRecord = data;

    // The header: the last row before the data without numbers; right under it, a row of
    // unit words gives the units. Start and Increment cells may stand in the units row.
    std::int64_t header = -1, units = -1;
    const auto startIncrement = [&](std::int64_t h, std::size_t j) {
        const auto& names = records[static_cast<std::size_t>(h)].cells;
        return j < names.size() && NameIn(StripQuotes(names[j]), {"start", "increment"});
    };
    const auto unitsRow = [&](std::int64_t u, std::int64_t h) {
        const Record& r = records[static_cast<std::size_t>(u)];
        for (std::size_t j = 0; j < r.cells.size(); ++j)
            if (!(r.kinds[j] == Kind::empty ||
                  (r.kinds[j] == Kind::text && IsUnitWord(r.cells[j])) ||
                  (r.kinds[j] == Kind::number && startIncrement(h, j))))
                return false;
        return true;
    };
    if (data >= 1) {
        const std::int64_t last = data - 1;
        if (last >= 1 && !HasValue(records[static_cast<std::size_t>(last - 1)], p) &&
            unitsRow(last, last - 1)) {
            header = last - 1;
            units = last;
        } else if (!HasValue(records[static_cast<std::size_t>(last)], p)) {
            header = last;
        }
    }
    for (std::int64_t r = 0; r < (header >= 0 ? header : data); ++r) {
        const Record& rec = records[static_cast<std::size_t>(r)];
        std::string key = rec.cells.empty() ? std::string() : rec.cells[0], value;
        if (rec.cells.size() == 1) {
            // A key and its value in one cell: "Model: DSO-X", "Model;DSO-X".
            const std::size_t at = key.find_first_of(":;,=");
            if (at != std::string::npos) {
                value = std::string(Trim(std::string_view(key).substr(at + 1)));
                key = std::string(Trim(std::string_view(key).substr(0, at)));
            }
        }
        for (std::size_t j = 1; j < rec.cells.size(); ++j) {
            if (rec.cells[j].empty()) continue;
            if (!value.empty()) value += ' ';
            value += rec.cells[j];
        }
        layout.preamble.emplace_back(text(StripQuotes(key)), text(value));
    }
    const int preambleItems = static_cast<int>(layout.preamble.size());
    // Preamble beside the data: a key and its value in each of the first columns.
    for (std::int64_t r = data; r < n && p > 0; ++r) {
        const Record& rec = records[static_cast<std::size_t>(r)];
        if (rec.kinds.empty() || rec.kinds[0] != Kind::text) continue;
        std::string value;
        for (std::size_t j = 1; j + 1 < static_cast<std::size_t>(p) && j < rec.cells.size(); ++j) {
            if (rec.cells[j].empty()) continue;
            if (!value.empty()) value += ' ';
            value += rec.cells[j];
        }
        layout.preamble.emplace_back(text(StripQuotes(rec.cells[0])), text(value));
    }

    // The columns: as many as the header and the widest row hold.
    std::size_t width = 0;
    for (std::int64_t r = header >= 0 ? header : data; r < n; ++r)
        width = std::max(width, records[static_cast<std::size_t>(r)].cells.size());
    layout.columns.resize(width);
    for (std::size_t j = 0; j < width; ++j) {
        Column& c = layout.columns[j];
        if (j < static_cast<std::size_t>(p)) {
            c.role = Role::ignored;
            continue;
        }
        if (header >= 0 && j < records[static_cast<std::size_t>(header)].cells.size())
            NameAndUnit(text(records[static_cast<std::size_t>(header)].cells[j]), c.name, c.unit);
        if (units >= 0 && j < records[static_cast<std::size_t>(units)].cells.size() &&
            records[static_cast<std::size_t>(units)].kinds[j] == Kind::text) {
            std::string unit = StripQuotes(text(records[static_cast<std::size_t>(units)].cells[j]));
            if (unit.size() >= 2 && (unit.front() == '(' || unit.front() == '['))
                unit = unit.substr(1, unit.size() - 2);
            c.unit = unit;
        }
        c.label = c.name.empty()   ? fmt::format("column {}", j)
                  : c.unit.empty() ? c.name
                                   : c.name + " [" + c.unit + "]";
    }

    // The step the file states: in the preamble, or in cells under Start and Increment.
    for (const auto& [key, value] : layout.preamble) {
        const double step = StatedStep(key, value);
        if (step > 0) {
            layout.statedStep = step;
            layout.statedStepSource = "the preamble's " + Quoted(key);
            break;
        }
    }
    if (header >= 0)
        for (std::size_t j = 0; j < width; ++j) {
            if (!startIncrement(header, j)) continue;
            Column& c = layout.columns[j];
            c.role = Role::ignored;
            double v = 0, h = 0;
            const bool given = units >= 0 &&
                               j < records[static_cast<std::size_t>(units)].cells.size() &&
                               ParseNumber(records[static_cast<std::size_t>(units)].cells[j],
                                           layout.decimalComma, v, h);
            if (!given) continue;
            layout.preamble.emplace_back(c.name, records[static_cast<std::size_t>(units)].cells[j]);
            if (EqualsIgnoringAsciiCase(c.name, "increment") && v > 0 && layout.statedStep == 0) {
                layout.statedStep = v;
                layout.statedStepSource = "the cell under \"Increment\"";
            }
        }

    // What each column holds, judged on the head's data rows.
    const auto valuesOf = [&](std::size_t j, std::vector<double>& values,
                              std::vector<double>& halfUnits, bool& stamps) {
        stamps = true;
        bool numbers = true;
        for (std::int64_t r = data; r < n; ++r) {
            const Record& rec = records[static_cast<std::size_t>(r)];
            const Kind k = j < rec.kinds.size() ? rec.kinds[j] : Kind::empty;
            if (k == Kind::empty) continue;
            stamps = stamps && k == Kind::timestamp;
            numbers = numbers && k == Kind::number;
            double v = 0, h = 0;
            if (k == Kind::number) ParseNumber(rec.cells[j], layout.decimalComma, v, h);
            if (k == Kind::timestamp) ParseTimestamp(rec.cells[j], v, h);
            values.push_back(v);
            halfUnits.push_back(h);
        }
        stamps = stamps && !values.empty();
        return numbers || stamps;
    };
    bool haveTime = false;
    for (std::size_t j = static_cast<std::size_t>(p); j < width; ++j) {
        Column& c = layout.columns[j];
        if (c.role != Role::curve) continue;
        std::vector<double> values, halfUnits;
        bool stamps = false;
        valuesOf(j, values, halfUnits, stamps);
        if (stamps) {
            c.role = Role::timestamp;
            layout.guesses.push_back("column " + Quoted(c.label) + " holds time stamps");
            continue;
        }
        bool counts = values.size() >= 2;
        for (std::size_t i = 0; counts && i < values.size(); ++i)
            counts = values[i] == values[0] + static_cast<double>(i) &&
                     values[i] == std::trunc(values[i]);
        // A counter is no curve, unless it is all the file holds.
        counts = counts && values.size() >= 3 && width - static_cast<std::size_t>(p) > 1;
        if (counts && (c.name.empty() || NameIn(c.name, {"x", "sequence", "no.", "no", "index",
                                                         "id#", "id", "#", "n", "nr", "nr."}))) {
            c.role = Role::index;
            layout.guesses.push_back("column " + Quoted(c.label) +
                                     " counts the samples (0, 1, 2, ...) and is not a curve");
            continue;
        }
        if (haveTime) continue;
        c.timeByName = NameIn(c.name, {"time", "t", "x", "x-axis", "second", "seconds", "sec", "s",
                                       "zeit", "temps", "tiempo", "tempo"}) ||
                       (c.name.empty() && header >= 0 && j == static_cast<std::size_t>(p));
        // By its values alone, only a first column without a name, or one whose even step is
        // no whole number: a named column counting 1, 2, 3 is a curve.
        const bool even = EvenlySpaced(values, halfUnits);
        const bool wholeStep = even && values[1] - values[0] == std::trunc(values[1] - values[0]);
        if (c.timeByName ||
            (j == static_cast<std::size_t>(p) && even && (c.name.empty() || !wholeStep))) {
            c.role = Role::time;
            haveTime = true;
        }
    }

    // Counters and times are no curves only beside curves: a file of nothing else shows them.
    const auto isCurve = [](const Column& c) { return c.role == Role::curve; };
    if (std::none_of(layout.columns.begin(), layout.columns.end(), isCurve))
        for (Column& c : layout.columns)
            if (c.role == Role::time) {
                c.role = Role::curve;
                layout.guesses.push_back("it holds nothing but the time column " + Quoted(c.label) +
                                         ", shown as a curve");
            }
    if (std::none_of(layout.columns.begin(), layout.columns.end(), isCurve)) {
        for (Column& c : layout.columns)
            if (c.role == Role::index) c.role = Role::curve;
        std::erase_if(layout.guesses, [](const std::string& g) {
            return g.find("counts the samples") != std::string::npos;
        });
    }
    if (layout.crOnly) layout.guesses.push_back("its lines end in a carriage return alone");
    if (layout.latin1) layout.guesses.push_back("it is not UTF-8 and was read as Latin-1");
    if (layout.decimalComma && layout.separator == ';')
        layout.guesses.push_back("its cells are separated by ';' with ',' as the decimal mark");
    if (p > 0)
        layout.guesses.push_back(
            fmt::format("columns 0 to {} beside the data hold {} header items", p - 1,
                        static_cast<int>(layout.preamble.size()) - preambleItems));
    layout.preambleLines = preambleItems;
    if (units >= 0) layout.guesses.push_back("the units come from the row under the names");
    if (header >= 0) {
        const std::size_t named = records[static_cast<std::size_t>(header)].cells.size();
        if (width > named)
            layout.guesses.push_back(fmt::format(
                "its rows are wider than the {} names of the header: columns {} to {} have no name",
                named, named, width - 1));
    }
    if (layout.statedStep > 0)
        layout.guesses.push_back(fmt::format("the step of {} s comes from {}",
                                             timebase::ReadableText(layout.statedStep),
                                             layout.statedStepSource));
    return layout;
}

}  // namespace csv_layout
