#include "trace/formats/csv/FormatCsvLayout.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <optional>

#include "framework/core/AsciiText.h"
#include "framework/core/NumberText.h"
#include "framework/core/Utf8.h"
#include "trace/formats/csv/CsvRecords.h"
#include "trace/model/TimeBase.h"

namespace csv_layout {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

enum class Kind { empty, number, timestamp, text };

struct Record {
    std::vector<std::string> cells;  // trailing empty cells taken off
    std::vector<Kind> kinds;
};

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

// The records of the head, joined as the reader joins them (CsvRecords.h).
std::vector<std::string> RecordsOf(std::string_view text, char lineEnd) {
    std::vector<std::string> records;
    CRecordJoiner joiner;
    const auto keep = [&records](std::string_view record, std::size_t, bool) {
        records.emplace_back(record);
    };
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find(lineEnd, at);
        if (end == std::string_view::npos) end = text.size();
        joiner.Line(text.substr(at, end - at), 0, keep);
        at = end + 1;
    }
    joiner.End(keep);
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

// "Step,<number>,<unit>", as a CSV save of ours states a step its rows cannot carry.
bool StatesStep(const Record& r) {
    return r.cells.size() >= 2 && r.cells[0] == "Step" && r.kinds[1] == Kind::number;
}

// A data row: from column `from` on, every cell that is not empty is a number or a time
// stamp, but in the columns of words (`words`, by column), and there is one.
bool IsDataRow(const Record& r, int from, const std::vector<bool>& words = {}) {
    bool any = false;
    for (std::size_t j = static_cast<std::size_t>(from); j < r.kinds.size(); ++j) {
        const bool word = j < words.size() && words[j];
        if (r.kinds[j] == Kind::text && !word) return false;
        any = any || (IsValue(r.kinds[j]) && !word);
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

bool IsUnitWord(std::string_view cell);

// "U1 [V]", "U1 (V)", "U1/V" and "C1 in V": the name and the unit, the unit from the last
// brackets.
void NameAndUnit(std::string_view cell, std::string& name, std::string& unit) {
    const std::string text = StripQuotes(cell);
    name = text;
    unit.clear();
    // "in" before a unit word only: "Temperature in hall" is a name.
    if (const std::size_t in = text.rfind(" in "); in != std::string::npos && in > 0) {
        const std::string after(Trim(std::string_view(text).substr(in + 4)));
        if (!after.empty() && IsUnitWord(after)) {
            name = std::string(Trim(std::string_view(text).substr(0, in)));
            unit = after;
            return;
        }
    }
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

// Strictly increasing and evenly spaced, as the reader judges every row (CTimeTrack).
bool EvenlySpaced(const std::vector<double>& values, const std::vector<double>& halfUnits) {
    if (values.size() < 3) return false;
    CTimeTrack track;
    for (std::size_t i = 0; i < values.size(); ++i) track.Add(values[i], halfUnits[i]);
    return track.Even();
}

// A preamble line's key and value. A comment mark before the key ("# Sample Interval = 2e-6",
// "%", ";", "//") is no part of it; a key and its value may share a cell ("Model: DSO-X",
// "Model=DSO-X").
std::pair<std::string, std::string> KeyAndValue(std::string key, std::string value) {
    std::string_view k = Trim(key);
    for (const std::string_view mark : {"//", "#", "%", ";"})
        if (k.substr(0, mark.size()) == mark) {
            k = Trim(k.substr(mark.size()));
            break;
        }
    key = std::string(k);
    // Cut before it began (a ';' comment mark with ';' cells): "key: value" after it.
    if (key.empty() && value.find_first_of(":=") != std::string::npos) std::swap(key, value);
    if (value.empty()) {
        const std::size_t at = key.find_first_of(":;,=");
        if (at != std::string::npos) {
            value = std::string(Trim(std::string_view(key).substr(at + 1)));
            key = std::string(Trim(std::string_view(key).substr(0, at)));
        }
    }
    return {key, value};
}

std::string Quoted(std::string_view label) {
    return "\"" + std::string(label) + "\"";
}

// A column of dates or times: every cell a stamp, its dates read in one order.
struct StampColumn {
    std::size_t j = 0;
    bool date = true, time = false;
    DateOrder order = DateOrder::either;
    std::string orderSaid;  // how the dates were read, when they could have been read otherwise
};

bool IsTimeName(std::string_view name) {
    return NameIn(name, {"time", "t", "x", "x-axis", "second", "seconds", "sec", "s", "zeit",
                         "temps", "tiempo", "tempo"});
}

bool IsStampName(std::string_view name) {
    return NameIn(
        name, {"ts", "timestamp", "timestamps", "time stamp", "time_stamp", "epoch", "epoch time",
               "unix", "unix time", "unixtime", "unix_time", "unix timestamp"});
}

// Made out a step at a time from the head's records; each step reads what the steps before
// it found.
class CDetector {
public:
    CDetector(std::string_view head, bool whole);
    Layout Run();

private:
    std::string Text(std::string_view s) const {
        return m_layout.latin1 ? Latin1ToUtf8(s) : SanitizeUtf8(s);
    }
    const Record& At(std::int64_t r) const { return m_records[static_cast<std::size_t>(r)]; }
    void ChooseSeparator(const std::vector<std::string>& lines);
    void FindWordColumns();
    bool FindData();
    bool StartsWithValue(std::int64_t r) const;
    bool NamedByNumbers(std::int64_t r) const;
    void NameFromPreamble();
    std::int64_t OurTable() const;
    bool StatesItsStep() const;
    void FindHeaderAndUnits();
    bool StartIncrement(std::int64_t header, std::size_t j) const;
    bool UnitsRow(std::int64_t units, std::int64_t header) const;
    void ReadPreamble();
    void NameColumns();
    void FindStatedStep();
    bool ValuesOf(std::size_t j, std::vector<double>& values, std::vector<double>& halfUnits,
                  bool& stamps) const;
    void FindStartAndRate();
    void JudgeColumns();
    bool StampsIn(std::size_t j, struct StampColumn& out) const;
    void StampValues(std::size_t j, DateOrder order, std::vector<double>& values,
                     std::vector<double>& halfUnits) const;
    void JudgeStampColumns();
    void JoinCalendarColumns();
    bool EpochColumn(std::size_t j, const std::vector<double>& values);
    void TakeTime(std::vector<TimeSource> sources, DateOrder order);
    bool JudgeTime(std::size_t j, const std::vector<double>& values,
                   const std::vector<double>& halfUnits);
    void ShowTheOnlyColumns();
    void NameEveryCurve();
    void SayWhatWasMadeOut();

    Layout m_layout;
    std::string_view m_head;
    char m_lineEnd = '\n';
    std::vector<Record> m_records;
    int m_p = 0;               // columns of preamble beside the data
    std::int64_t m_n = 0;      // records in the head
    std::int64_t m_data = -1;  // the first data record
    std::int64_t m_header = -1, m_units = -1;
    std::size_t m_width = 0;    // columns of the table
    std::vector<bool> m_words;  // by column: words in the rows of numbers, no curve
    int m_preambleItems = 0;    // items from the lines above the table
    bool m_haveTime = false;
};

}  // namespace

CDetector::CDetector(std::string_view head, bool whole) {
    if (head.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        head.remove_prefix(kByteOrderMark.size());
    m_layout.crOnly =
        head.find('\n') == std::string_view::npos && head.find('\r') != std::string_view::npos;
    m_lineEnd = m_layout.crOnly ? '\r' : '\n';
    if (!whole) {
        // The last record of a cut head may be cut too.
        const std::size_t last = head.rfind(m_lineEnd);
        if (last != std::string_view::npos) head = head.substr(0, last + 1);
    }
    m_layout.latin1 = !IsValidUtf8(head);
    m_head = head;
}

Layout CDetector::Run() {
    ChooseSeparator(RecordsOf(m_head, m_lineEnd));
    // Preamble beside the data, then the first run of data rows.
    m_p = SidePreambleColumns(m_records);
    m_layout.preambleColumns = m_p;
    m_n = static_cast<std::int64_t>(m_records.size());
    FindWordColumns();
    if (!FindData()) return m_layout;
    FindHeaderAndUnits();
    ReadPreamble();
    FindStartAndRate();
    NameColumns();
    FindStatedStep();
    JudgeColumns();
    NameFromPreamble();
    ShowTheOnlyColumns();
    NameEveryCurve();
    SayWhatWasMadeOut();
    return m_layout;
}

// The separator that cuts the records into the most numbers; with no numbers, the one that
// cuts the most cells. The first 200 records tell it; the rest are cut by it once.
void CDetector::ChooseSeparator(const std::vector<std::string>& lines) {
    // A save of ours states its step as "Step,<number>,<unit>": its cells are cut by ','.
    const bool ours = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        double v = 0, h = 0;
        return line.rfind("Step,", 0) == 0 &&
               ParseNumber(std::string_view(line).substr(5, line.find(',', 5) - 5), false, v, h);
    });
    if (ours) {
        m_layout.separator = ',';
        m_layout.decimalComma = false;
        m_records = Split(lines, ',', false);
        return;
    }
    long best = std::numeric_limits<long>::min();
    std::size_t bestCells = 0;
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
        const bool better = score > 0 ? score > best
                                      : best <= 0 && (cells > bestCells ||
                                                      (cells == bestCells && m_records.empty()));
        if (better) {
            best = std::max(score, best);
            bestCells = cells;
            m_layout.separator = sep;
            m_records = std::move(cut);
        }
    }
    m_layout.decimalComma = m_layout.separator != ',';
    if (lines.size() > first.size())
        m_records = Split(lines, m_layout.separator, m_layout.decimalComma);
}

// Columns of words beside the numbers (a status, a label): in the last rows that hold numbers,
// more of their cells are words than not. They are no curves, and their words make no row a
// header.
void CDetector::FindWordColumns() {
    std::int64_t start = m_n;
    while (start > 0 && HasValue(At(start - 1), m_p)) --start;
    // In a save of ours the names row may hold numbers: the rows under it tell.
    start = std::max(start, OurTable());
    std::vector<int> words, filled;
    for (std::int64_t r = start; r < m_n; ++r)
        for (std::size_t j = static_cast<std::size_t>(m_p); j < At(r).kinds.size(); ++j) {
            if (j >= words.size()) words.resize(j + 1), filled.resize(j + 1);
            words[j] += At(r).kinds[j] == Kind::text;
            filled[j] += At(r).kinds[j] != Kind::empty;
        }
    m_words.assign(words.size(), false);
    for (std::size_t j = 0; j < words.size(); ++j) m_words[j] = 2 * words[j] > filled[j];
}

// The data start at the first row of numbers after which two rows in three are rows of
// numbers too (rows of empty cells not counted): a stray word in the body does not make the
// rows before it a header. False, with the refusal, for a head that holds no table.
bool CDetector::FindData() {
    if (const std::int64_t ours = OurTable(); ours >= 0) {
        m_data = ours;
        m_layout.sawData = true;
        m_layout.dataRecord = m_data;
        return true;
    }
    std::vector<std::int64_t> dataFrom(static_cast<std::size_t>(m_n) + 1, 0),
        filledFrom(static_cast<std::size_t>(m_n) + 1, 0);
    for (std::int64_t r = m_n - 1; r >= 0; --r) {
        const auto at = static_cast<std::size_t>(r);
        dataFrom[at] = dataFrom[at + 1] + (IsDataRow(At(r), m_p, m_words) ? 1 : 0);
        filledFrom[at] = filledFrom[at + 1] + (At(r).cells.empty() ? 0 : 1);
    }
    for (std::int64_t r = 0; r < m_n && m_data < 0; ++r) {
        const auto at = static_cast<std::size_t>(r);
        if (IsDataRow(At(r), m_p, m_words) && 3 * dataFrom[at] >= 2 * filledFrom[at]) m_data = r;
    }
    // Rows just before that start with a number belong to the data too, a stray word or two
    // in them notwithstanding; preamble and units rows start with a word.
    while (m_data > 0 && StartsWithValue(m_data - 1)) --m_data;
    // With columns of words, a row of names among the rows taken for data is their header.
    if (std::find(m_words.begin(), m_words.end(), true) != m_words.end())
        for (std::int64_t r = m_n - 1; r > m_data && m_data >= 0; --r)
            if (!HasValue(At(r), m_p) && At(r).cells.size() >= 2) {
                m_data = r + 1;
                break;
            }
    // No data: a header of names (a row of two cells or more, or the only row) and what is
    // above it; a file of lone words is no table.
    if (m_data < 0 && m_n > 1 && m_records.back().cells.size() < 2 && !StatesItsStep()) {
        m_layout.refusal = "it holds no rows of numbers that make out a table";
        return false;
    }
    m_layout.sawData = m_data >= 0;
    if (m_data < 0) m_data = m_n;
    m_layout.dataRecord = m_data;
    return true;
}

// A "Step" line as a CSV save writes it for a trace its rows cannot time: one without
// samples is a table all the same, its header the time column's name alone.
bool CDetector::StatesItsStep() const {
    return std::any_of(m_records.begin(), m_records.end(), StatesStep);
}

// A save of ours: the table starts under the time column's name, the first after the Step
// line, whatever lines above it look like. -1 for any other file.
std::int64_t CDetector::OurTable() const {
    std::int64_t step = 0;
    while (step < m_n && !StatesStep(At(step))) ++step;
    if (step < m_n)
        for (std::int64_t r = step + 1; r < m_n; ++r)
            if (!At(r).cells.empty() && At(r).cells[0].rfind("time", 0) == 0) return r + 1;
    return -1;
}

bool CDetector::StartsWithValue(std::int64_t r) const {
    const Record& rec = At(r);
    return static_cast<std::size_t>(m_p) < rec.kinds.size() &&
           IsValue(rec.kinds[static_cast<std::size_t>(m_p)]);
}

bool CDetector::StartIncrement(std::int64_t header, std::size_t j) const {
    const auto& names = At(header).cells;
    return j < names.size() && NameIn(StripQuotes(names[j]), {"start", "increment"});
}

// A row of unit words (Start and Increment cells may stand in it too).
bool CDetector::UnitsRow(std::int64_t units, std::int64_t header) const {
    const Record& r = At(units);
    for (std::size_t j = 0; j < r.cells.size(); ++j)
        if (!(r.kinds[j] == Kind::empty || (r.kinds[j] == Kind::text && IsUnitWord(r.cells[j])) ||
              (r.kinds[j] == Kind::number && StartIncrement(header, j))))
            return false;
    return true;
}

// A names row whose channels are named by numbers ("x-axis,1,2"): a word first, then as
// many cells as the data rows have, none empty.
bool CDetector::NamedByNumbers(std::int64_t r) const {
    const Record& rec = At(r);
    const std::size_t p = static_cast<std::size_t>(m_p);
    if (rec.kinds.size() < p + 2 || rec.kinds[p] != Kind::text ||
        rec.cells.size() != At(m_data).cells.size())
        return false;
    return std::none_of(rec.kinds.begin() + static_cast<long>(p), rec.kinds.end(),
                        [](Kind k) { return k == Kind::empty; });
}

// The header: the last row before the data without numbers; right under it, a row of unit
// words gives the units.
void CDetector::FindHeaderAndUnits() {
    if (m_data < 1) return;
    const std::int64_t last = m_data - 1;
    if (OurTable() == m_data) {  // names that are numbers are names all the same
        m_header = last;
        return;
    }
    if (last >= 1 && (!HasValue(At(last - 1), m_p) || NamedByNumbers(last - 1)) &&
        UnitsRow(last, last - 1)) {
        m_header = last - 1;
        m_units = last;
    } else if (!HasValue(At(last), m_p)) {
        m_header = last;
    }
}

// The lines above the table, each a key and its value; then, beside the data, a key and its
// value in each of the first columns.
void CDetector::ReadPreamble() {
    for (std::int64_t r = 0; r < (m_header >= 0 ? m_header : m_data); ++r) {
        const Record& rec = At(r);
        std::string line;  // the cells after the first, as the value
        for (std::size_t j = 1; j < rec.cells.size(); ++j) {
            if (rec.cells[j].empty()) continue;
            if (!line.empty()) line += ' ';
            line += rec.cells[j];
        }
        auto [key, value] = KeyAndValue(rec.cells.empty() ? std::string() : rec.cells[0], line);
        m_layout.preamble.emplace_back(Text(StripQuotes(key)), Text(value));
    }
    m_preambleItems = static_cast<int>(m_layout.preamble.size());
    for (std::int64_t r = m_data; r < m_n && m_p > 0; ++r) {
        const Record& rec = At(r);
        if (rec.kinds.empty() || rec.kinds[0] != Kind::text) continue;
        std::string value;
        for (std::size_t j = 1; j + 1 < static_cast<std::size_t>(m_p) && j < rec.cells.size();
             ++j) {
            if (rec.cells[j].empty()) continue;
            if (!value.empty()) value += ' ';
            value += rec.cells[j];
        }
        m_layout.preamble.emplace_back(Text(StripQuotes(rec.cells[0])), Text(value));
    }
    m_layout.preambleLines = m_preambleItems;
}

// As many columns as the header and the widest row hold, named by the header and the units
// row.
void CDetector::NameColumns() {
    for (std::int64_t r = m_header >= 0 ? m_header : m_data; r < m_n; ++r)
        m_width = std::max(m_width, At(r).cells.size());
    m_layout.columns.resize(m_width);
    for (std::size_t j = 0; j < m_width; ++j) {
        Column& c = m_layout.columns[j];
        if (j < static_cast<std::size_t>(m_p)) {
            c.role = Role::ignored;
            continue;
        }
        if (m_header >= 0 && j < At(m_header).cells.size())
            NameAndUnit(Text(At(m_header).cells[j]), c.name, c.unit);
        if (m_units >= 0 && j < At(m_units).cells.size() && At(m_units).kinds[j] == Kind::text) {
            std::string unit = StripQuotes(Text(At(m_units).cells[j]));
            if (unit.size() >= 2 && (unit.front() == '(' || unit.front() == '['))
                unit = unit.substr(1, unit.size() - 2);
            c.unit = unit;
        }
        c.label = c.name.empty()   ? fmt::format("column {}", j)
                  : c.unit.empty() ? c.name
                                   : c.name + " [" + c.unit + "]";
        if (j < m_words.size() && m_words[j]) {
            c.role = Role::ignored;
            m_layout.guesses.push_back("column " + Quoted(c.label) +
                                       " holds words, not numbers, and was left out");
        }
    }
}

// The step the file states: in the preamble, or in cells under Start and Increment.
void CDetector::FindStatedStep() {
    for (const auto& [key, value] : m_layout.preamble) {
        if (m_layout.statedStep > 0) break;
        const double step = StatedStep(key, value);
        if (step > 0) {
            m_layout.statedStep = step;
            m_layout.statedStepSource = "the preamble's " + Quoted(key);
            break;
        }
    }
    if (m_header < 0) return;
    for (std::size_t j = 0; j < m_width; ++j) {
        if (!StartIncrement(m_header, j)) continue;
        Column& c = m_layout.columns[j];
        c.role = Role::ignored;
        double v = 0, h = 0;
        const bool given = m_units >= 0 && j < At(m_units).cells.size() &&
                           ParseNumber(At(m_units).cells[j], m_layout.decimalComma, v, h);
        if (!given) continue;
        m_layout.preamble.emplace_back(c.name, At(m_units).cells[j]);
        if (EqualsIgnoringAsciiCase(c.name, "increment") && v > 0 && m_layout.statedStep == 0) {
            m_layout.statedStep = v;
            m_layout.statedStepSource = "the cell under \"Increment\"";
        }
    }
}

// A single column whose first two lines are a Unix time (2001 to 2033) and a rate in Hz far
// above or below the samples that follow: a start time and a sample rate, not samples.
void CDetector::FindStartAndRate() {
    if (m_header >= 0 || m_p > 0 || m_data + 2 >= m_n) return;
    double start = 0, rate = 0, h = 0, startHalf = 0;
    for (std::int64_t r = m_data; r < m_n; ++r)
        if (At(r).cells.size() > 1) return;
    const auto number = [&](std::int64_t r, double& v) {
        return At(r).kinds.size() == 1 && At(r).kinds[0] == Kind::number &&
               ParseNumber(At(r).cells[0], m_layout.decimalComma, v, h);
    };
    if (!number(m_data, start) || ((startHalf = h), !number(m_data + 1, rate)) ||
        !(start >= 1e9 && start < 2e9) || !(rate > 0 && rate <= 1e9))
        return;
    for (std::int64_t r = m_data + 2; r < m_n; ++r) {
        double v = 0;
        if (number(r, v) && !(std::fabs(v) < start / 100)) return;
    }
    m_data += 2;
    m_layout.dataRecord = m_data;
    const std::string when = UtcText(start, startHalf);
    m_layout.preamble.emplace_back("Start time", when);
    m_layout.preamble.emplace_back("Sample rate", Text(At(m_data - 1).cells[0]) + " Hz");
    m_layout.statedStep = 1 / rate;
    m_layout.statedStepSource = "the sample rate on its second line";
    m_layout.guesses.push_back(fmt::format(
        "its first two lines were read as a start time (Unix time {}, {}) and a sample rate ({} "
        "Hz)",
        Text(At(m_data - 2).cells[0]), when, Text(At(m_data - 1).cells[0])));
}

// A column's values in the head's data rows; whether they are all numbers or all stamps.
bool CDetector::ValuesOf(std::size_t j, std::vector<double>& values, std::vector<double>& halfUnits,
                         bool& stamps) const {
    stamps = true;
    bool numbers = true;
    for (std::int64_t r = m_data; r < m_n; ++r) {
        const Record& rec = At(r);
        const Kind k = j < rec.kinds.size() ? rec.kinds[j] : Kind::empty;
        if (k == Kind::empty) continue;
        stamps = stamps && k == Kind::timestamp;
        numbers = numbers && k == Kind::number;
        double v = 0, h = 0;
        if (k == Kind::number) ParseNumber(rec.cells[j], m_layout.decimalComma, v, h);
        if (k == Kind::timestamp) ParseTimestamp(rec.cells[j], v, h);
        values.push_back(v);
        halfUnits.push_back(h);
    }
    stamps = stamps && !values.empty();
    return numbers || stamps;
}

// What each column holds, judged on the head's data rows: time stamps (in one column or
// several), a counter, the time, or a curve.
void CDetector::JudgeColumns() {
    JudgeStampColumns();
    if (!m_haveTime) JoinCalendarColumns();
    for (std::size_t j = static_cast<std::size_t>(m_p); j < m_width; ++j) {
        Column& c = m_layout.columns[j];
        if (c.role != Role::curve) continue;
        std::vector<double> values, halfUnits;
        bool stamps = false;
        ValuesOf(j, values, halfUnits, stamps);
        bool counts = values.size() >= 2;
        for (std::size_t i = 0; counts && i < values.size(); ++i)
            counts = values[i] == values[0] + static_cast<double>(i) &&
                     values[i] == std::trunc(values[i]);
        // A counter is no curve, unless it is all the file holds.
        counts = counts && values.size() >= 3 && m_width - static_cast<std::size_t>(m_p) > 1;
        if (counts && (c.name.empty() || NameIn(c.name, {"x", "sequence", "no.", "no", "index",
                                                         "id#", "id", "#", "n", "nr", "nr."}))) {
            c.role = Role::index;
            // The units row under a counter names what it counts ("Sequence"), no unit.
            c.unit.clear();
            if (!c.name.empty()) c.label = c.name;
            m_layout.guesses.push_back("column " + Quoted(c.label) +
                                       " counts the samples (0, 1, 2, ...) and is not a curve");
            continue;
        }
        if (!m_haveTime) m_haveTime = EpochColumn(j, values) || JudgeTime(j, values, halfUnits);
    }
}

// The time of each row comes from `sources`: the first names the time, the others are no
// curves.
void CDetector::TakeTime(std::vector<TimeSource> sources, DateOrder order) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        Column& c = m_layout.columns[sources[i].column];
        c.role = i == 0 ? (sources[i].part == TimePart::number ? Role::time : Role::timestamp)
                        : Role::ignored;
        names.push_back(Quoted(c.label));
    }
    std::string joined = names.front();
    for (std::size_t i = 1; i < names.size(); ++i)
        joined += (i + 1 == names.size() ? " and " : ", ") + names[i];
    m_layout.timeName = joined;
    m_layout.timeSources = std::move(sources);
    m_layout.dateOrder = order;
    m_haveTime = true;
}

