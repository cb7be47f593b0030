// Operators on script values: one table of (A, op, B) -> result over every rule, then the
// in-place forms, the unary operators and element assignment.
#include <limits>

#include "tests/moa/moa_value_test_util.h"

using namespace moatest;
using VT = GxMoaValueType;

namespace {

constexpr int64_t kI64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kI64Min = std::numeric_limits<int64_t>::min();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kEps = 2.220446049250313e-16;

// Comparisons give Int 1 or 0, as the executor pushes them.
GxMoaVariable Apply(const std::string& op, const GxMoaVariable& a, const GxMoaVariable& b)
{
    if (op == "+") return a + b;
    if (op == "-") return a - b;
    if (op == "*") return a * b;
    if (op == "/") return a / b;
    if (op == "%") return a % b;
    if (op == ":") return GxMoaConcat(a, b);
    if (op == "&") return a & b;
    if (op == "|") return a | b;
    if (op == "^") return a ^ b;
    if (op == "<<") return a << b;
    if (op == ">>") return a >> b;
    if (op == "==") return I(a == b);
    if (op == "!=") return I(a != b);
    if (op == "<") return I(a < b);
    if (op == ">") return I(a > b);
    if (op == "<=") return I(a <= b);
    if (op == ">=") return I(a >= b);
    ADD_FAILURE() << "unknown operator " << op;
    return N();
}

// The in-place form of op applied to a copy of a, or false when op has none.
bool ApplyInPlace(const std::string& op, GxMoaVariable& a, const GxMoaVariable& b)
{
    if (op == "+") a += b;
    else if (op == "-") a -= b;
    else if (op == "*") a *= b;
    else if (op == "/") a /= b;
    else if (op == "%") a %= b;
    else if (op == ":") a.ConcatAssign(b);
    else return false;
    return true;
}

struct Row
{
    GxMoaVariable a;
    std::string op;
    GxMoaVariable b;
    GxMoaVariable want;  // compared by type and exact content
};

void CheckRows(const std::vector<Row>& rows)
{
    for (const Row& r : rows) {
        const std::string what = Describe(r.a) + " " + r.op + " " + Describe(r.b);
        SCOPED_TRACE(what);
        const std::string beforeA = Describe(r.a);
        const std::string beforeB = Describe(r.b);
        GxMoaVariable got = Apply(r.op, r.a, r.b);
        EXPECT_EQ(Describe(got), Describe(r.want));
        EXPECT_EQ(Describe(r.a), beforeA) << "left operand changed";
        EXPECT_EQ(Describe(r.b), beforeB) << "right operand changed";
        GxMoaVariable inPlace(r.a);
        if (ApplyInPlace(r.op, inPlace, r.b)) {
            EXPECT_EQ(Describe(inPlace), Describe(r.want)) << "in-place form";
        }
    }
}

TEST(GxMoaOperator, Arithmetic)
{
    CheckRows({
        // Result type: Float when either side is Float, else Int.
        {I(7), "/", I(2), I(3)},
        {F(7.0), "/", I(2), F(3.5)},
        {I(-7), "/", I(2), I(-3)},
        {I(7), "%", I(-2), I(1)},
        {I(-7), "%", I(2), I(-1)},
        {I(2), "+", I(3), I(5)},
        {I(2), "-", I(3), I(-1)},
        {I(6), "*", I(-7), I(-42)},
        {F(1.5), "+", I(1), F(2.5)},
        {I(1), "-", F(0.25), F(0.75)},
        {F(7.5), "%", F(2.0), F(1.5)},
        {F(-7.5), "%", I(2), F(-1.5)},
        {S(u"3"), "+", S(u"4"), I(7)},
        {S(u"12"), "+", I(1), I(13)},
        {S(u"abc"), "+", I(1), I(1)},
        {S(u"1.5"), "+", I(1), I(2)},
        {S(u"1.5"), "+", F(1.0), F(2.5)},
        {An(3), "+", I(1), I(4)},
        {An(3), "*", An(2), I(6)},
        {N(), "+", I(1), I(1)},
        {N(), "*", F(2.0), F(0.0)},
        {N(), "-", N(), I(0)},
        {Op(5), "+", I(1), I(1)},
        {I(7), "+", F(kNaN), F(kNaN)},
        // Integer arithmetic wraps around.
        {I(kI64Max), "+", I(1), I(kI64Min)},
        {I(kI64Min), "-", I(1), I(kI64Max)},
        {I(kI64Max), "*", I(2), I(-2)},
        {I(kI64Min), "/", I(-1), I(kI64Min)},
        {I(kI64Min), "%", I(-1), I(0)},
        {S(u"-9223372036854775808"), "/", S(u"-1"), I(kI64Min)},
        {I(kI64Min), "/", I(1), I(kI64Min)},
        {I(7), "%", I(-1), I(0)},
        // Division by zero gives Null.
        {I(5), "/", I(0), N()},
        {I(5), "%", I(0), N()},
        {I(5), "/", N(), N()},
        {I(5), "/", S(u"abc"), N()},
        {I(5), "%", An(0), N()},
        {F(5.0), "/", I(0), N()},
        {F(5.0), "/", F(1e-17), N()},
        {F(5.0), "/", F(-1e-17), N()},
        {F(5.0), "%", F(0.0), N()},
        {F(5.0), "/", F(-0.0), N()},
        {F(1.0), "/", F(kEps), N()},
        {F(1.0), "/", F(-kEps), N()},
        {F(1.0), "/", F(4 * kEps), F(1.0 / (4 * kEps))},
        {I(5), "/", F(0.5), F(10.0)},
        {I(5), "/", F(0.4), F(5 / 0.4)},
        {I(5), "%", F(0.5), F(0.0)},
        {I(0), "/", I(5), I(0)},
    });
}

TEST(GxMoaOperator, ConcatenationAndBits)
{
    CheckRows({
        {S(u"3"), ":", S(u"4"), S(u"34")},
        {I(1), ":", I(2), S(u"12")},
        {F(1.5), ":", I(2), S(u"1.5000002")},
        {S(u"a"), ":", N(), S(u"a")},
        {N(), ":", N(), S(u"")},
        {An(2), ":", S(u"x"), S(u"2x")},
        {Op(9), ":", I(-1), S(u"-1")},
        {S(u"日本"), ":", S(u"語"), S(u"日本語")},
        {S(u"+"), ":", S(u"3"), S(u"+3")},
        {I(6), "&", I(3), I(2)},
        {I(6), "|", I(3), I(7)},
        {I(6), "^", I(3), I(5)},
        {F(7.9), "&", I(3), I(3)},
        {S(u"12"), "|", I(1), I(13)},
        {I(-1), "&", I(255), I(255)},
        {N(), "|", An(4), I(4)},
        {F(-1.5), "^", I(0), I(-1)},
        // Shifts: low 8 bits of the count; 64 or more gives 0; ">>" is logical.
        {I(1), "<<", I(64), I(0)},
        {I(1), "<<", I(63), I(kI64Min)},
        {I(-1), ">>", I(63), I(1)},
        {I(-8), ">>", I(1), I(kI64Max - 3)},
        {I(1), "<<", I(-1), I(0)},
        {I(1), "<<", I(256), I(1)},
        {I(1), "<<", I(257), I(2)},
        {I(1), "<<", I(0x1FF), I(0)},
        {I(5), ">>", I(64), I(0)},
        {I(5), ">>", I(256 + 1), I(2)},
        {I(-1), ">>", I(0), I(-1)},
        {I(1), "<<", F(1.9), I(2)},
        {I(1), "<<", S(u"3"), I(8)},
        {F(2.5), "<<", I(1), I(4)},
        {S(u"x"), "<<", I(1), I(0)},
    });
}

TEST(GxMoaOperator, Equality)
{
    CheckRows({
        {F(0.1 + 0.2), "==", F(0.3), I(0)},
        {I(1), "==", F(1.0000000000000002), I(1)},
        {F(1.0000000000000002), "==", I(1), I(1)},
        {I(1), "==", F(1.0000000000000004), I(0)},
        {I(0), "==", F(kEps), I(1)},
        {I(0), "==", F(-kEps), I(1)},
        {I(0), "==", F(2 * kEps), I(0)},
        {I(1), "==", F(kNaN), I(0)},
        {I(3), "==", S(u"3"), I(1)},
        {S(u"01"), "==", I(1), I(0)},
        {S(u"3.000000"), "==", F(3.0), I(1)},
        {S(u"3"), "==", F(3.0), I(0)},
        {I(5), "==", I(5), I(1)},
        {I(5), "==", I(-5), I(0)},
        {F(2.5), "==", F(2.5), I(1)},
        {F(kNaN), "==", F(kNaN), I(0)},
        {F(kNaN), "!=", F(kNaN), I(1)},
        {F(0.0), "==", F(-0.0), I(1)},
        {S(u"abc"), "==", S(u"abc"), I(1)},
        {S(u"abc"), "==", S(u"ABC"), I(0)},
        {S(u"abc"), "!=", S(u"abd"), I(1)},
        {N(), "==", I(0), I(1)},
        {N(), "==", F(0.0), I(1)},
        {N(), "==", F(-0.0), I(1)},
        {N(), "==", S(u""), I(1)},
        {N(), "==", N(), I(1)},
        {N(), "!=", N(), I(0)},
        {N(), "==", I(1), I(0)},
        {N(), "==", S(u"0"), I(0)},
        {N(), "==", An(0), I(0)},
        {N(), "==", Op(0), I(0)},
        {I(0), "==", N(), I(1)},
        {S(u""), "==", N(), I(1)},
        {An(0), "==", N(), I(0)},
        {An(2), "==", An(2), I(1)},
        {A({I(1), I(2)}), "==", A({S(u"x"), N()}), I(1)},
        {An(2), "==", I(2), I(1)},
        {An(2), "==", S(u"2"), I(1)},
        {An(2), "!=", F(2.0), I(1)},
        {Op(1), "==", Op(2), I(1)},
        {Op(1), "==", S(u""), I(1)},
    });
}

TEST(GxMoaOperator, Ordering)
{
    CheckRows({
        {N(), "<", N(), I(0)},
        {N(), ">", N(), I(0)},
        {N(), "<=", N(), I(1)},
        {N(), ">=", N(), I(1)},
        {N(), "<", I(1), I(1)},
        {N(), ">", I(-1), I(1)},
        {N(), "<=", I(0), I(1)},
        {N(), "<", F(-0.5), I(0)},
        {N(), ">=", F(-0.5), I(1)},
        {N(), "<", F(kNaN), I(0)},
        {F(1.5), ">", N(), I(1)},
        {I(-3), "<", N(), I(1)},
        {N(), "<", S(u"x"), I(1)},
        {S(u"x"), "<", N(), I(0)},
        {N(), "<=", S(u""), I(1)},
        {N(), "<", An(0), I(1)},
        {I(-1), "<", I(0), I(1)},
        {I(kI64Min), "<", I(kI64Max), I(1)},
        {I(kI64Max), "<", I(kI64Max - 1), I(0)},
        {I(3), "<", F(3.5), I(1)},
        {F(3.5), "<=", I(3), I(0)},
        // Int against Float orders as doubles, without the tolerance of "==".
        {I(1), "<", F(1.0000000000000002), I(1)},
        {I(9007199254740993LL), ">", F(9007199254740992.0), I(0)},
        {I(9007199254740993LL), ">=", F(9007199254740992.0), I(1)},
        {F(kNaN), "<", I(1), I(0)},
        {F(kNaN), ">=", I(1), I(0)},
        {F(kNaN), "<=", F(kNaN), I(0)},
        {F(-0.0), "<", F(0.0), I(0)},
        {F(-0.0), "<=", F(0.0), I(1)},
        {S(u"abc"), "<", S(u"abd"), I(1)},
        {S(u"Z"), "<", S(u"a"), I(1)},
        {S(u"B"), "<", S(u"a"), I(1)},
        {S(u"ab"), "<", S(u"b"), I(1)},
        {S(u"a"), "<", S(u"ab"), I(1)},
        {S(u"ab"), ">=", S(u"ab"), I(1)},
        {S(u"Ａ"), ">", S(u"A"), I(1)},                // code units compare unsigned
        {S(u"\xFF61"), ">", S(u"\U0001D11E"), I(1)},  // by unit, not by code point
        {I(10), "<", S(u"9"), I(1)},
        {S(u"10"), "<", I(9), I(1)},
        {F(2.5), "<", S(u"2.6"), I(1)},
        {F(10.0), "<", S(u"9"), I(1)},
        {An(3), ">", An(10), I(1)},
        {An(3), "<", I(10), I(0)},
        {Op(1), "<", I(0), I(1)},
    });
}

TEST(GxMoaOperator, InPlaceFormsAcceptTheSameValueOnBothSides)
{
    GxMoaVariable v = I(21);
    v += v;
    EXPECT_EQ(Describe(v), "Int(42)");
    v = F(3.0);
    v *= v;
    EXPECT_EQ(Describe(v), Describe(F(9.0)));
    v = I(0);
    v /= v;
    EXPECT_EQ(Describe(v), "Null");
    v = S(u"ab");
    v.ConcatAssign(v);
    EXPECT_EQ(Describe(v), "Str(abab)");
    v = A({I(1), I(2)});
    v -= *v.GetElement(0);
    EXPECT_EQ(Describe(v), "Int(1)");
    v = A({S(u"x"), I(2)});
    v.ConcatAssign(*v.GetElement(0));
    EXPECT_EQ(Describe(v), "Str(2x)");
    // The result of an in-place form is the value itself.
    GxMoaVariable w = I(1);
    EXPECT_EQ(&(w += I(1)), &w);
    EXPECT_EQ(&w.ConcatAssign(I(1)), &w);
}

TEST(GxMoaOperator, UnaryTable)
{
    struct Row
    {
        GxMoaVariable v;
        GxMoaVariable neg, bitNot, logicalNot;
        bool truth;
    };
    const Row rows[] = {
        {I(5), I(-5), I(-6), I(0), true},
        {I(0), I(0), I(-1), I(1), false},
        {I(kI64Min), I(kI64Min), I(kI64Max), I(0), true},
        {F(2.5), F(-2.5), I(-3), I(0), true},
        {F(0.5), F(-0.5), I(-1), I(1), false},
        {F(0.0), F(-0.0), I(-1), I(1), false},
        {F(-2.9), F(2.9), I(1), I(0), true},
        {S(u"12"), I(-12), I(-13), I(0), true},
        {S(u"abc"), I(0), I(-1), I(1), false},
        {S(u"-9223372036854775808"), I(kI64Min), I(kI64Max), I(0), true},
        {N(), I(0), I(-1), I(1), false},
        {A({I(1), I(2)}), I(0), I(-1), I(1), true},
        {An(0), I(0), I(-1), I(1), false},
        {Op(7), I(0), I(-1), I(1), false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Describe(r.v));
        GxMoaVariable n(r.v), b(r.v), l(r.v);
        n.Negate();
        b.BitNot();
        l.LogicalNot();
        EXPECT_EQ(Describe(n), Describe(r.neg));
        EXPECT_EQ(Describe(b), Describe(r.bitNot));
        EXPECT_EQ(Describe(l), Describe(r.logicalNot));
        EXPECT_EQ(r.v.IsTrue(), r.truth);
    }
    // A non-empty Array is true for "&&" yet "!" of it is 1.
    GxMoaVariable arr = An(1);
    GxMoaVariable notArr(arr);
    notArr.LogicalNot();
    EXPECT_TRUE(arr.IsTrue());
    EXPECT_EQ(notArr.GetInt64(), 1);
}

TEST(GxMoaOperator, SetElementTable)
{
    struct Row
    {
        const char* name;
        GxMoaVariable start;
        int32_t index;
        GxMoaVariable value;
        bool written;
        std::string after;
    };
    const Row rows[] = {
        {"-1 replaces the whole value", I(5), -1, S(u"x"), true, "Str(x)"},
        {"-1 with an array", S(u"s"), -1, An(2), true, "[Int(0),Int(1)]"},
        {"-2 writes nothing", An(1), -2, I(9), false, "[Int(0)]"},
        {"inside", An(3), 1, S(u"m"), true, "[Int(0),Str(m),Int(2)]"},
        {"grows", A({I(1), I(2)}), 4, I(9), true, "[Int(1),Int(2),Null,Null,Int(9)]"},
        {"Int becomes Array", I(5), 2, S(u"a"), true, "[Null,Null,Str(a)]"},
        {"Str becomes Array", S(u"abc"), 0, I(1), true, "[Int(1)]"},
        {"Null becomes Array", N(), 1, F(0.5), true, "[Null," + Describe(F(0.5)) + "]"},
        {"Opcode becomes Array", Op(3), 0, N(), true, "[Null]"},
        {"nested copy", An(1), 0, A({An(1)}), true, "[[[Int(0)]]]"},
        {"past the limit", An(1), GxMoaVariable::kMaxArraySize, I(1), false, "[Int(0)]"},
        {"int32 max", I(4), std::numeric_limits<int32_t>::max(), I(1), false, "Int(4)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        LogCapture log;
        GxMoaVariable v(r.start);
        GxMoaVariable* e = v.SetElement(r.index, r.value);
        EXPECT_EQ(e != nullptr, r.written);
        EXPECT_EQ(Describe(v), r.after);
        if (e) {
            EXPECT_EQ(e, r.index == -1 ? &v : v.GetElement(r.index));
            EXPECT_EQ(Describe(*e), Describe(r.value));
        }
        EXPECT_EQ(log.Has("GxMoaVariable"), r.index >= GxMoaVariable::kMaxArraySize);
    }
}

TEST(GxMoaOperator, SetElementFromItselfOrItsOwnElement)
{
    GxMoaVariable a = A({I(1), I(2)});
    a.SetElement(1, a);  // the copy is taken before the array changes
    EXPECT_EQ(Describe(a), "[Int(1),[Int(1),Int(2)]]");
    a.SetElement(4, *a.GetElement(1));  // the source moves when the array grows
    EXPECT_EQ(Describe(a), "[Int(1),[Int(1),Int(2)],Null,Null,[Int(1),Int(2)]]");
    a.SetElement(0, *a.GetElement(4));
    EXPECT_EQ(Describe(*a.GetElement(0)), "[Int(1),Int(2)]");

    GxMoaVariable s = S(u"text");
    s.SetElement(1, s);  // the old content is dropped after the copy
    EXPECT_EQ(Describe(s), "[Null,Str(text)]");
    s.SetElement(-1, *s.GetElement(1));
    EXPECT_EQ(Describe(s), "Str(text)");
}

}  // namespace
