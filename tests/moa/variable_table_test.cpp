// Variable tables: scopes and save classes, creation from definitions, assignment, storing
// and reading by save class, and the look-up chain of a script entity.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/GxContentReader.h"
#include "moa/GxMoa.h"
#include "tests/moa/moa_stream_bytes.h"
#include "tests/moa/moa_value_test_util.h"
#include "tests/support/GxContentFixture.h"

using moabytes::Bytes;
using moatest::A;
using moatest::Describe;
using moatest::I;
using moatest::N;
using moatest::S;

namespace {

std::string WriteTable(const GxMoaVariableTable& t, int32_t saveClass)
{
    return GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { EXPECT_TRUE(t.Write(w, saveClass)); });
}

bool ReadTable(GxMoaVariableTable& t, const std::string& bytes, int32_t saveClass)
{
    GxContentBinaryReader reader = moabytes::Reader(bytes);
    return t.Read(reader, saveClass);
}

// One variable per scope 0..10 named "s0" ... "s10", holding the scope number.
GxMoaVariableTable TableOfEveryScope()
{
    GxMoaVariableTable t(MOATABLE_GLOBAL);
    for (int32_t scope = 0; scope <= 10; ++scope) {
        GxMoaVariableDefinition d;
        d.m_Name = u"s" + GxIntToString(scope);
        d.m_Scope = scope;
        d.m_InitValue = I(scope);
        t.CreateVariableFromDefinition(d);
    }
    return t;
}

std::vector<std::string> Names(const GxMoaVariableTable& t)
{
    std::vector<std::string> v;
    for (int32_t i = 0; i < t.GetCount(); ++i) v.push_back(GxWideToUtf8(t.GetAt(i)->m_Name));
    return v;
}

GxMoaVariableDefinition Def(const char16_t* name, int32_t scope, GxMoaVariable init, int32_t arraySize = -1)
{
    GxMoaVariableDefinition d;
    d.m_Name = name;
    d.m_Scope = scope;
    d.m_InitValue = std::move(init);
    d.m_ArraySize = arraySize;
    return d;
}

}  // namespace

TEST(GxMoaVariableTable, ScopeBySaveClassTable)
{
    // Rows: scope; columns: save classes 0, 1, 2, 3, 4, 5, -1.
    const int32_t classes[] = {0, 1, 2, 3, 4, 5, -1};
    const struct { int32_t scope; bool in[7]; } rows[] = {
        {0, {true, false, false, false, false, false, false}},   // NONE
        {1, {true, false, false, true, false, false, false}},    // LOCAL is in-game
        {2, {true, false, true, false, false, false, false}},
        {3, {true, false, false, true, false, false, false}},
        {4, {true, false, false, false, true, false, false}},
        {5, {true, false, true, false, false, false, false}},
        {6, {true, false, false, true, false, false, false}},
        {7, {true, false, false, false, true, false, false}},
        {8, {true, false, true, false, false, false, false}},
        {9, {true, false, false, true, false, false, false}},
        {10, {true, false, false, false, true, false, false}},
        {11, {true, false, false, false, false, false, false}},  // unknown scopes: only "all"
        {-3, {true, false, false, false, false, false, false}},
    };
    for (const auto& r : rows)
        for (int c = 0; c < 7; ++c)
            EXPECT_EQ(GxMoaScopeInSaveClass(r.scope, classes[c]), r.in[c]) << "scope " << r.scope << " class " << classes[c];

    // Write keeps exactly those of the class, in table order; reading under class 0 shows them.
    const GxMoaVariableTable all = TableOfEveryScope();
    const struct { int32_t saveClass; std::vector<std::string> names; } written[] = {
        {0, {"s0", "s1", "s2", "s3", "s4", "s5", "s6", "s7", "s8", "s9", "s10"}},
        {1, {}},
        {2, {"s2", "s5", "s8"}},
        {3, {"s1", "s3", "s6", "s9"}},
        {4, {"s4", "s7", "s10"}},
        {7, {}},
    };
    for (const auto& w : written) {
        SCOPED_TRACE(w.saveClass);
        GxMoaVariableTable back(MOATABLE_LOCAL);
        ASSERT_TRUE(ReadTable(back, WriteTable(all, w.saveClass), 0));
        EXPECT_EQ(Names(back), w.names);
        for (int32_t i = 0; i < back.GetCount(); ++i) {
            // Appended records keep their stored scope and value.
            EXPECT_EQ(back.GetAt(i)->m_Scope, back.GetAt(i)->m_Value.GetInt());
        }
    }
}