// Every non-empty cell of column j in the head's data rows is a date, a time of day or both,
// in one shape, and its dates read in one order: day first or month first as the values
// allow, else the reading that is evenly spaced, else day first.
bool CDetector::StampsIn(std::size_t j, StampColumn& out) const {
    bool any = false, shortFirst = false, dayFirst = true, monthFirst = true;
    char mark = 0;
    for (std::int64_t r = m_data; r < m_n; ++r) {
        const Record& rec = At(r);
        const Kind k = j < rec.kinds.size() ? rec.kinds[j] : Kind::empty;
        if (k == Kind::empty) continue;
        if (k != Kind::timestamp) return false;
        double v = 0, h = 0;
        StampShape shape;
        ParseStamp(rec.cells[j], DateOrder::either, v, h, &shape);
        any = true;
        out.date = out.date && shape.date;
        out.time = out.time || shape.time;
        if (!shape.shortFirst) continue;
        shortFirst = true;
        mark = shape.dateMark;
        dayFirst = dayFirst && ParseStamp(rec.cells[j], DateOrder::dayFirst, v, h);
        monthFirst = monthFirst && ParseStamp(rec.cells[j], DateOrder::monthFirst, v, h);
    }
    out.j = j;
    if (!any || (shortFirst && !dayFirst && !monthFirst)) return false;
    if (!shortFirst) return true;
    std::string why;
    if (dayFirst && monthFirst) {
        std::vector<double> byDay, byMonth, halves;
        StampValues(j, DateOrder::dayFirst, byDay, halves);
        halves.clear();
        StampValues(j, DateOrder::monthFirst, byMonth, halves);
        const bool monthEven = EvenlySpaced(byMonth, halves) && !EvenlySpaced(byDay, halves);
        dayFirst = !monthEven;
        why = monthEven ? ", the one reading that is evenly spaced"
                        : ", as no day past the 12th tells which comes first";
    }
    out.order = dayFirst ? DateOrder::dayFirst : DateOrder::monthFirst;
    const std::string m(1, mark);
    out.orderSaid =
        fmt::format("the dates of {} were read {} ({}){}", Quoted(m_layout.columns[j].label),
                    dayFirst ? "day first" : "month first",
                    dayFirst ? "31" + m + "12" + m + "2023" : "12" + m + "31" + m + "2023", why);
    return true;
}

