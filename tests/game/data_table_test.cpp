// The game data tables: the loader over generated table files (IDs, "*", octal and hexadecimal
// IDs, padding, skipped lines, quoting, out-of-range IDs, encodings, a second file), the column
// metadata of each table, the lookups by name, the start-up's table step, and column values that
// no user can honour.
#include <memory>

#include "app/task/GxTaskFolder.h"
#include "app/task/GxTaskManage.h"
#include "game/DBBGMMode.h"
#include "game/DBCGMode.h"
#include "game/DBEffect.h"
#include "game/DBRPMode.h"
#include "game/DBRukoChar.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"
#include "game/GxGameStartup.h"
#include "layer/GxTaskLayer.h"
#include "seq/SeqRukoMain.h"
#include "tests/game/game_test_util.h"

using namespace gametest;

namespace {

class DataTableTest : public GameFolderTest
{
protected:
    // Loads UTF-8 text (with its signature) into a fresh music-room table.
    std::unique_ptr<DBBGMMode> LoadBgm(std::string_view text, bool* result = nullptr)
    {
        WriteUtf8Bom("data/t.txt", text);
        auto table = std::make_unique<DBBGMMode>();
        const bool ok = table->Load(u"data/t.txt");
        if (result) *result = ok;
        return table;
    }
};

struct LoaderCase
{
    const char* name;
    const char* text;
    bool result;
    int32_t maxID;
    std::vector<std::pair<int32_t, std::u16string>> names;  // row -> Name expected
};

void PrintTo(const LoaderCase& c, std::ostream* os) { *os << c.name; }

class TableLoader : public DataTableTest, public ::testing::WithParamInterface<LoaderCase>
{
};

TEST_P(TableLoader, FillsTheRowsTheLinesName)
{
    const LoaderCase& c = GetParam();
    LogCapture log;
    bool ok = false;
    auto table = LoadBgm(c.text, &ok);
    EXPECT_EQ(ok, c.result);
    EXPECT_EQ(table->GetMaxID(), c.maxID);
    for (const auto& [row, name] : c.names) {
        EXPECT_EQ(table->GetRow(row)->Name, name) << "row " << row;
        if (!name.empty()) {
            EXPECT_EQ(table->GetRow(row)->ID, row);
        }
    }
    EXPECT_EQ(log.Count("DBBGMMode/ID out of range[data/t.txt/"), c.result ? 0u : 1u);
}

const LoaderCase kLoaderCases[] = {
    {"StarsFollowTheHighestID", "3\tc\n*\td\n*\te\n", true, 5, {{2, u""}, {3, u"c"}, {4, u"d"}, {5, u"e"}, {6, u""}}},
    {"StarAfterALowerIDStillFollowsTheHighest", "9\ta\n2\tb\n*\tc\n", true, 10, {{2, u"b"}, {3, u""}, {10, u"c"}}},
    {"StarOnAnEmptyTableIsRowZero", "*\tz\n", true, 0, {{0, u"z"}}},
    {"OctalHexAndNonNumbers", "012\tten\n0x10\tsixteen\n0b11\tthree\nabc\tzero\n", true, 16,
     {{10, u"ten"}, {12, u""}, {16, u"sixteen"}, {3, u"three"}, {0, u"zero"}}},
    {"SignedAndBlankedIDs", " +4\tfour\n\xEF\xBC\x8B" "5\tfive\n", true, 5, {{4, u"four"}, {5, u"five"}}},
    {"SkippedLines", "\tno id\n#1\tcomment\n\n\r\n2\tkept\n", true, 2, {{1, u""}, {2, u"kept"}}},
    {"ABlankIdCellIsRowZero", "0\tfirst\n \t\n", true, 0, {{0, u""}}},
    {"LaterLinesOverwriteEveryColumn", "1\tone\tfile\n1\tagain\n", true, 1, {{1, u"again"}}},
    {"IdAtCapacityStopsAndKeepsEarlierRows", "1\tkept\n60\tbad\n2\tnot read\n", false, 1,
     {{1, u"kept"}, {2, u""}}},
    {"NegativeIdStops", "1\tkept\n-1\tbad\n2\tnot read\n", false, 1, {{1, u"kept"}, {2, u""}}},
    // The highest ID never names a row that does not exist, so loops up to it stay in the rows.
    {"StarPastTheLastRowStopsWithTheHighestIdInside", "59\tlast\n*\tover\n*\tover\n", false, 59, {{59, u"last"}}},
    {"HighestRowIsAllowed", "59\tlast\n", true, 59, {{59, u"last"}}},
};

INSTANTIATE_TEST_SUITE_P(Table, TableLoader, ::testing::ValuesIn(kLoaderCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DataTableTest, CellsArePaddedCutUnquotedAndTyped)
{
    auto table = LoadBgm("1\tshort\n"
                         "2\tn\tf.ogg\t1500\t6\textra\tmore\n"
                         "3\t\"say \\\"hi\\\"\"\t'a\"b'\t0xFFFFFFFF\t-1\n"
                         "4\tab\"c\t\"open\t-1\t010\n"
                         "\"5\"\t\"\"\t'x'y\n");
    const DBBGMModeData* r1 = table->GetRow(1);
    EXPECT_EQ(r1->Name, u"short");
    EXPECT_EQ(r1->FileName, u"");
    EXPECT_EQ(r1->LoopPosTime, 0u);
    EXPECT_EQ(r1->ButtonIndex, 0);
    const DBBGMModeData* r2 = table->GetRow(2);
    EXPECT_EQ(r2->FileName, u"f.ogg");
    EXPECT_EQ(r2->LoopPosTime, 1500u);
    EXPECT_EQ(r2->ButtonIndex, 6);
    const DBBGMModeData* r3 = table->GetRow(3);
    EXPECT_EQ(r3->Name, u"say \\\"hi\\\"");  // escapes are kept as they stand
    EXPECT_EQ(r3->FileName, u"a\"b");
    EXPECT_EQ(r3->LoopPosTime, 0xFFFFFFFFu);
    EXPECT_EQ(r3->ButtonIndex, -1);
    const DBBGMModeData* r4 = table->GetRow(4);
    EXPECT_EQ(r4->Name, u"ab\"c");
    EXPECT_EQ(r4->FileName, u"open");  // no closing quote: the rest of the cell
    EXPECT_EQ(r4->LoopPosTime, 0xFFFFFFFFu);
    EXPECT_EQ(r4->ButtonIndex, 8);
    const DBBGMModeData* r5 = table->GetRow(5);
    EXPECT_EQ(r5->ID, 5);
    EXPECT_EQ(r5->Name, u"");
    EXPECT_EQ(r5->FileName, u"x");
    EXPECT_EQ(table->GetMaxID(), 5);
}

TEST_F(DataTableTest, FloatsReadTheSameInEveryLocale)
{
    WriteUtf8Bom("data/l.txt", "1\t$UI:SeqA\t0\tbtn\tname\t-1\t1\t1\t1\t12.5\t-3e1\tabc\t2\n"
                               "2\t\t\t\t\t\t\t\t\t 0.25\t1,5\t\xEF\xBC\x91\n");
    auto table = std::make_unique<DBUILayout>();
    ASSERT_TRUE(table->Load(u"data/l.txt"));
    EXPECT_FLOAT_EQ(table->GetRow(1)->Left, 12.5f);
    EXPECT_FLOAT_EQ(table->GetRow(1)->Top, -30.0f);
    EXPECT_FLOAT_EQ(table->GetRow(1)->OrderZ, 0.0f);
    EXPECT_EQ(table->GetRow(1)->GroupID, 2);
    EXPECT_FLOAT_EQ(table->GetRow(2)->Left, 0.25f);
    EXPECT_FLOAT_EQ(table->GetRow(2)->Top, 1.0f);  // "," is no decimal point
    EXPECT_FLOAT_EQ(table->GetRow(2)->OrderZ, 0.0f);
}

TEST_F(DataTableTest, EveryEncodingTheGameWritesIsRead)
{
    WriteCp932("data/a.txt", "1\tるこ\n");
    WriteUtf8Bom("data/b.txt", "2\tるこ\n");
    WriteUtf16LE("data/c.txt", "3\tるこ\r\n*\t黒\r\n");
    auto table = std::make_unique<DBBGMMode>();
    EXPECT_TRUE(table->Load(u"data/a.txt"));
    EXPECT_TRUE(table->Load(u"data/b.txt"));
    EXPECT_TRUE(table->Load(u"data/c.txt"));
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(table->GetRow(i)->Name, u"るこ") << i;
    EXPECT_EQ(table->GetRow(4)->Name, u"黒");

    // Files that cannot be read leave the table as it was.
    WriteBytes("data/empty.txt", "");
    WriteBytes("data/be.txt", std::string("\xFE\xFF\0" "1\0\t\0x", 7));
    for (const char16_t* path : {u"data/empty.txt", u"data/be.txt", u"data/missing.txt"}) {
        EXPECT_FALSE(table->Load(path));
        EXPECT_EQ(table->GetMaxID(), 4);
        EXPECT_EQ(table->GetRow(1)->Name, u"るこ");
    }
}

TEST_F(DataTableTest, ASecondFileJoinsTheFirstAndContinuesItsStars)
{
    WriteUtf8Bom("data/db_uimodule.txt", "*\t1\tfirst\n*\t1\tsecond\n5\t2\tfive\n");
    WriteCp932("data/db_uimodule_bmap.txt", "*\t3\tsix\n1\t4\treplaced\n");
    auto table = std::make_unique<DBUIModule>();
    ASSERT_TRUE(table->Load(u"data/db_uimodule.txt"));
    ASSERT_TRUE(table->Load(u"data/db_uimodule_bmap.txt"));
    EXPECT_EQ(table->GetMaxID(), 6);
    EXPECT_EQ(table->GetRow(0)->ModuleName, u"first");
    EXPECT_EQ(table->GetRow(1)->ModuleName, u"replaced");
    EXPECT_EQ(table->GetRow(1)->UIType, 4);
    EXPECT_EQ(table->GetRow(5)->ModuleName, u"five");
    EXPECT_EQ(table->GetRow(6)->ModuleName, u"six");
}

TEST_F(DataTableTest, GalleryLinesSpreadOverThePictureCells)
{
    std::string full = "2\t3\tthumb2";
    for (int i = 0; i < 32; ++i) full += "\tpic" + std::to_string(i) + "|1|2";
    full += "\t7\n";
    WriteUtf8Bom("data/db_cgmode.txt", "1\t4\tthumb\tf0\tf1\tf2\tf3\tf4\tf5\tf6\n" + full);
    auto table = std::make_unique<DBCGMode>();
    ASSERT_TRUE(table->Load(u"data/db_cgmode.txt"));
    const DBCGModeData* short10 = table->GetRow(1);
    EXPECT_EQ(short10->Group, 4);
    EXPECT_EQ(short10->Thumbnail, u"thumb");
    EXPECT_EQ(short10->FileName[0], u"f0");
    EXPECT_EQ(short10->FileName[6], u"f6");
    EXPECT_EQ(short10->FileName[7], u"");
    EXPECT_EQ(short10->Count, 0);
    const DBCGModeData* row = table->GetRow(2);
    EXPECT_EQ(row->FileName[0], u"pic0|1|2");
    EXPECT_EQ(row->FileName[31], u"pic31|1|2");
    EXPECT_EQ(row->Count, 7);
}

TEST(DataTableColumns, EveryTableDescribesItsRowsAndColumns)
{
    struct Expect
    {
        const char* table;
        GxDBBase* base;
        int32_t columns, capacity;
    };
    const Expect tables[] = {
        {"DBRukoChar", &GxGetDBRukoChar(), 8, 80},  {"DBBGMMode", &GxGetDBBGMMode(), 5, 60},
        {"DBCGMode", &GxGetDBCGMode(), 5, 200},     {"DBCGModeParam", &GxGetDBCGModeParam(), 5, 200},
        {"DBEffect", &GxGetDBEffect(), 6, 80},      {"DBRPMode", &GxGetDBRPMode(), 5, 200},
        {"DBUILayout", &GxGetDBUILayout(), 20, 512}, {"DBUIModule", &GxGetDBUIModule(), 14, 256},
    };
    for (const Expect& e : tables) {
        EXPECT_EQ(e.base->GetColumnCount(), e.columns) << e.table;
        EXPECT_EQ(e.base->GetRowCapacity(), e.capacity) << e.table;
        EXPECT_EQ(e.base->GetColumnIndex(u"ID"), 0) << e.table;
        EXPECT_EQ(e.base->GetColumnType(u"ID"), kGxDBTypeS32) << e.table;
        EXPECT_EQ(e.base->GetFieldAddress(0, u"ID"), nullptr) << e.table;
    }
    EXPECT_NE(&GxGetDBCGMode(), &GxGetDBCGModeParam());

    DBUIModule& module = GxGetDBUIModule();
    EXPECT_EQ(module.GetColumnIndex(u"ImageName"), 4);
    EXPECT_EQ(module.GetColumnIndex(u"imagename"), -1);
    EXPECT_EQ(module.GetColumnIndex(u"AnimeSpeed"), 13);
    EXPECT_EQ(module.GetColumnType(u"ModuleName"), kGxDBTypeWStr);
    EXPECT_EQ(module.GetColumnType(u"nothing"), 0);
    EXPECT_EQ(module.GetFieldAddress(3, u"ImageName"), &module.GetRow(3)->ImageName);
    EXPECT_EQ(module.GetFieldAddress(3, u"Image"), nullptr);

    EXPECT_EQ(GxGetDBUILayout().GetColumnIndex(u"Left"), 9);
    EXPECT_EQ(GxGetDBUILayout().GetColumnType(u"OrderZ"), kGxDBTypeF32);
    EXPECT_EQ(GxGetDBUILayout().GetColumnIndex(u"Descript"), 19);
    EXPECT_EQ(GxGetDBBGMMode().GetColumnType(u"LoopPosTime"), kGxDBTypeU32);
    EXPECT_EQ(GxGetDBRukoChar().GetColumnIndex(u"Comment"), 7);

    DBCGMode& gallery = GxGetDBCGMode();
    EXPECT_EQ(gallery.GetColumnArraySize(u"FileName"), 31);
    EXPECT_EQ(gallery.GetColumnArraySize(u"Count"), 0);
    EXPECT_EQ(gallery.GetColumnArraySize(u"nothing"), 0);
    EXPECT_EQ(gallery.GetColumnIndex(u"Count"), 4);
    EXPECT_EQ(gallery.GetFieldAddress(1, u"FileName"), &gallery.GetRow(1)->FileName[0]);
}

TEST(DataTableColumns, ANewTableHasNoIdAndEmptyRows)
{
    auto table = std::make_unique<DBRukoChar>();
    EXPECT_EQ(table->GetMaxID(), -1);
    const DBRukoCharData* row = table->GetRow(79);
    EXPECT_EQ(row->ID, 0);
    EXPECT_TRUE(row->CharName.empty() && row->VoicePath.empty());
    EXPECT_EQ(row->VoiceVolumeID, 0);
}

// Rows are made when first asked for (a table holds hundreds of empty rows otherwise); what
// callers see is that of a full array: empty rows, addresses that stay, a reset in place.
TEST(DataTableColumns, RowsAreMadeOnFirstUseAndStayWhereTheyAre)
{
    auto table = std::make_unique<DBCGMode>();
    const DBCGMode& reader = *table;
    EXPECT_TRUE(reader.GetRow(150)->FileName[0].empty());
    EXPECT_EQ(table->GetRowsMade(), 0) << "reading makes no row";

    DBCGModeData* third = table->GetRow(3);
    EXPECT_EQ(table->GetRowsMade(), 4);
    third->Group = 5;
    third->FileName[1] = u"ev01";
    EXPECT_EQ(reader.GetRow(3), third);
    table->GetRow(DBCGMode::kRowCapacity - 1);
    EXPECT_EQ(table->GetRowsMade(), DBCGMode::kRowCapacity);
    EXPECT_EQ(table->GetRow(3), third) << "a made row never moves";
    EXPECT_EQ(third->Group, 5);

    // Outside the rows: a scratch row, and no row of the table changes.
    for (int32_t outside : {-1, DBCGMode::kRowCapacity, 1 << 30}) {
        DBCGModeData* scratch = table->GetRow(outside);
        scratch->Group = 9;
        EXPECT_EQ(table->GetRow(outside)->Group, 0) << outside;
        EXPECT_TRUE(reader.GetRow(outside)->FileName[1].empty()) << outside;
    }
    EXPECT_EQ(table->GetRowsMade(), DBCGMode::kRowCapacity);
    EXPECT_EQ(third->Group, 5);

    table->Clear();
    EXPECT_EQ(table->GetRow(3), third) << "cleared in place";
    EXPECT_EQ(third->Group, 0);
    EXPECT_TRUE(third->FileName[1].empty());
    EXPECT_EQ(table->GetMaxID(), -1);
}

TEST_F(DataTableTest, FindRowByNameGivesTheFirstMatchOrZero)
{
    WriteUtf8Bom("data/e.txt", "0\tp\tg\tm\tzero\n7\tp\tg\tm\tflash\n8\tp\tg\tm\tflash\n");
    auto effects = std::make_unique<DBEffect>();
    ASSERT_TRUE(effects->Load(u"data/e.txt"));
    EXPECT_EQ(effects->FindRowByName(u"flash"), 7);
    EXPECT_EQ(effects->FindRowByName(u"zero"), 0);
    EXPECT_EQ(effects->FindRowByName(u"none"), 0);
    EXPECT_EQ(effects->FindRowByName(u"Flash"), 0);
    EXPECT_EQ(effects->FindRowByName(u""), 1);  // the first row no line set

    auto music = LoadBgm("*\tt0\n*\tt1\n");
    EXPECT_EQ(music->FindRowByName(u"t1"), 1);
    EXPECT_EQ(music->FindRowByName(u""), 2);
}

// Column values that no user of the table can honour, found by fuzzing the column readers:
// each is cut when the table is read (logged once per row), and the user then works.
TEST_F(DataTableTest, ColumnValuesNoUserCanHonourAreCut)
{
    // A stand picture's sub-layers: the main play screen makes that many for every character at
    // start-up (two buffers each), so a mistyped count asked for gigabytes.
    WriteUtf8Bom("data/c.txt", "0\tlarge\t2147483647\t\t\t\t\t\n1\tjust\t256\t\t\t\t\t\n2\tover\t257\t\t\t\t\t\n"
                               "3\tfew\t2\t\t\t\t\t\n4\tnone\t-1\t\t\t\t\t\n");
    {
        LogCapture log;
        ASSERT_TRUE(GxGetDBRukoChar().Load(u"data/c.txt"));
        EXPECT_EQ(log.Count("DBRukoChar/SubLayerNum out of range[data/c.txt/0/2147483647]"), 1u);
        EXPECT_EQ(log.Count("DBRukoChar/SubLayerNum out of range[data/c.txt/2/257]"), 1u);
        EXPECT_EQ(log.lines.size(), 2u);
    }
    const int32_t expected[] = {DBRukoChar::kMaxSubLayers, DBRukoChar::kMaxSubLayers, DBRukoChar::kMaxSubLayers, 2, -1};
    for (int32_t id = 0; id < 5; ++id) EXPECT_EQ(GxGetDBRukoChar().GetRow(id)->SubLayerNum, expected[id]) << id;
    {
        GxTaskManage manager;
        auto* root = new GxTaskBase(&manager);
        new SeqRukoMain(root);
        auto* stand = dynamic_cast<GxTaskFolder*>(manager.FindTaskByName(u"$STAND:SeqRukoMain"));
        ASSERT_NE(stand, nullptr);
        auto* large = dynamic_cast<GxTaskLayer*>(stand->FindTaskLocalByString(u"large", 0));
        ASSERT_NE(large, nullptr);
        EXPECT_EQ(large->GetCurrentContent()->GetSubLayerCount(), static_cast<uint32_t>(DBRukoChar::kMaxSubLayers));
    }
    GxGetDBRukoChar().Clear();
}

// A number cell is read as before whatever it holds; one whose text is not a number of its
// column is logged with the file, the line, the row's ID and the column. An empty cell is how a
// spreadsheet writes 0 and passes without a word.
struct NumberCellCase
{
    const char* text;
    bool reads;
    uint32_t loop;  // what the unsigned column holds after the line
};

TEST_F(DataTableTest, NumberCellsThatDoNotReadAsNumbersAreLogged)
{
    const NumberCellCase cases[] = {
        {"1500", true, 1500},      {" 12 ", true, 12},         {"0x1F", true, 31},     {"0b101", true, 5},
        {"012", true, 10},         {"0", true, 0},             {"+4", true, 4},        {"\xEF\xBC\x8B" "5", true, 5},
        {"-1", true, 0xFFFFFFFFu}, {"", true, 0},              {"abc", false, 0},      {"12abc", false, 12},
        {"1,5", false, 1},         {"08", false, 0},           {"0x", false, 0},       {"0b2", false, 0},
        {"-", false, 0},           {" ", false, 0},            {"\xEF\xBC\x91", false, 0},  // a full-width 1
        {"1.5", false, 1},         {"12345678901", false, 1234567890},
    };
    for (const NumberCellCase& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        LogCapture log;
        auto table = LoadBgm(std::string("# music\n\n3\tname\tf.ogg\t") + c.text + "\t7\n");
        EXPECT_EQ(table->GetRow(3)->LoopPosTime, c.loop);
        EXPECT_EQ(table->GetRow(3)->ButtonIndex, 7) << "the cells after it are read";
        ASSERT_EQ(log.lines.size(), c.reads ? 0u : 1u);
        if (!c.reads) {
            EXPECT_EQ(log.lines[0].rfind(std::string("DBBGMMode/not a number[data/t.txt/line 3/ID 3/LoopPosTime]: \"") +
                                             c.text + "\" reads as " + std::to_string(c.loop),
                                         0),
                      0u)
                << log.lines[0];
        }
    }

    // Floats: the ASCII head is the number, so anything after it is damage.
    const struct
    {
        const char* text;
        bool reads;
        float left;
    } floats[] = {{"12.5", true, 12.5f}, {" -3e1 ", true, -30.0f}, {".5", true, 0.5f}, {"0x1p3", true, 8.0f},
                  {"", true, 0.0f},      {"1,5", false, 1.0f},     {"1.5px", false, 1.5f}, {"\xEF\xBC\x91", false, 0.0f},
                  {"0x", false, 0.0f},   {"left", false, 0.0f}};
    for (const auto& f : floats) {
        SCOPED_TRACE(std::string("\"") + f.text + "\"");
        LogCapture log;
        WriteUtf8Bom("data/l.txt", std::string("*\t$UI:SeqA\t0\tbtn\tname\t-1\t1\t1\t1\t") + f.text +
                                       "\t2\t3\t4\ttext\tlabel\t5\t6\t7\t8\tdescript\n");
        auto table = std::make_unique<DBUILayout>();
        ASSERT_TRUE(table->Load(u"data/l.txt"));
        EXPECT_FLOAT_EQ(table->GetRow(0)->Left, f.left);
        EXPECT_FLOAT_EQ(table->GetRow(0)->Top, 2.0f);
        ASSERT_EQ(log.lines.size(), f.reads ? 0u : 1u);
        if (!f.reads) EXPECT_EQ(log.Count("DBUILayout/not a number[data/l.txt/line 1/ID 0/Left]: \""), 1u) << log.lines[0];
    }

    // The ID: a character whose ID is no number still fills row 0, and says so.
    LogCapture log;
    WriteUtf8Bom("data/c.txt", "abc\tるこ\t0\tcg/stand/\truko.gnc\t*\t1\tcomment\n");
    auto characters = std::make_unique<DBRukoChar>();
    ASSERT_TRUE(characters->Load(u"data/c.txt"));
    EXPECT_EQ(characters->GetRow(0)->CharName, u"るこ");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "DBRukoChar/not a number[data/c.txt/line 1/ID 0/ID]: \"abc\" reads as 0\n");

    // A long cell is quoted by its head, never cutting a character in two.
    log.lines.clear();
    LoadBgm("1\tn\tf\t" + std::string(39, 'x') + "\xF0\x9F\x8E\xB5" + std::string(100, 'y') + "\t0\n");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find(": \"" + std::string(39, 'x') + "\" reads as 0"), std::string::npos) << log.lines[0];
}

