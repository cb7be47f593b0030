#include "core/GxDBBase.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "core/GxContentFormat.h"
#include "core/GxFormat.h"
#include "core/GxLog.h"
#include "core/GxNumber.h"
#include "core/GxString.h"
#include "core/GxTextFile.h"

namespace {

// Blanks are what the number readers skip before a number; after it they are harmless too.
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

bool RestIsBlank(const char16_t* p, const char16_t* end)
{
    for (; p < end; ++p)
        if (!IsBlank(*p)) return false;
    return true;
}

// The whole cell is one integer as GxWStrToInt reads it: at least one digit after the sign and
// the base prefix, nothing but blanks after the digits it took.
int32_t CellToInt(const std::u16string& cell, bool& reads)
{
    const char16_t* text = cell.c_str();
    const char16_t* end = nullptr;
    const int32_t value = GxWStrToInt(text, &end, 0, false);
    const char16_t* digits = text;
    while (IsBlank(*digits)) ++digits;
    if (*digits == u'-' || *digits == u'+' || *digits == u'\xFF0D' || *digits == u'\xFF0B') ++digits;
    if (digits[0] == u'0' && (digits[1] == u'x' || digits[1] == u'X' || digits[1] == u'b' || digits[1] == u'B')) digits += 2;
    reads = end > digits && RestIsBlank(end, text + cell.size());
    return value;
}

bool IsAsciiBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The decimal point is always ".", whatever locale the process runs in: only the ASCII head of
// the cell can be a number. It reads as one when the whole cell is that number and blanks.
float CellToFloat(const std::u16string& cell, bool& reads)
{
    std::string ascii;
    for (char16_t c : cell) {
        if (c >= 0x80 || c == 0) break;
        ascii.push_back(static_cast<char>(c));
    }
    const char* p = ascii.data();
    const char* end = p + ascii.size();
    const float value = static_cast<float>(GxContentParseDouble(p, end));
    while (p < end && IsAsciiBlank(*p)) ++p;
    if (p < end && (*p == '+' || *p == '-')) ++p;
    double ignored = 0.0;
    std::from_chars_result r{p, std::errc::invalid_argument};
    if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) r = std::from_chars(p + 2, end, ignored, std::chars_format::hex);
    else r = std::from_chars(p, end, ignored, std::chars_format::general);
    reads = r.ec != std::errc::invalid_argument && ascii.size() == cell.size();
    if (reads) {
        for (const char* q = r.ptr; q < end; ++q) reads = reads && IsAsciiBlank(*q);
    }
    return value;
}

// An empty cell is how a spreadsheet writes 0: it reads as 0 without a word. False for a cell
// with text that is not a number of the column's type.
bool SetCell(void* field, int32_t type, int32_t element, const std::u16string& cell)
{
    bool reads = true;
    switch (type) {
    case kGxDBTypeS32: static_cast<int32_t*>(field)[element] = CellToInt(cell, reads); break;
    case kGxDBTypeU32: static_cast<uint32_t*>(field)[element] = static_cast<uint32_t>(CellToInt(cell, reads)); break;
    case kGxDBTypeF32: static_cast<float*>(field)[element] = CellToFloat(cell, reads); break;
    case kGxDBTypeWStr: static_cast<std::u16string*>(field)[element] = cell; break;
    default: break;
    }
    return reads || cell.empty();
}

// What a number cell read as, for its message.
std::u16string FieldText(const void* field, int32_t type, int32_t element)
{
    switch (type) {
    case kGxDBTypeS32: return GxFormatString(u"%d", static_cast<const int32_t*>(field)[element]);
    case kGxDBTypeU32: return GxFormatString(u"%u", static_cast<const uint32_t*>(field)[element]);
    case kGxDBTypeF32: return GxFormatString(u"%g", static_cast<const float*>(field)[element]);
    default: return {};
    }
}

// A cell quoted in a message: a damaged file can hold a line of any length.
std::u16string_view CellExcerpt(const std::u16string& cell)
{
    constexpr size_t kMaxQuoted = 40;
    if (cell.size() <= kMaxQuoted) return cell;
    // Not between the halves of a surrogate pair.
    const bool splitsPair = cell[kMaxQuoted - 1] >= 0xD800 && cell[kMaxQuoted - 1] < 0xDC00;
    return std::u16string_view(cell).substr(0, splitsPair ? kMaxQuoted - 1 : kMaxQuoted);
}

}  // namespace

// The lines that tell an author which cells of a file did not read. A file damaged throughout
// (a wrong export, a file of another table) would write a line for every row: after the first
// few only their number is told, once, when the file is done.
class GxDBDamageLog
{
public:
    GxDBDamageLog(const GxDBTableInfo& info, const std::u16string& path)
        : m_ClassName(info.className), m_Path(path), m_Quiet(!info.reportsDamage)
    {
    }
    ~GxDBDamageLog()
    {
        if (m_Untold) GxPrintErrorLog(u"%s/%d more damaged cells not logged[%s]\n", m_ClassName, m_Untold, m_Path);
    }