void CDetector::StampValues(std::size_t j, DateOrder order, std::vector<double>& values,
                            std::vector<double>& halfUnits) const {
    for (std::int64_t r = m_data; r < m_n; ++r) {
        const Record& rec = At(r);
        if (j >= rec.kinds.size() || rec.kinds[j] == Kind::empty) continue;
        double v = std::nan(""), h = 0;
        if (!ParseStamp(rec.cells[j], order, v, h)) v = std::nan("");
        values.push_back(v);
        halfUnits.push_back(h);
    }
}

// Columns of time stamps. One that holds dates and times is the time; else a column of
// dates and one of times of day together; else the first. Other stamp columns are no curves.
void CDetector::JudgeStampColumns() {
    std::vector<StampColumn> found;
    for (std::size_t j = static_cast<std::size_t>(m_p); j < m_width; ++j) {
        StampColumn sc;
        if (m_layout.columns[j].role == Role::curve && StampsIn(j, sc)) found.push_back(sc);
    }
    if (found.empty()) return;
    const auto first = [&](bool date, bool time) {
        return std::find_if(found.begin(), found.end(), [&](const StampColumn& sc) {
            return sc.date == date && sc.time == time;
        });
    };
    std::vector<StampColumn> used;
    if (first(true, true) != found.end())
        used = {*first(true, true)};
    else if (first(true, false) != found.end() && first(false, true) != found.end())
        used = {*first(true, false), *first(false, true)};
    else
        used = {found.front()};
    std::vector<TimeSource> sources;
    DateOrder order = DateOrder::either;
    for (const StampColumn& sc : used) {
        sources.push_back({sc.j, TimePart::stamp});
        if (sc.order != DateOrder::either) order = sc.order;
        if (!sc.orderSaid.empty()) m_layout.guesses.push_back(sc.orderSaid);
    }
    TakeTime(sources, order);
    const StampColumn& one = used.front();
    m_layout.guesses.push_back(
        used.size() > 1        ? "columns " + m_layout.timeName + " together hold the time stamps"
        : one.date && one.time ? "column " + m_layout.timeName + " holds time stamps"
        : one.date             ? "column " + m_layout.timeName + " holds dates"
                   : "column " + m_layout.timeName + " holds times of day without a date");
    for (const StampColumn& sc : found) {
        Column& c = m_layout.columns[sc.j];
        if (c.role != Role::curve) continue;
        c.role = Role::ignored;
        m_layout.guesses.push_back("column " + Quoted(c.label) +
                                   " holds times too and was left out");
    }
}

