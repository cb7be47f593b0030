// Every value type written and read back in both forms, through the reader chosen by the
// stream's first byte as the loaders choose it; and the geometric values' exact layout.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "tests/support/GxContentFixture.h"

namespace {

std::string Bytes(std::initializer_list<int> b)
{
    std::string s;
    for (int v : b) s.push_back(static_cast<char>(v));
    return s;
}

// One value (or one framed group): how it is written, and how reading it back is checked.
struct Step
{
    const char* what;
    std::function<bool(GxContentWriterBase&)> write;
    std::function<void(GxContentReaderBase&, GxContentForm)> check;
};

GxMatrix SampleMatrix()
{
    GxMatrix m;
    for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = static_cast<float>(i) * 0.5f - 3.25f;
    return m;
}

std::vector<Step> AllTypes()
{
    static const std::u16string kText = u"改行\nタブ\t\\ \"q\" 'a' 😀\r\fend";
    static const std::string kBlob = [] {
        std::string b;
        for (int i = 0; i < 100; ++i) b.push_back(static_cast<char>(i * 37 + 11));
        return b;
    }();
    std::vector<Step> s;
#define GX_STEP(What, Write, Check) s.push_back({What, [](GxContentWriterBase& w) { return Write; }, \
                                                  [](GxContentReaderBase& r, GxContentForm form) { (void)form; Check; }})
    GX_STEP("S8", w.WriteGxS8("s8", -128), EXPECT_EQ(r.ReadGxS8Value("s8"), -128));
    GX_STEP("U8", w.WriteGxU8("u8", 255), EXPECT_EQ(r.ReadGxU8Value("u8"), 255));
    GX_STEP("S16", w.WriteGxS16("s16", -32768), EXPECT_EQ(r.ReadGxS16Value("s16"), -32768));
    GX_STEP("U16", w.WriteGxU16("u16", 65535), EXPECT_EQ(r.ReadGxU16Value("u16"), 65535));
    GX_STEP("S32", w.WriteGxS32("s32", INT32_MIN), EXPECT_EQ(r.ReadGxS32Value("s32"), INT32_MIN));
    GX_STEP("U32", w.WriteGxU32("u32", UINT32_MAX), EXPECT_EQ(r.ReadGxU32Value("u32"), UINT32_MAX));
    GX_STEP("S32Alt", w.WriteGxS32Alt("a", -42), EXPECT_EQ(r.ReadGxS32AltValue("a"), -42));
    GX_STEP("U32Alt", w.WriteGxU32Alt("b", 42), EXPECT_EQ(r.ReadGxU32AltValue("b"), 42u));
    GX_STEP("S64", w.WriteGxS64("s64", -1234567890123456789LL), EXPECT_EQ(r.ReadGxS64Value("s64"), -1234567890123456789LL));
    GX_STEP("U64", w.WriteGxU64("u64", 0xF000000000000001ull), EXPECT_EQ(r.ReadGxU64Value("u64"), 0xF000000000000001ull));
    GX_STEP("F32", w.WriteGxF32("f32", 1.0f), EXPECT_EQ(r.ReadGxF32Value("f32"), 1.0f));
    GX_STEP("F32 rounded", w.WriteGxF32("f", 0.1234567f),
            EXPECT_EQ(r.ReadGxF32Value("f"), form == GxContentForm::Binary ? 0.1234567f : 0.123457f));
    GX_STEP("F64", w.WriteGxF64("f64", -1e10 / 3),
            EXPECT_EQ(r.ReadGxF64Value("f64"), form == GxContentForm::Binary ? -1e10 / 3 : -3333333333.333333));
    GX_STEP("Bool", w.WriteGxBool("t", true) && w.WriteGxBool("f", false),
            EXPECT_TRUE(r.ReadGxBoolValue("t")); EXPECT_FALSE(r.ReadGxBoolValue("f")));
    GX_STEP("Bit32", w.WriteGxBit32("bits", 0x80000005u), EXPECT_EQ(r.ReadGxBit32Value("bits"), 0x80000005u));
    GX_STEP("Vector2", w.WriteGxVector2("v2", GxVector2(1.5f, -2.25f)),
            EXPECT_EQ(r.ReadGxVector2Value("v2"), GxVector2(1.5f, -2.25f)));
    GX_STEP("Vector3", w.WriteGxVector3("v3", GxVector3(1, 2, 3, 99)),
            GxVector3 v = r.ReadGxVector3Value("v3"); EXPECT_EQ(v, GxVector3(1, 2, 3)); EXPECT_EQ(v.w, 0.0f));
    GX_STEP("Vector4", w.WriteGxVector4("v4", GxVector4(1, -2, 3.5f, 4)),
            EXPECT_EQ(r.ReadGxVector4Value("v4"), GxVector4(1, -2, 3.5f, 4)));
    GX_STEP("Quat", w.WriteGxQuat("q", GxQuat(0.5f, 0.5f, -0.5f, 0.5f)),
            EXPECT_EQ(r.ReadGxQuatValue("q"), GxQuat(0.5f, 0.5f, -0.5f, 0.5f)));
    GX_STEP("FColor", w.WriteGxFColor("c", GxFColor(0.25f, 0.5f, 0.75f, 1)),
            EXPECT_EQ(r.ReadGxFColorValue("c"), GxFColor(0.25f, 0.5f, 0.75f, 1)));
    GX_STEP("Matrix", w.WriteGxMatrix("m", SampleMatrix()), EXPECT_EQ(r.ReadGxMatrixValue("m"), SampleMatrix()));
    GX_STEP("Rect", w.WriteGxRect("r", GxRect(-1, 2, 1024, INT32_MIN)),
            EXPECT_EQ(r.ReadGxRectValue("r"), GxRect(-1, 2, 1024, INT32_MIN)));
    GX_STEP("FRect", w.WriteGxFRect("fr", GxFRect(0.5f, 1, 2, -3)),
            EXPECT_EQ(r.ReadGxFRectValue("fr"), GxFRect(0.5f, 1, 2, -3)));
    GX_STEP("Point2", w.WriteGxPoint2("p2", GxPoint2(3, -4)), EXPECT_EQ(r.ReadGxPoint2Value("p2"), GxPoint2(3, -4)));
    GX_STEP("Point3", w.WriteGxPoint3("p3", GxPoint3(3, -4, 5)),
            EXPECT_EQ(r.ReadGxPoint3Value("p3"), GxPoint3(3, -4, 5)));
    GX_STEP("Point4", w.WriteGxPoint4("p4", GxPoint4(INT32_MAX, -4, 5, 0)),
            EXPECT_EQ(r.ReadGxPoint4Value("p4"), GxPoint4(INT32_MAX, -4, 5, 0)));
    GX_STEP("StringW", w.WriteGxStringW("sw", kText.c_str()), EXPECT_EQ(r.ReadGxStringWValue("sw"), kText));
    GX_STEP("StringStdW", w.WriteGxStringStdW("sw2", kText),
            std::u16string t(u"old"); EXPECT_TRUE(r.ReadGxStringStdW("sw2", t)); EXPECT_EQ(t, kText));
    GX_STEP("StringA", w.WriteGxStringA("sa", "\x82\xA0\x83\x5C\\n\"'\t"),
            EXPECT_EQ(r.ReadGxStringAValue("sa"), "\x82\xA0\x83\x5C\\n\"'\t"));
    GX_STEP("StringStdA read wide", w.WriteGxStringStdA("sa2", std::string("\x83\x5C")),
            EXPECT_EQ(r.ReadGxStringWValue("sa2"), u"ソ"));
    GX_STEP("StringStdA", w.WriteGxStringStdA("sa3", "plain"),
            std::string t; EXPECT_TRUE(r.ReadGxStringStdA("sa3", t)); EXPECT_EQ(t, "plain"));
    GX_STEP("Empty string", w.WriteGxStringW("e", u""), EXPECT_EQ(r.ReadGxStringWValue("e"), u""));
    GX_STEP("Binary", w.WriteGxBinary("bin", kBlob.data(), 100),
            GxBinBuffer b; ASSERT_TRUE(r.ReadGxBinary("bin", b));
            EXPECT_EQ(std::string(reinterpret_cast<char*>(b.GetBuffer()), b.GetSize()), kBlob));
    GX_STEP("Binary 32", w.WriteGxBinary("bin", kBlob.data(), 32),
            GxBinBuffer b; ASSERT_TRUE(r.ReadGxBinary("bin", b)); EXPECT_EQ(b.GetSize(), 32u));
    GX_STEP("Empty binary", w.WriteGxBinary("bin", nullptr, 0),
            GxBinBuffer b; ASSERT_TRUE(r.ReadGxBinary("bin", b)); EXPECT_EQ(b.GetSize(), 0u));
    GX_STEP("List",
            w.WriteListBegin("list", "", 2) && w.WriteListItemBegin() && w.WriteGxS32("x", 1) && w.WriteListItemEnd() &&
                w.WriteListItemBegin() && w.WriteGxS32("x", 2) && w.WriteListItemEnd() && w.WriteListEnd(),
            uint32_t n = 0; ASSERT_TRUE(r.ReadListBegin("list", n)); ASSERT_EQ(n, 2u);
            for (uint32_t i = 0; i < n; ++i) { r.ReadListItemBegin(); EXPECT_EQ(r.ReadGxS32Value("x"), int(i + 1)); r.ReadListItemEnd(); }
            EXPECT_TRUE(r.ReadListEnd()));
    GX_STEP("Empty list", w.WriteListBegin("none", "", 0) && w.WriteListEnd(),
            uint32_t n = 9; ASSERT_TRUE(r.ReadListBegin("none", n)); EXPECT_EQ(n, 0u); EXPECT_TRUE(r.ReadListEnd()));
    GX_STEP("Tree",
            w.WriteTreeBegin("tree", "") && w.WriteTreeStratumBegin() && w.WriteGxU8("id", 1) &&
                w.WriteTreeStratumBegin() && w.WriteGxU8("id", 2) && w.WriteTreeStratumEnd() && w.WriteTreeStratumEnd() &&
                w.WriteTreeStratumBegin() && w.WriteGxU8("id", 3) && w.WriteTreeStratumEnd() && w.WriteTreeEnd(),
            EXPECT_TRUE(r.ReadTreeBegin("tree"));
            EXPECT_EQ(r.GetNextValueType(), VALTYPE_TreeStratumBegin); EXPECT_TRUE(r.ReadTreeStratumBegin());
            EXPECT_EQ(r.ReadGxU8Value("id"), 1);
            EXPECT_EQ(r.GetNextValueType(), VALTYPE_TreeStratumBegin); EXPECT_TRUE(r.ReadTreeStratumBegin());
            EXPECT_EQ(r.ReadGxU8Value("id"), 2);
            EXPECT_TRUE(r.ReadTreeStratumEnd()); EXPECT_TRUE(r.ReadTreeStratumEnd());
            EXPECT_EQ(r.GetNextValueType(), VALTYPE_TreeStratumBegin); EXPECT_TRUE(r.ReadTreeStratumBegin());
            EXPECT_EQ(r.ReadGxU8Value("id"), 3); EXPECT_TRUE(r.ReadTreeStratumEnd());
            EXPECT_EQ(r.GetNextValueType(), VALTYPE_TreeEnd); EXPECT_TRUE(r.ReadTreeEnd()));
