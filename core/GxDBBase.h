// The game data tables: fixed arrays of rows indexed by ID, filled from tab-separated text files
// of the "data/" folder that the game's authors edit with a spreadsheet.
//
// A table file is text (CP932, or UTF-8 / UTF-16LE with their signature). Empty lines and lines
// beginning with "#" are skipped; every other line is one row whose cells are separated by TABs,
// cut or padded to the table's cell count and not trimmed. A cell beginning with a quote is
// unquoted. Cell 0 is the ID: empty skips the line, "*" is the highest ID so far plus one,
// anything else an integer (base from the text, a leading 0 octal). An ID outside the rows stops
// the load. Loading never clears a table, so a second file adds to the first. A line shorter
// than the table's cells and a number cell with text that is not a number are read all the same
// (empty, 0, or the number's head) and logged with the file, the line and the column.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

// Value-type codes of the columns (those of the content serialiser).
enum GxDBColumnType : int32_t
{
    kGxDBTypeS32 = 5,
    kGxDBTypeU32 = 6,
    kGxDBTypeF32 = 9,
    kGxDBTypeWStr = 25,
};

// The common base of the row types: every row starts with its ID.
struct GxDBRow
{
    int32_t ID = 0;
};

struct GxDBColumn
{
    std::u16string_view name;
    int32_t type;           // GxDBColumnType
    int32_t cellCount;      // cells of a line that feed the column (more than 1: an array)
    int32_t arraySize;      // what GetColumnArraySize reports
    void* (*field)(GxDBRow& row);  // the column's field (its first element for an array)
};

// What a table class tells the common loader.
struct GxDBTableInfo
{
    const char16_t* className;  // names the table in its messages
    int32_t capacity;
    int32_t cellCount;
    const GxDBColumn* columns;
    int32_t columnCount;
    // The cells a line must carry; a shorter line is logged (its missing columns read as empty
    // or 0 all the same). 0: every cell of the line.
    int32_t requiredCells = 0;
    // False for a second table that reads the same file as another, which tells its damage.
    bool reportsDamage = true;
};

class GxDBDamageLog;

class GxDBBase
{
public:
    explicit GxDBBase(const GxDBTableInfo& info) : m_Info(&info) {}
    virtual ~GxDBBase() = default;
    GxDBBase(const GxDBBase&) = delete;
    GxDBBase& operator=(const GxDBBase&) = delete;

    // index in 0 .. capacity - 1.
    virtual GxDBRow* GetRow(int32_t index) = 0;
    // Rows 0 .. this - 1 exist; every later one is still empty (see GxDBTable).
    virtual int32_t GetRowsMade() const { return m_Info->capacity; }
    // The highest ID loaded so far; -1 when none.
    virtual int32_t GetMaxID() const { return m_MaxID; }
    virtual int32_t GetColumnCount() const { return m_Info->columnCount; }
    virtual int32_t GetRowCapacity() const { return m_Info->capacity; }
    // Adds the rows of a table file. False when the file cannot be read or a line's ID lies
    // outside the rows (logged; the rows of earlier lines stay).
    virtual bool Load(const std::u16string& path);
    // Null for an unknown name and for "ID". Names compare exactly.
    virtual void* GetFieldAddress(int32_t index, std::u16string_view columnName);
    // -1 when unknown.
    virtual int32_t GetColumnIndex(std::u16string_view columnName) const;
    // 0 when unknown.
    virtual int32_t GetColumnType(std::u16string_view columnName) const;
    // 0 for a plain column and an unknown name.
    virtual int32_t GetColumnArraySize(std::u16string_view columnName) const;

protected:
    // The first row whose "Name" column equals the text; 0 when none does (row 0 and "not
    // found" look the same, which the callers accept).
    int32_t FindRowByNameColumn(std::u16string_view name);
    const GxDBColumn* FindColumn(std::u16string_view columnName) const;
    void ResetMaxID() { m_MaxID = -1; }

private:
    // Cells whose text is not a number of their column are told through the damage log.
    void FillRow(GxDBRow& row, int32_t id, const std::u16string* cells, int32_t lineNumber, GxDBDamageLog& damage);
    // The column that the cell of a line feeds.
    std::u16string_view ColumnOfCell(int32_t cellIndex) const;

    const GxDBTableInfo* m_Info;
    int32_t m_MaxID = -1;
};

// A table of Capacity rows of type Row (derived from GxDBRow). Rows are made when first asked
// for, each with those before it: the capacity is the largest game's, and most games fill a
// few dozen rows of it (a gallery table holds hundreds of kilobytes of empty strings). Reading
// through the const GetRow makes nothing: a row not made yet reads as an empty one. A made row
// never moves.
template <class Row, int32_t Capacity>
class GxDBTable : public GxDBBase
{
public:
    static constexpr int32_t kRowCapacity = Capacity;

    explicit GxDBTable(const GxDBTableInfo& info) : GxDBBase(info) {}

    Row* GetRow(int32_t index) override
    {
        // Outside the rows (a caller's fault): a scratch row, so that nothing else is written.
        if (index < 0 || index >= Capacity) {
            m_Outside = Row();
            return &m_Outside;
        }
        while (static_cast<int32_t>(m_Rows.size()) <= index) m_Rows.emplace_back();
        return &m_Rows[static_cast<size_t>(index)];
    }
    const Row* GetRow(int32_t index) const
    {
        static const Row empty;
        if (index < 0 || index >= static_cast<int32_t>(m_Rows.size())) return &empty;
        return &m_Rows[static_cast<size_t>(index)];
    }
    int32_t GetRowsMade() const override { return static_cast<int32_t>(m_Rows.size()); }
    // Every row back to empty and no ID loaded (for tools and tests that fill a table anew).
    void Clear()
    {
        for (Row& row : m_Rows) row = Row();
        ResetMaxID();
    }

private:
    std::deque<Row> m_Rows;
    Row m_Outside;
};

// The column descriptor of a plain field.
#define GX_DB_COLUMN(RowType, Field, Type) \
    GxDBColumn{u## #Field, Type, 1, 0, [](GxDBRow& r) -> void* { return &static_cast<RowType&>(r).Field; }}