// A calendar time split over columns named Year, Month, Day, Hour, Minute and Second (a
// date, or hours and minutes at least), each a number in its range.
void CDetector::JoinCalendarColumns() {
    struct Part {
        TimePart part;
        std::initializer_list<std::string_view> names;
        double least, most;
    };
    static const Part kParts[] = {
        {TimePart::year, {"year", "yr", "yyyy"}, 1, 9999},
        {TimePart::month, {"month", "mon"}, 1, 12},
        {TimePart::day, {"day", "dd"}, 1, 31},
        {TimePart::hour, {"hour", "hr", "hh"}, 0, 23},
        {TimePart::minute, {"minute", "min"}, 0, 59},
        {TimePart::second, {"second", "sec", "ss"}, 0, 61},
    };
    std::vector<TimeSource> sources;
    std::vector<TimePart> parts;
    for (std::size_t j = static_cast<std::size_t>(m_p); j < m_width; ++j) {
        const Column& c = m_layout.columns[j];
        for (const Part& p : kParts) {
            if (c.role != Role::curve || !NameIn(c.name, p.names) ||
                std::find(parts.begin(), parts.end(), p.part) != parts.end())
                continue;
            std::vector<double> values, halfUnits;
            bool stamps = false;
            const bool fits = ValuesOf(j, values, halfUnits, stamps) && !stamps &&
                              std::all_of(values.begin(), values.end(), [&](double v) {
                                  return v >= p.least && v < p.most + 1 &&
                                         (p.part == TimePart::second || v == std::trunc(v));
                              });
            if (!fits) continue;
            sources.push_back({j, p.part});
            parts.push_back(p.part);
        }
    }
    const auto has = [&](TimePart p) {
        return std::find(parts.begin(), parts.end(), p) != parts.end();
    };
    const bool date = has(TimePart::year) && has(TimePart::month) && has(TimePart::day);
    if (!date && !(has(TimePart::hour) && has(TimePart::minute))) return;
    TakeTime(sources, DateOrder::either);
    m_layout.guesses.push_back("columns " + m_layout.timeName + " together hold the time stamps");
}