#undef GX_STEP
    return s;
}

std::unique_ptr<GxContentReaderBase> MakeReader(const GxBinBuffer& b)
{
    // As the loaders choose: "T" first means the text form.
    if (b.GetFirstByte() == 'T') return std::make_unique<GxContentTextReader>(b);
    return std::make_unique<GxContentBinaryReader>(b);
}

std::unique_ptr<GxContentReaderBase> MakeReaderFor(GxContentForm form, const GxBinBuffer& b)
{
    if (form == GxContentForm::Text) return std::make_unique<GxContentTextReader>(b);
    return std::make_unique<GxContentBinaryReader>(b);
}

TEST(ContentRoundTrip, EveryTypeBothForms)
{
    const std::vector<Step> steps = AllTypes();
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        SCOPED_TRACE(form == GxContentForm::Binary ? "binary" : "text");
        std::string bytes = GxContentWriteToString(form, [&](GxContentWriterBase& w) {
            EXPECT_TRUE(w.WriteHeader(form == GxContentForm::Binary ? "BGD" : "TGD", 100));
            for (const Step& s : steps) EXPECT_TRUE(s.write(w)) << s.what;
            EXPECT_EQ(w.GetErrorCount(), 0);
        });
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, bytes);
        GxContentLogCapture log;
        auto r = MakeReader(buffer);
        uint32_t version = 0;
        ASSERT_TRUE(r->ReadHeader(form == GxContentForm::Binary ? "BGD" : "TGD", version));
        EXPECT_EQ(version, 100u);
        for (const Step& s : steps) {
            SCOPED_TRACE(s.what);
            s.check(*r, form);
        }
        EXPECT_TRUE(r->IsEnd());
        EXPECT_EQ(r->GetErrorCount(), 0);
        EXPECT_EQ(log.Joined(), "");
    }
}