// A line with fewer cells than its table reads keeps its padding (the missing columns empty or
// 0), and one line names the first column it left out. Lines the loader skips say nothing.
TEST_F(DataTableTest, ALineShorterThanItsTableIsLogged)
{
    LogCapture log;
    // The title's start button cut after its first 7 cells: it is made hidden and disabled.
    WriteUtf8Bom("data/l.txt", "# ID\tParentName\t...\n"
                               "0\t$UI:SeqTitle\t-1\tbtn_std\tbtn_start\t-1\t1\n"
                               "1\t$UI:SeqTitle\t-1\tbtn_std\tbtn_load\t-1\t1\t1\t1\t412\t418\t1\t0\tLoad\t\t0\t0\t0\t0\t\n"
                               "\tno ID\n"
                               "#2\tcomment\n");
    auto layout = std::make_unique<DBUILayout>();
    ASSERT_TRUE(layout->Load(u"data/l.txt"));
    EXPECT_EQ(layout->GetRow(0)->TaskName, u"btn_start");
    EXPECT_EQ(layout->GetRow(0)->Create, 1);
    EXPECT_EQ(layout->GetRow(0)->Visible, 0);
    EXPECT_EQ(layout->GetRow(1)->Visible, 1);
    EXPECT_EQ(log.lines, std::vector<std::string>{"DBUILayout/row too short[data/l.txt/line 2/ID 0/Visible]: 7 of 20 cells, "
                                                  "the columns from there on read as empty or 0\n"});

    // A line of a blank alone: row 0 overwritten with empty columns, and both faults told.
    log.lines.clear();
    auto music = LoadBgm("0\tfirst\tf.ogg\t1\t2\n \n");
    EXPECT_EQ(music->GetRow(0)->Name, u"");
    EXPECT_EQ(log.Count("DBBGMMode/not a number[data/t.txt/line 2/ID 0/ID]: \" \" reads as 0"), 1u);
    EXPECT_EQ(log.Count("DBBGMMode/row too short[data/t.txt/line 2/ID 0/Name]: 1 of 5 cells"), 1u);
    EXPECT_EQ(log.lines.size(), 2u);

    // An ID outside the rows stops the load with its own message only.
    log.lines.clear();
    LoadBgm("60\tx\n");
    EXPECT_EQ(log.lines, std::vector<std::string>{"DBBGMMode/ID out of range[data/t.txt/60]\n"});
}