// Unix time stamps: a column named as stamps (ts, timestamp, epoch) or as the time, or an
// unnamed first column, whose values all lie from 2001 to 2096 in seconds (1e9 to 4e9); or,
// named as stamps, in milliseconds.
bool CDetector::EpochColumn(std::size_t j, const std::vector<double>& values) {
    const Column& c = m_layout.columns[j];
    const bool stampName = IsStampName(c.name);
    if (values.empty() || !(stampName || IsTimeName(c.name) ||
                            (c.name.empty() && j == static_cast<std::size_t>(m_p))))
        return false;
    const auto within = [&](double least, double most) {
        return std::all_of(values.begin(), values.end(),
                           [&](double v) { return v >= least && v <= most; });
    };
    const bool seconds = within(1e9, 4e9);
    if (!seconds && !(stampName && within(1e12, 4e12))) return false;
    TakeTime({{j, seconds ? TimePart::epoch : TimePart::epochMs}}, DateOrder::either);
    m_layout.guesses.push_back("column " + m_layout.timeName + " holds Unix time stamps (" +
                               (seconds ? "seconds" : "milliseconds") + " since 1970)");
    return true;
}

// The time column: by its name, or by its values alone a first column without a name or
// one whose even step is no whole number (a named column counting 1, 2, 3 is a curve).
bool CDetector::JudgeTime(std::size_t j, const std::vector<double>& values,
                          const std::vector<double>& halfUnits) {
    Column& c = m_layout.columns[j];
    const bool first = j == static_cast<std::size_t>(m_p);
    c.timeByName =
        IsTimeName(c.name) || IsStampName(c.name) || (c.name.empty() && m_header >= 0 && first);
    const bool even = EvenlySpaced(values, halfUnits);
    const bool wholeStep = even && values[1] - values[0] == std::trunc(values[1] - values[0]);
    if (!c.timeByName && !(first && even && (c.name.empty() || !wholeStep))) return false;
    TakeTime({{j, TimePart::number}}, DateOrder::either);
    return true;
}