// A list whose elements store no values takes no bytes per element: a valid stream may end in
// more elements than bytes, and must read back. A damaged count reads as stored, and a loader's
// item-by-item loop ends at its first failed read.
TEST(ContentRoundTrip, ListsOfValuelessElementsAndDamagedCounts)
{
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        SCOPED_TRACE(form == GxContentForm::Binary ? "binary" : "text");
        const char* tag = form == GxContentForm::Binary ? "BGD" : "TGD";
        std::string bytes = GxContentWriteToString(form, [&](GxContentWriterBase& w) {
            EXPECT_TRUE(w.WriteHeader(tag, 100));
            EXPECT_TRUE(w.WriteListBegin("m_Stages", "", 1000));
            for (int i = 0; i < 1000; ++i) EXPECT_TRUE(w.WriteListItemBegin() && w.WriteListItemEnd());
            EXPECT_TRUE(w.WriteListEnd());
        });
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, bytes);
        GxContentLogCapture log;
        auto r = MakeReader(buffer);
        uint32_t version = 0, count = 0;
        ASSERT_TRUE(r->ReadHeader(tag, version));
        ASSERT_TRUE(r->ReadListBegin("m_Stages", count));
        EXPECT_EQ(count, 1000u);
        for (uint32_t i = 0; i < count; ++i) ASSERT_TRUE(r->ReadListItemBegin() && r->ReadListItemEnd());
        EXPECT_TRUE(r->ReadListEnd());
        EXPECT_TRUE(r->IsEnd());
        EXPECT_EQ(r->GetErrorCount(), 0);
        EXPECT_EQ(log.Joined(), "");

        // Three values under a count of four thousand million.
        bytes = GxContentWriteToString(form, [&](GxContentWriterBase& w) {
            EXPECT_TRUE(w.WriteHeader(tag, 100));
            EXPECT_TRUE(w.WriteListBegin("m_Values", "", 4000000000u));
            for (int32_t i = 0; i < 3; ++i) EXPECT_TRUE(w.WriteGxS32("v", i));
            EXPECT_TRUE(w.WriteListEnd());
        });
        GxContentFillBuffer(buffer, bytes);
        r = MakeReader(buffer);
        ASSERT_TRUE(r->ReadHeader(tag, version));
        ASSERT_TRUE(r->ReadListBegin("m_Values", count));
        EXPECT_EQ(count, 4000000000u);
        std::vector<int32_t> kept;
        for (uint32_t i = 0; i < count; ++i) {
            int32_t v = -1;
            if (!r->ReadGxS32("v", v)) break;
            kept.push_back(v);
        }
        EXPECT_EQ(kept, (std::vector<int32_t>{0, 1, 2}));
        EXPECT_EQ(r->GetErrorCount(), 1);
    }
}