// A gallery line lists its pictures and may end after any of them (the count then reads as 0:
// counted). Only a line without a picture is short. Both gallery tables read the file at
// start-up; its faults are told once.
TEST_F(DataTableTest, GalleryLinesMayEndAfterAnyPictureAndAreToldOnce)
{
    WriteUtf8Bom("data/db_cgmode.txt", "0\t1\tth0.png\tev0|0|0\n"
                                       "1\t1\tth1.png\tev1|0|0\tev2|0|0\n"
                                       "2\t1\tth2.png\n"
                                       "3\tgroup\tth3.png\tev3|0|0\n");
    LogCapture log;
    GxLoadGameTables();
    EXPECT_EQ(GxGetDBCGMode().GetRow(1)->FileName[1], u"ev2");
    EXPECT_EQ(GxGetDBCGMode().GetRow(3)->Group, 0);
    EXPECT_EQ(log.Count("DBCGMode/row too short[data/db_cgmode.txt/line 3/ID 2/FileName]: 3 of 36 cells"), 1u);
    EXPECT_EQ(log.Count("DBCGMode/not a number[data/db_cgmode.txt/line 4/ID 3/Group]: \"group\" reads as 0"), 1u);
    EXPECT_EQ(log.Count("DBCGMode/"), 2u);
    GxGetDBCGMode().Clear();
    GxGetDBCGModeParam().Clear();
}