// A scope's export of one channel names it and its unit in the preamble ("Source,CH2",
// "Vertical Units,V"), its column only "Waveform Data" or nothing: the preamble's name and
// unit go where the table gives none. "Horizontal Units" does the same for the time column.
void CDetector::NameFromPreamble() {
    std::string source, vertical, horizontal;
    for (const auto& [key, value] : m_layout.preamble) {
        if (value.empty()) continue;
        if (source.empty() && NameIn(key, {"source", "channel"})) source = value;
        if (vertical.empty() &&
            NameIn(key, {"vertical units", "vertical unit", "y unit", "y units"}))
            vertical = value;
        if (horizontal.empty() &&
            NameIn(key, {"horizontal units", "horizontal unit", "x unit", "x units"}))
            horizontal = value;
    }
    std::vector<Column*> curves;
    for (Column& c : m_layout.columns) {
        if (c.role == Role::curve) curves.push_back(&c);
        if (c.role == Role::time && c.unit.empty() && !horizontal.empty()) {
            c.unit = horizontal;
            c.label = c.name.empty() ? c.label : c.name + " [" + c.unit + "]";
        }
    }
    if (curves.size() != 1) return;
    Column& c = *curves.front();
    const bool generic = c.name.empty() || NameIn(c.name, {"waveform data", "waveform", "data",
                                                           "value", "values", "amplitude", "y"});
    const bool named = generic && !source.empty();
    if (named) c.name = source;
    const bool united = c.unit.empty() && !vertical.empty();
    if (united) c.unit = vertical;
    if (!named && !united) return;
    c.label = c.unit.empty() ? c.name : c.name + " [" + c.unit + "]";
    m_layout.guesses.push_back("the curve " + Quoted(c.label) + " is named by the preamble");
}