// SkipValue passes over exactly what each write put down, in both forms: the values of one
// step skipped until the end of their own bytes, then the same number of skips over those bytes
// followed by a marker leaves the marker to read.
TEST(ContentRoundTrip, SkipValuePassesEveryType)
{
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        SCOPED_TRACE(form == GxContentForm::Binary ? "binary" : "text");
        for (const Step& s : AllTypes()) {
            SCOPED_TRACE(s.what);
            std::string step = GxContentWriteToString(form, [&](GxContentWriterBase& w) { s.write(w); });
            std::string mark = GxContentWriteToString(form, [](GxContentWriterBase& w) { w.WriteGxU64("mark", 0xC0FFEE); });
            GxBinBuffer alone, marked;
            GxContentFillBuffer(alone, step);
            GxContentFillBuffer(marked, step + mark);
            auto r = MakeReaderFor(form, alone);
            int skips = 0;
            while (!r->IsEnd() && skips < 100) {
                ASSERT_TRUE(r->SkipValue());
                ++skips;
            }
            EXPECT_EQ(r->GetErrorCount(), 0);
            auto m = MakeReaderFor(form, marked);
            for (int i = 0; i < skips; ++i) ASSERT_TRUE(m->SkipValue());
            EXPECT_EQ(m->ReadGxU64Value("mark"), 0xC0FFEEu);
            EXPECT_TRUE(m->IsEnd());
            EXPECT_EQ(m->GetErrorCount(), 0);
        }
    }
}