// A file damaged throughout (another table's file, a wrong export) tells its first faults and
// then only how many more there were, once per load.
TEST_F(DataTableTest, AFileDamagedThroughoutTellsItsFirstFaultsAndHowManyMore)
{
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "*\tname\tfile\tloop\n";  // short, and a bad number
    LogCapture log;
    auto table = LoadBgm(text);
    EXPECT_EQ(table->GetMaxID(), 59) << "the 61st line is past the rows";
    EXPECT_EQ(log.Count("DBBGMMode/not a number[data/t.txt/line 1/ID 0/LoopPosTime]"), 1u);
    EXPECT_EQ(log.Count("DBBGMMode/row too short[data/t.txt/line 1/ID 0/ButtonIndex]"), 1u);
    EXPECT_EQ(log.Count("DBBGMMode/not a number"), 10u);
    EXPECT_EQ(log.Count("DBBGMMode/row too short"), 10u);
    // 60 rows of two faults each; the first 20 told.
    EXPECT_EQ(log.Count("DBBGMMode/100 more damaged cells not logged[data/t.txt]"), 1u);
    EXPECT_EQ(log.Count("DBBGMMode/ID out of range[data/t.txt/60]"), 1u);
    EXPECT_EQ(log.lines.size(), 22u);

    // The next load tells its own.
    log.lines.clear();
    WriteUtf8Bom("data/u.txt", "1\tname\tfile\tloop\t0\n");
    EXPECT_TRUE(table->Load(u"data/u.txt"));
    EXPECT_EQ(log.lines, std::vector<std::string>{"DBBGMMode/not a number[data/u.txt/line 1/ID 1/LoopPosTime]: \"loop\" reads as 0\n"});
}

