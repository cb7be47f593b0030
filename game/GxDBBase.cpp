#include "game/GxDBBase.h"

#include <vector>

#include "core/GxContentFormat.h"
#include "core/GxLog.h"
#include "core/GxNumber.h"
#include "core/GxString.h"
#include "core/GxTextFile.h"

namespace {

int32_t CellToInt(const std::u16string& cell) { return GxWStrToInt(cell.c_str(), nullptr, 0, false); }

// The decimal point is always ".", whatever locale the process runs in: only the ASCII head of
// the cell can be a number.
float CellToFloat(const std::u16string& cell)
{
    std::string ascii;
    for (char16_t c : cell) {
        if (c >= 0x80 || c == 0) break;
        ascii.push_back(static_cast<char>(c));
    }
    return static_cast<float>(GxContentParseDouble(ascii.data(), ascii.data() + ascii.size()));
}

void SetCell(void* field, int32_t type, int32_t element, const std::u16string& cell)
{
    switch (type) {
    case kGxDBTypeS32: static_cast<int32_t*>(field)[element] = CellToInt(cell); break;
    case kGxDBTypeU32: static_cast<uint32_t*>(field)[element] = static_cast<uint32_t>(CellToInt(cell)); break;
    case kGxDBTypeF32: static_cast<float*>(field)[element] = CellToFloat(cell); break;
    case kGxDBTypeWStr: static_cast<std::u16string*>(field)[element] = cell; break;
    default: break;
    }
}

}  // namespace

bool GxDBBase::Load(const std::u16string& path)
{
    std::vector<std::u16string> lines;
    if (!GxLoadTextFile(lines, path, false)) return false;

    std::vector<std::u16string> cells;
    for (const std::u16string& line : lines) {
        if (line.empty() || line[0] == u'#') continue;
        GxSplitStringPadded(cells, line, u"\t", m_Info->cellCount);
        for (std::u16string& cell : cells) {
            if (!cell.empty() && (cell[0] == u'"' || cell[0] == u'\'')) cell = GxUnquote(cell, 0);
        }
        if (cells[0].empty()) continue;

        const int32_t id = cells[0] == u"*" ? m_MaxID + 1 : CellToInt(cells[0]);
        // The highest ID moves only for a row that exists, so a loop up to it stays in the rows.
        if (id < 0 || id >= m_Info->capacity) {
            GxPrintErrorLog(u"%s/ID out of range[%s/%d]\n", m_Info->className, path, id);
            return false;
        }
        if (id > m_MaxID) m_MaxID = id;
        FillRow(*GetRow(id), id, cells.data());
    }
    return true;
}

void GxDBBase::FillRow(GxDBRow& row, int32_t id, const std::u16string* cells)
{
    row.ID = id;
    int32_t cell = 1;
    for (int32_t c = 1; c < m_Info->columnCount; ++c) {
        const GxDBColumn& column = m_Info->columns[c];
        void* field = column.field(row);
        for (int32_t e = 0; e < column.cellCount && cell < m_Info->cellCount; ++e) {
            SetCell(field, column.type, e, cells[cell++]);
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