// Counters and times are no curves only beside curves: a file of nothing else shows them,
// but for a save of ours that states its step (its time column is a time column).
void CDetector::ShowTheOnlyColumns() {
    auto& columns = m_layout.columns;
    const auto isCurve = [](const Column& c) { return c.role == Role::curve; };
    if (std::none_of(columns.begin(), columns.end(), isCurve) && !StatesItsStep())
        for (Column& c : columns)
            if (c.role == Role::time) {
                c.role = Role::curve;
                m_layout.timeSources.clear();
                m_layout.guesses.push_back("it holds nothing but the time column " +
                                           Quoted(c.label) + ", shown as a curve");
            }
    if (std::none_of(columns.begin(), columns.end(), isCurve)) {
        for (Column& c : columns)
            if (c.role == Role::index) c.role = Role::curve;
        std::erase_if(m_layout.guesses, [](const std::string& g) {
            return g.find("counts the samples") != std::string::npos;
        });
    }
}

// Curves the legend and --curves can tell apart: under a header, a blank name is the
// column's ("column 3"), and a name met again gets its count ("x (2)").
void CDetector::NameEveryCurve() {
    std::map<std::string, int> seen;
    for (std::size_t j = 0; j < m_width; ++j) {
        Column& c = m_layout.columns[j];
        if (c.role != Role::curve) continue;
        if (c.name.empty() && m_header >= 0) c.name = fmt::format("column {}", j);
        if (c.name.empty()) continue;
        const int count = ++seen[c.name];
        if (count == 1) continue;
        c.name += fmt::format(" ({})", count);
        c.label = c.unit.empty() ? c.name : c.name + " [" + c.unit + "]";
    }
}