// The start-up's table step fills the program's tables, and the widgets find their modules.
TEST_F(DataTableTest, StartUpLoadsEveryTableFileIntoItsTable)
{
    WriteCp932("data/db_rukochar.txt", "#ID\tCharName\n1\tるこ\t2\tcg/stand/ruko/\truko.gnc\tvoices/ruko/\t3\tcomment\n");
    WriteCp932("data/db_bgmmode.txt", "2\ttheme\tbgms/theme.ogg\t1000\t1\n");
    WriteCp932("data/db_cgmode.txt", "3\t1\tthumb\tcg/ev/a.png|0|0\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t1\n");
    WriteCp932("data/db_rpmode.txt", "4\t1\tthumb\t*scene\thelp\n");
    WriteCp932("data/db_uimodule.txt", "0\t1\tbtn_std\tuigis/ui.gis\tbtn.png\t80\t24\n");
    WriteCp932("data/db_uilayout.txt", "*\t$UI:SeqTitle\t-1\tbtn_std\tbtn_start\t-1\t1\t1\t1\t100\t200\t1\n");
    WriteCp932("data/db_effect.txt", "5\tfx.gnc\tfx\tflash\tflash\n");
    WriteCp932("data/db_uimodule_bmap.txt", "*\t2\tbmap_panel\n");
    WriteCp932("data/db_uilayout_bmap.txt", "*\t$UI:SeqMap\t-1\tbmap_panel\tpnl\n");

    GxLoadGameTables();
    EXPECT_EQ(GxGetDBRukoChar().GetRow(1)->CharName, u"るこ");
    EXPECT_EQ(GxGetDBRukoChar().GetRow(1)->VoiceVolumeID, 3);
    EXPECT_EQ(GxGetDBBGMMode().GetRow(2)->LoopPosTime, 1000u);
    EXPECT_EQ(GxGetDBCGMode().GetRow(3)->FileName[0], u"cg/ev/a.png") << "split into picture and parameters";
    EXPECT_EQ(GxGetDBCGModeParam().GetRow(3)->FileName[0], u"0|0");
    EXPECT_EQ(GxGetDBCGModeParam().GetRow(3)->Count, 1);
    EXPECT_EQ(GxGetDBRPMode().GetRow(4)->Label, u"*scene");
    EXPECT_EQ(GxGetDBEffect().FindRowByName(u"flash"), 5);
    EXPECT_EQ(GxGetDBUILayout().GetMaxID(), 1);
    EXPECT_EQ(GxGetDBUILayout().GetRow(1)->ParentName, u"$UI:SeqMap");
    EXPECT_FLOAT_EQ(GxGetDBUILayout().GetRow(0)->Top, 200.0f);
    const DBUIModuleData* panel = GxFindUIModuleData(u"bmap_panel");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->ID, 1);
    EXPECT_EQ(GxFindUIModuleData(u"btn_std")->Width, 80);

    GxGetDBRukoChar().Clear();
    GxGetDBBGMMode().Clear();
    GxGetDBCGMode().Clear();
    GxGetDBCGModeParam().Clear();
    GxGetDBRPMode().Clear();
    GxGetDBUIModule().Clear();
    GxGetDBUILayout().Clear();
    GxGetDBEffect().Clear();
    EXPECT_EQ(GxGetDBUILayout().GetMaxID(), -1);
}

}  // namespace