TEST(ContentRoundTrip, GeometryLayoutGolden)
{
    std::string bin = GxContentWriteToString(GxContentForm::Binary, [](GxContentWriterBase& w) {
        w.WriteGxVector3("v", GxVector3(1, -2, 0.5f, 7));
        w.WriteGxRect("r", GxRect(1, 2, 3, -1));
        w.WriteGxPoint2("p", GxPoint2(-2, 258));
    });
    EXPECT_EQ(bin, Bytes({0x0D, 0x3F, 0x80, 0, 0, 0xC0, 0, 0, 0, 0x3F, 0, 0, 0,  //
                          0x12, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0xFF, 0xFF, 0xFF, 0xFF,  //
                          0x32, 0xFF, 0xFF, 0xFF, 0xFE, 0, 0, 1, 2}));
    GxMatrix m;
    m.m[3][0] = 10;
    m.m[0][1] = -0.5f;
    std::string txt = GxContentWriteToString(GxContentForm::Text, [&](GxContentWriterBase& w) {
        w.WriteGxMatrix("m_World", m);
        w.WriteGxFColor("c", GxFColor(1, 0.5f, 0, 0.25f));
        w.WriteGxPoint3("p", GxPoint3(1, -2, 3));
        w.WriteGxVector2("v", GxVector2(0.1f, 2));
    });
    EXPECT_EQ(txt,
              "11\tm_World\t1.000000\t-0.500000\t0.000000\t0.000000\t0.000000\t1.000000\t0.000000\t0.000000"
              "\t0.000000\t0.000000\t1.000000\t0.000000\t10.000000\t0.000000\t0.000000\t1.000000\n"
              "10\tc\t1.000000\t0.500000\t0.000000\t0.250000\n"
              "33\tp\t1\t-2\t3\n"
              "0c\tv\t0.100000\t2.000000\n");
    // The matrix goes row by row in the binary form too.
    std::string mb = GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { w.WriteGxMatrix("m", m); });
    ASSERT_EQ(mb.size(), 65u);
    EXPECT_EQ(mb.substr(0, 9), Bytes({0x11, 0x3F, 0x80, 0, 0, 0xBF, 0, 0, 0}));
    EXPECT_EQ(mb.substr(1 + 48, 4), Bytes({0x41, 0x20, 0, 0}));
}