    template <typename... Args>
    void Report(std::u16string_view fmt, const Args&... args)
    {
        if (m_Quiet) return;
        if (m_Told >= kMaxLines) {
            ++m_Untold;
            return;
        }
        ++m_Told;
        GxPrintErrorLog(fmt, m_ClassName, m_Path, args...);
    }

private:
    static constexpr int32_t kMaxLines = 20;
    const char16_t* m_ClassName;
    const std::u16string& m_Path;
    bool m_Quiet;
    int32_t m_Told = 0;
    int32_t m_Untold = 0;
};

bool GxDBBase::Load(const std::u16string& path)
{
    std::vector<std::u16string> lines;
    if (!GxLoadTextFile(lines, path, false)) return false;

    GxDBDamageLog damage(*m_Info, path);
    const int32_t requiredCells = m_Info->requiredCells > 0 ? m_Info->requiredCells : m_Info->cellCount;
    std::vector<std::u16string> cells;
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::u16string& line = lines[n];
        if (line.empty() || line[0] == u'#') continue;
        GxSplitStringPadded(cells, line, u"\t", m_Info->cellCount);
        for (std::u16string& cell : cells) {
            if (!cell.empty() && (cell[0] == u'"' || cell[0] == u'\'')) cell = GxUnquote(cell, 0);
        }
        if (cells[0].empty()) continue;

        bool idReads = true;
        const int32_t id = cells[0] == u"*" ? m_MaxID + 1 : CellToInt(cells[0], idReads);
        // The highest ID moves only for a row that exists, so a loop up to it stays in the rows.
        if (id < 0 || id >= m_Info->capacity) {
            GxPrintErrorLog(u"%s/ID out of range[%s/%d]\n", m_Info->className, path, id);
            return false;
        }
        if (id > m_MaxID) m_MaxID = id;
        const int32_t lineNumber = static_cast<int32_t>(n + 1);
        if (!idReads) {
            damage.Report(u"%s/not a number[%s/line %d/ID %d/ID]: \"%s\" reads as %d\n", lineNumber, id,
                          CellExcerpt(cells[0]), id);
        }
        const int32_t given = static_cast<int32_t>(std::count(line.begin(), line.end(), u'\t')) + 1;
        if (given < requiredCells) {
            damage.Report(u"%s/row too short[%s/line %d/ID %d/%s]: %d of %d cells, the columns from there on read as "
                          u"empty or 0\n",
                          lineNumber, id, ColumnOfCell(given), given, m_Info->cellCount);
        }
        FillRow(*GetRow(id), id, cells.data(), lineNumber, damage);
    }
    return true;
}

std::u16string_view GxDBBase::ColumnOfCell(int32_t cellIndex) const
{
    int32_t cell = 0;
    for (int32_t c = 0; c < m_Info->columnCount; ++c) {
        cell += m_Info->columns[c].cellCount;
        if (cellIndex < cell) return m_Info->columns[c].name;
    }
    return {};
}

void GxDBBase::FillRow(GxDBRow& row, int32_t id, const std::u16string* cells, int32_t lineNumber, GxDBDamageLog& damage)
{
    row.ID = id;
    int32_t cell = 1;
    for (int32_t c = 1; c < m_Info->columnCount; ++c) {
        const GxDBColumn& column = m_Info->columns[c];
        void* field = column.field(row);
        for (int32_t e = 0; e < column.cellCount && cell < m_Info->cellCount; ++e) {
            const std::u16string& text = cells[cell++];
            if (SetCell(field, column.type, e, text)) continue;
            damage.Report(u"%s/not a number[%s/line %d/ID %d/%s]: \"%s\" reads as %s\n", lineNumber, id, column.name,
                          CellExcerpt(text), FieldText(field, column.type, e));
        }
    }
}

const GxDBColumn* GxDBBase::FindColumn(std::u16string_view columnName) const
{
    for (int32_t c = 0; c < m_Info->columnCount; ++c) {
        if (m_Info->columns[c].name == columnName) return &m_Info->columns[c];
    }
    return nullptr;
}

void* GxDBBase::GetFieldAddress(int32_t index, std::u16string_view columnName)
{
    const GxDBColumn* column = FindColumn(columnName);
    if (!column || column == &m_Info->columns[0]) return nullptr;
    if (index < 0 || index >= m_Info->capacity) return nullptr;
    return column->field(*GetRow(index));
}

int32_t GxDBBase::GetColumnIndex(std::u16string_view columnName) const
{
    const GxDBColumn* column = FindColumn(columnName);
    return column ? static_cast<int32_t>(column - m_Info->columns) : -1;
}

int32_t GxDBBase::GetColumnType(std::u16string_view columnName) const
{
    const GxDBColumn* column = FindColumn(columnName);
    return column ? column->type : 0;
}

int32_t GxDBBase::GetColumnArraySize(std::u16string_view columnName) const
{
    const GxDBColumn* column = FindColumn(columnName);
    return column ? column->arraySize : 0;
}

int32_t GxDBBase::FindRowByNameColumn(std::u16string_view name)
{
    const int32_t made = GetRowsMade();
    for (int32_t i = 0; i < made; ++i) {
        const auto* field = static_cast<const std::u16string*>(GetFieldAddress(i, u"Name"));
        if (field && *field == name) return i;
    }
    // The rows after the made ones are empty: the first of them has an empty name.
    if (name.empty() && made < m_Info->capacity && FindColumn(u"Name")) return made;
    return 0;
}