TEST(GxMoaVariableTable, StoredFormOfARecord)
{
    GxMoaVariableTable t(MOATABLE_GLOBAL);
    t.SetVariable(u"flag", nullptr)->m_Value = I(3);
    EXPECT_EQ(WriteTable(t, 3), Bytes().S32(1).IntValue(3).S32(6).Str("flag").str());
    EXPECT_EQ(WriteTable(t, 2), Bytes().S32(0).str());
}

TEST(GxMoaVariableTable, ReadMergesByName)
{
    GxMoaVariableTable stored(MOATABLE_LOCAL);
    stored.CreateVariableFromDefinition(Def(u"same", MOASCOPE_GLOBAL_INGAME, I(10)));
    stored.CreateVariableFromDefinition(Def(u"other", MOASCOPE_STATIC_INGAME, S(u"x")));
    stored.CreateVariableFromDefinition(Def(u"perm", MOASCOPE_GLOBAL_PERMAN, I(5)));
    stored.CreateVariableFromDefinition(Def(u"new", MOASCOPE_EXTERN_INGAME, A({I(1), I(2)})));
    const std::string bytes = WriteTable(stored, 0);

    GxMoaVariableTable t(MOATABLE_GLOBAL);
    t.CreateVariableFromDefinition(Def(u"keep", MOASCOPE_GLOBAL_INGAME, I(1)));
    t.CreateVariableFromDefinition(Def(u"same", MOASCOPE_GLOBAL_NOSAVE, I(2)));
    t.CreateVariableFromDefinition(Def(u"perm", MOASCOPE_GLOBAL_PERMAN, I(3)));

    // Under class 3 the PERMAN record is dropped; "same" takes the value and keeps its own
    // scope; unknown names are appended in stream order with the stored scope.
    ASSERT_TRUE(ReadTable(t, bytes, 3));
    EXPECT_EQ(Names(t), (std::vector<std::string>{"keep", "same", "perm", "other", "new"}));
    EXPECT_EQ(Describe(t.FindVariable(u"keep")->m_Value), "Int(1)");
    EXPECT_EQ(Describe(t.FindVariable(u"same")->m_Value), "Int(10)");
    EXPECT_EQ(t.FindVariable(u"same")->m_Scope, MOASCOPE_GLOBAL_NOSAVE);
    EXPECT_EQ(Describe(t.FindVariable(u"perm")->m_Value), "Int(3)");
    EXPECT_EQ(t.FindVariable(u"other")->m_Scope, MOASCOPE_STATIC_INGAME);
    EXPECT_EQ(Describe(t.FindVariable(u"new")->m_Value), "[Int(1),Int(2)]");

    // A PERMAN stream read as in-game drops every record; class 1 drops everything.
    GxMoaVariableTable empty(MOATABLE_GLOBAL);
    ASSERT_TRUE(ReadTable(empty, WriteTable(stored, 2), 3));
    EXPECT_EQ(empty.GetCount(), 0);
    ASSERT_TRUE(ReadTable(empty, bytes, 1));
    EXPECT_EQ(empty.GetCount(), 0);
    ASSERT_TRUE(ReadTable(empty, WriteTable(stored, 2), 2));
    EXPECT_EQ(Names(empty), std::vector<std::string>{"perm"});
}

TEST(GxMoaVariableTable, DamagedStreamStopsAtTheFirstBadRecord)
{
    GxContentLogCapture quiet;
    // A count of two billion with one good record: one record is taken, then the read stops
    // without a long loop or an allocation by the count.
    const std::string bytes = Bytes().S32(0x7FFFFFFF).IntValue(4).S32(6).Str("a").IntValue(5).str();
    GxMoaVariableTable t(MOATABLE_GLOBAL);
    EXPECT_FALSE(ReadTable(t, bytes, 0));
    EXPECT_EQ(Names(t), std::vector<std::string>{"a"});

    // A missing count reads as 0.
    GxMoaVariableTable u(MOATABLE_GLOBAL);
    EXPECT_FALSE(ReadTable(u, Bytes().Str("x").str(), 0));
    EXPECT_EQ(u.GetCount(), 0);
    EXPECT_TRUE(ReadTable(u, Bytes().S32(-5).str(), 0));
    EXPECT_EQ(u.GetCount(), 0);
}