// The binary reader takes a stored GxVector4 as a quaternion, colour or GxVector3, and a stored
// GxVector3 as a GxVector4; the reads that follow stay in step.
TEST(ContentRoundTrip, BinaryCrossTypeAcceptance)
{
    std::string bin = GxContentWriteToString(GxContentForm::Binary, [](GxContentWriterBase& w) {
        w.WriteGxVector4("a", GxVector4(1, 2, 3, 4));
        w.WriteGxVector4("b", GxVector4(5, 6, 7, 8));
        w.WriteGxVector4("c", GxVector4(9, 10, 11, 12));
        w.WriteGxS32("n", 77);
        w.WriteGxVector3("d", GxVector3(13, 14, 15));
        w.WriteGxS32("n", 78);
    });
    GxBinBuffer b;
    GxContentFillBuffer(b, bin);
    GxContentBinaryReader r(b);
    EXPECT_EQ(r.ReadGxQuatValue("a"), GxQuat(1, 2, 3, 4));
    EXPECT_EQ(r.ReadGxFColorValue("b"), GxFColor(5, 6, 7, 8));
    GxVector3 v3(0, 0, 0, 42);
    EXPECT_TRUE(r.ReadGxVector3("c", v3));
    EXPECT_EQ(v3, GxVector3(9, 10, 11));
    EXPECT_EQ(v3.w, 0.0f);
    EXPECT_EQ(r.ReadGxS32Value("n"), 77);
    GxVector4 v4(0, 0, 0, 42);
    EXPECT_TRUE(r.ReadGxVector4("d", v4));
    EXPECT_EQ(v4, GxVector4(13, 14, 15, 42));
    EXPECT_EQ(r.ReadGxS32Value("n"), 78);
    EXPECT_EQ(r.GetErrorCount(), 0);

    // The text form accepts each operation's own code only.
    std::string txt = GxContentWriteToString(GxContentForm::Text, [](GxContentWriterBase& w) {
        w.WriteGxVector4("a", GxVector4(1, 2, 3, 4));
        w.WriteGxVector3("b", GxVector3(5, 6, 7));
    });
    GxBinBuffer t;
    GxContentFillBuffer(t, txt);
    GxContentLogCapture log;
    GxContentTextReader tr(t);
    GxQuat q(9, 9, 9, 9);
    EXPECT_FALSE(tr.ReadGxQuat("a", q));
    EXPECT_EQ(q, GxQuat(9, 9, 9, 9));
    GxVector3 w(0, 0, 0, 42);
    EXPECT_TRUE(tr.ReadGxVector3("b", w));
    EXPECT_EQ(w.w, 42.0f);  // the text form leaves the fourth float alone
    EXPECT_EQ(log.Joined(), "GxContentTextReader/ValueType Isn't VALTYPE_GxQuat Line=1\n");
}

TEST(ContentRoundTrip, GeometryDefaultsOnFailure)
{
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        std::string bytes = GxContentWriteToString(form, [](GxContentWriterBase& w) {
            for (int i = 0; i < 11; ++i) w.WriteGxS8("x", 1);
        });
        GxBinBuffer b;
        GxContentFillBuffer(b, bytes);
        GxContentLogCapture log;
        auto r = MakeReaderFor(form, b);
        EXPECT_EQ(r->ReadGxVector2Value("x"), GxVector2(0, 0));
        GxVector3 v3 = r->ReadGxVector3Value("x");
        EXPECT_EQ(v3, GxVector3(0, 0, 0));
        EXPECT_EQ(v3.w, 0.0f);
        EXPECT_EQ(r->ReadGxVector4Value("x"), GxVector4(0, 0, 0, 0));
        EXPECT_EQ(r->ReadGxQuatValue("x"), GxQuat(0, 0, 0, 1));
        EXPECT_EQ(r->ReadGxFColorValue("x"), GxFColor(1, 1, 1, 1));
        EXPECT_EQ(r->ReadGxMatrixValue("x"), GxMatrix());
        EXPECT_EQ(r->ReadGxRectValue("x"), GxRect());
        EXPECT_EQ(r->ReadGxFRectValue("x"), GxFRect());
        EXPECT_EQ(r->ReadGxPoint2Value("x"), GxPoint2());
        EXPECT_EQ(r->ReadGxPoint3Value("x"), GxPoint3());
        EXPECT_EQ(r->ReadGxPoint4Value("x"), GxPoint4());
        EXPECT_EQ(r->GetErrorCount(), 11);
    }
}

}  // namespace