void CDetector::SayWhatWasMadeOut() {
    auto& said = m_layout.guesses;
    if (m_layout.crOnly) said.push_back("its lines end in a carriage return alone");
    if (m_layout.latin1) said.push_back("it is not UTF-8 and was read as Latin-1");
    if (m_layout.decimalComma && m_layout.separator == ';')
        said.push_back("its cells are separated by ';' with ',' as the decimal mark");
    if (m_p > 0)
        said.push_back(fmt::format("columns 0 to {} beside the data hold {} header items", m_p - 1,
                                   static_cast<int>(m_layout.preamble.size()) - m_preambleItems));
    if (m_units >= 0) said.push_back("the units come from the row under the names");
    if (m_header >= 0) {
        const std::size_t named = At(m_header).cells.size();
        if (m_width > named)
            said.push_back(fmt::format(
                "its rows are wider than the {} names of the header: columns {} to {} have no name",
                named, named, m_width - 1));
    }
    if (m_layout.statedStep > 0) {
        const timebase::Step step = timebase::StepOf(m_layout.statedStep);
        said.push_back(fmt::format("the step of {} {} comes from {}",
                                   timebase::ReadableText(step.value), step.unit,
                                   m_layout.statedStepSource));
    }
}

Layout Detect(std::string_view head, bool whole) {
    return CDetector(head, whole).Run();
}

}  // namespace csv_layout