TEST(GxMoaVariableTable, DefaultScopeOfEachTableKind)
{
    const struct { int32_t kind; int32_t scope; } rows[] = {
        {MOATABLE_LOCAL, MOASCOPE_LOCAL},          {MOATABLE_STATIC, MOASCOPE_STATIC_INGAME},
        {MOATABLE_GLOBAL, MOASCOPE_GLOBAL_INGAME}, {MOATABLE_EXTERN, MOASCOPE_EXTERN_INGAME},
        {0, MOASCOPE_LOCAL},                       {9, MOASCOPE_LOCAL},
    };
    for (const auto& r : rows) {
        GxMoaVariableTable t(r.kind);
        const GxMoaVariable v = I(1);
        EXPECT_EQ(t.SetVariable(u"x", &v)->m_Scope, r.scope) << r.kind;
        EXPECT_EQ(t.DeclareVariable(u"y")->m_Scope, r.scope) << r.kind;
    }
    EXPECT_EQ(GxMoaVariableTable().GetKind(), MOATABLE_LOCAL);
}

TEST(GxMoaVariableTable, SetAndDeclare)
{
    GxMoaVariableTable t(MOATABLE_GLOBAL);
    const GxMoaVariable seven = I(7);
    GxMoaVariableSet* a = t.SetVariable(u"a", &seven, 2);
    EXPECT_EQ(Describe(a->m_Value), "[Null,Null,Int(7)]");
    EXPECT_EQ(t.SetVariable(u"a", &seven, 0), a);  // found, not appended
    EXPECT_EQ(Describe(a->m_Value), "[Int(7),Null,Int(7)]");
    EXPECT_EQ(t.DeclareVariable(u"a", 0), a);
    EXPECT_EQ(Describe(a->m_Value), "[Null,Null,Int(7)]");

    GxMoaVariableSet* b = t.SetVariable(u"b", &seven);
    EXPECT_EQ(Describe(b->m_Value), "Int(7)");
    t.DeclareVariable(u"b");
    EXPECT_EQ(Describe(b->m_Value), "Null");
    t.SetVariable(u"c", nullptr);
    EXPECT_EQ(Describe(t.FindVariable(u"c")->m_Value), "Null");
    EXPECT_EQ(t.GetCount(), 3);

    // The first set of a name wins and the table keeps creation order.
    t.AddLocalVariable(u"b", I(9));
    EXPECT_EQ(Describe(b->m_Value), "Null");
    t.AddLocalVariable(u"d", I(9));
    EXPECT_EQ(t.FindVariable(u"d")->m_Scope, MOASCOPE_LOCAL);
    EXPECT_EQ(Names(t), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(t.FindVariable(u"A"), nullptr);  // names compare exactly

    // A copied table is independent.
    GxMoaVariableTable copy(t);
    copy.FindVariable(u"d")->m_Value = I(1);
    EXPECT_EQ(Describe(t.FindVariable(u"d")->m_Value), "Int(9)");
    EXPECT_NE(copy.FindVariable(u"d"), t.FindVariable(u"d"));
    t.Clear();
    EXPECT_EQ(t.FindVariable(u"a"), nullptr);
}

TEST(GxMoaVariableTable, CreateAndResetFromDefinitions)
{
    const struct { const char* name; GxMoaVariableDefinition def; std::string value; } rows[] = {
        {"array of five", Def(u"v", 6, I(0), 5), "[Null,Null,Null,Null,Null]"},
        {"no array", Def(u"v", 6, I(0), -1), "Int(0)"},
        {"empty array", Def(u"v", 6, S(u"x"), 0), "[]"},
        {"an Array initial value stays", Def(u"v", 6, A({I(1)}), 3), "[Int(1)]"},
        {"text", Def(u"v", 6, S(u"t")), "Str(t)"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        GxMoaVariableTable t(MOATABLE_GLOBAL);
        t.CreateVariableFromDefinition(r.def);
        ASSERT_EQ(t.GetCount(), 1);
        EXPECT_EQ(Describe(t.GetAt(0)->m_Value), r.value);
        EXPECT_EQ(t.GetAt(0)->m_Scope, 6);
        t.GetAt(0)->m_Value = I(42);
        t.CreateVariableFromDefinition(r.def);  // exists: unchanged
        EXPECT_EQ(Describe(t.GetAt(0)->m_Value), "Int(42)");
        GxMoaVariableTable::ResetVariableFromDefinition(*t.GetAt(0), &r.def);
        EXPECT_EQ(Describe(t.GetAt(0)->m_Value), r.value);
        GxMoaVariableTable::ResetVariableFromDefinition(*t.GetAt(0), nullptr);
        EXPECT_EQ(Describe(t.GetAt(0)->m_Value), "Null");
        EXPECT_EQ(t.GetAt(0)->m_Scope, 6);
    }
}

TEST(GxMoaVariableSet, TemporaryRecordAndStoredForm)
{
    const GxMoaVariable arg = S(u"a");
    GxMoaVariableSet rec(&arg);
    EXPECT_EQ(rec.m_Name, u"_");
    EXPECT_EQ(rec.m_Scope, MOASCOPE_LOCAL);
    EXPECT_EQ(Describe(rec.m_Value), "Str(a)");
    GxMoaVariableSet none(nullptr);
    EXPECT_TRUE(none.m_Value.IsNull());

    // A record without a scope reads it as 0.
    GxContentLogCapture quiet;
    const std::string bytes = Bytes().IntValue(1).Str("n").str();
    GxContentBinaryReader reader = moabytes::Reader(bytes);
    GxMoaVariableSet back;
    back.m_Scope = 6;
    EXPECT_FALSE(back.Read(reader));
    EXPECT_EQ(back.m_Scope, 0);
}

TEST(GxMoaScriptEntity, LookupChainAndReload)
{
    GxMoa program;
    GxMoaScript script(&program);
    script.m_VariableDefine.push_back(Def(u"st", MOASCOPE_STATIC_INGAME, I(1)));
    script.m_VariableDefine.push_back(Def(u"sp", MOASCOPE_STATIC_PERMAN, I(2)));
    GxMoaVariableTable globals(MOATABLE_GLOBAL);
    globals.CreateVariableFromDefinition(Def(u"both", MOASCOPE_GLOBAL_INGAME, S(u"global")));
    globals.CreateVariableFromDefinition(Def(u"g", MOASCOPE_GLOBAL_INGAME, S(u"global")));
    globals.CreateVariableFromDefinition(Def(u"ge", MOASCOPE_GLOBAL_INGAME, S(u"global")));
    program.GetVariableTable().CreateVariableFromDefinition(Def(u"ge", MOASCOPE_EXTERN_INGAME, S(u"extern")));
    program.GetVariableTable().CreateVariableFromDefinition(Def(u"e", MOASCOPE_EXTERN_INGAME, S(u"extern")));

    GxMoaScriptEntity entity(&program, nullptr, &globals, &script);
    for (const auto& d : script.m_VariableDefine) entity.GetVariableTable().CreateVariableFromDefinition(d);
    entity.GetVariableTable().CreateVariableFromDefinition(Def(u"both", MOASCOPE_STATIC_INGAME, S(u"static")));

    EXPECT_EQ(Describe(entity.FindVariable(u"both")->m_Value), "Str(static)");
    EXPECT_EQ(Describe(entity.FindVariable(u"g")->m_Value), "Str(global)");
    EXPECT_EQ(Describe(entity.FindVariable(u"ge")->m_Value), "Str(global)");
    EXPECT_EQ(Describe(entity.FindVariable(u"e")->m_Value), "Str(extern)");
    EXPECT_EQ(entity.FindVariable(u"none"), nullptr);
    GxMoaScriptEntity bare(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(bare.FindVariable(u"e"), nullptr);

    // Reload: the in-game statics are reset from the script's definitions first, then the
    // stream's values arrive; "both" has no definition and becomes Null unless the stream
    // names it. PERMAN statics are untouched.
    entity.FindVariable(u"st")->m_Value = I(100);
    entity.FindVariable(u"sp")->m_Value = I(200);
    GxMoaVariableTable stream(MOATABLE_STATIC);
    stream.CreateVariableFromDefinition(Def(u"x", MOASCOPE_STATIC_INGAME, I(5)));
    const std::string bytes = WriteTable(stream, 3);
    GxContentBinaryReader reader = moabytes::Reader(bytes);
    ASSERT_TRUE(entity.ReloadVariables(reader, 3));
    EXPECT_EQ(Describe(entity.FindVariable(u"st")->m_Value), "Int(1)");
    EXPECT_EQ(Describe(entity.FindVariable(u"sp")->m_Value), "Int(200)");
    EXPECT_EQ(Describe(entity.GetVariableTable().FindVariable(u"both")->m_Value), "Null");
    EXPECT_EQ(Describe(entity.FindVariable(u"x")->m_Value), "Int(5)");

    // Write / Read pass the class through to the statics.
    const std::string perm = GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { entity.WriteVariables(w, 2); });
    EXPECT_EQ(perm, Bytes().S32(1).IntValue(200).S32(2).Str("sp").str());
    entity.FindVariable(u"sp")->m_Value = I(0);
    GxContentBinaryReader permReader = moabytes::Reader(perm);
    ASSERT_TRUE(entity.ReadVariables(permReader, 2));
    EXPECT_EQ(Describe(entity.FindVariable(u"sp")->m_Value), "Int(200)");
}
