#include "moa/GxMoaExec.h"

#include <atomic>

#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "moa/GxMoaBuiltin.h"
#include "moa/GxMoaWorker.h"

// ---------------------------------------------------------------- blocks

namespace {

std::atomic<uint64_t> g_NextBlockSerial{1};

}  // namespace

std::u16string_view GxMoaGetBlockTypeName(int32_t blockType)
{
    switch (blockType) {
    case MOABLOCK_NORMAL: return u"通常ブロック";
    case MOABLOCK_FUNCTION: return u"関数ブロック";
    case MOABLOCK_IF: return u"IFブロック";
    case MOABLOCK_ELSE: return u"ELSEブロック";
    case MOABLOCK_WHILE: return u"WHILEブロック";
    case MOABLOCK_FOR: return u"FORブロック";
    case MOABLOCK_DO: return u"DOブロック";
    case MOABLOCK_SUB: return u"通常SUBブロック";
    default: return u"不明";
    }
}

GxMoaExecStackElement::GxMoaExecStackElement() : m_Serial(g_NextBlockSerial.fetch_add(1, std::memory_order_relaxed))
{
    ResetOpcodeList();
}

void GxMoaExecStackElement::ResetOpcodeList()
{
    m_OpcodeList.clear();
    m_OpcodeList.reserve(16);
    m_OpcodePos = 0;
}

bool GxMoaExecStackElement::Write(GxContentWriterBase& writer) const
{
    writer.WriteGxS32Alt("m_BlockType", m_BlockType);
    m_Pos.Write(writer);
    m_Variables.Write(writer, MOASAVE_ALL);
    writer.WriteListBegin("m_OpcodeList", "", static_cast<uint32_t>(m_OpcodeList.size()));
    for (const GxMoaVariable& entry : m_OpcodeList) entry.Write(writer);
    writer.WriteListEnd();
    writer.WriteGxS32Alt("m_OpcodePos", m_OpcodePos);
    return writer.GetErrorCount() == 0;
}

bool GxMoaExecStackElement::Read(GxContentReaderBase& reader, GxMoaWorker* worker)
{
    const int errors = reader.GetErrorCount();
    reader.ReadGxS32Alt("m_BlockType", m_BlockType);
    m_Pos.Read(reader);
    m_Pos.m_pScriptEntity =
        (worker && !m_Pos.m_ScriptName.empty()) ? worker->FindScriptEntity(m_Pos.m_ScriptName) : nullptr;
    m_Variables.Read(reader, MOASAVE_ALL);
    ResetOpcodeList();
    uint32_t count = 0;
    if (reader.GetErrorCount() == errors && reader.ReadListBegin("m_OpcodeList", count)) {
        // The count only bounds the loop: each entry is read before it is kept.
        for (uint32_t i = 0; i < count && reader.GetErrorCount() == errors; ++i) {
            GxMoaVariable entry;
            if (entry.Read(reader) && reader.GetErrorCount() == errors) m_OpcodeList.push_back(std::move(entry));
        }
        if (reader.GetErrorCount() == errors) reader.ReadListEnd();
    }
    if (reader.GetErrorCount() == errors) reader.ReadGxS32Alt("m_OpcodePos", m_OpcodePos);
    return reader.GetErrorCount() == 0;
}

GxMoaExecStackElement* GxMoaGetExecStackTop(GxMoaExecStack& stack)
{
    return stack.empty() ? nullptr : &stack.back();
}

int32_t GxMoaFindNormalBlockIndex(const GxMoaExecStack& stack)
{
    for (size_t i = stack.size(); i-- > 0;) {
        if (stack[i].m_BlockType == MOABLOCK_NORMAL) return static_cast<int32_t>(i);
    }
    return -1;
}

GxMoaExecStackElement* GxMoaFindNormalBlock(GxMoaExecStack& stack)
{
    const int32_t i = GxMoaFindNormalBlockIndex(stack);
    return i < 0 ? nullptr : &stack[static_cast<size_t>(i)];
}

void GxMoaUnwindInnerBlocks(GxMoaExecStack& stack)
{
    while (!stack.empty() && GxMoaIsInnerBlock(stack.back().m_BlockType)) stack.pop_back();
}

GxMoaVariableSet* GxMoaLookupVariable(std::u16string_view name, GxMoaExecStackElement* normalBlock,
                                      GxMoaScriptEntity* entity, GxMoaWorker* worker)
{
    if (normalBlock) {
        if (GxMoaVariableSet* v = normalBlock->m_Variables.FindVariable(name)) return v;
    }
    if (entity) return entity->FindVariable(name);
    if (worker) return worker->FindVariable(name);
    return nullptr;
}

// ---------------------------------------------------------------- the executor

namespace {

const GxMoaVariable& SharedNull()
{
    static const GxMoaVariable null;
    return null;
}

// One run of an opcode list. Blocks are held by index and re-fetched: a builtin may push or
// pop blocks, which moves the stack's storage.
class Execution
{
public:
    Execution(GxMoa& moa, GxMoaBuiltin* builtin, GxMoaScriptEntity* entity, GxMoaWorker& worker, bool report)
        : m_Moa(moa),
          m_Builtin(builtin),
          m_Entity(entity),
          m_Worker(worker),
          m_Stack(worker.GetExecStack()),
          m_Values(worker.GetValueStack()),
          m_Report(report)
    {
    }

    bool Run();

private:
    enum class Step { Next, Stop, Fail };

    GxMoaExecStackElement& E() { return m_Stack[m_Index]; }
    GxMoaOpcodeList& List() { return E().m_OpcodeList; }
    int32_t Size() { return static_cast<int32_t>(List().size()); }

    std::u16string_view ScriptName() const
    {
        if (m_Entity && m_Entity->GetScript()) return m_Entity->GetScript()->m_ScriptName;
        return u"*";
    }
    int32_t ElementLine() const { return m_Stack.empty() ? 0 : m_Stack.back().m_Pos.m_Line; }

    void Error(std::u16string_view message, int32_t pc, bool withLine = true)
    {
        m_Moa.OutputError(ScriptName(), withLine ? ElementLine() : 0, u"%s[pc=%d]", message, pc);
    }
    void Warning(std::u16string_view message, int32_t pc)
    {
        m_Moa.OutputWarning(ScriptName(), ElementLine(), u"%s[pc=%d]", message, pc);
    }
    void Underflow(bool two, int32_t pc)
    {
        Error(two ? u"Exec_IsValueLastTwo 計算スタックに必要なパラメータが積まれていません"
                  : u"Exec_IsValueLastOne 計算スタックに必要なパラメータが積まれていません",
              pc, false);
    }
    bool Need(size_t n, int32_t pc)
    {
        if (m_Values.size() >= n) return true;
        Underflow(n >= 2, pc);
        return false;
    }
    GxMoaVariable Pop()
    {
        GxMoaVariable v = std::move(m_Values.back());
        m_Values.pop_back();
        return v;
    }
    bool Push(const GxMoaVariable& v, int32_t pc)
    {
        if (v.GetValueType() == GxMoaValueType::Opcode) {
            Error(u"Exec_PushStack 計算スタックに積むパラメータが不足しています", pc, false);
            return false;
        }
        m_Values.push_back(v);
        return true;
    }
    void PushUnchecked(GxMoaVariable&& v) { m_Values.push_back(std::move(v)); }

    // The list entry at pc + offset; the shared Null past the end (a truncated list).
    const GxMoaVariable& Operand(int32_t pc, int32_t offset)
    {
        const int64_t i = static_cast<int64_t>(pc) + offset;
        if (i < 0 || i >= Size()) return SharedNull();
        return List()[static_cast<size_t>(i)];
    }

    // The normal block for variables; reports and gives null when there is none (a damaged
    // saved state), so no statement touches variables without one.
    GxMoaExecStackElement* Normal(int32_t pc)
    {
        if (m_Normal >= 0 && static_cast<size_t>(m_Normal) < m_Stack.size()) return &m_Stack[static_cast<size_t>(m_Normal)];
        Error(u"Exec_Opcode 変数を置く通常ブロックがありません", pc);
        return nullptr;
    }
    GxMoaVariableSet* Lookup(std::u16string_view name, GxMoaExecStackElement* normal)
    {
        return GxMoaLookupVariable(name, normal, m_Entity, &m_Worker);
    }
    void WarnCreated(std::u16string_view name, int32_t pc)
    {
        if (m_Report) Warning(GxFormatString(u"ローカル変数 $%s を作成しました", name), pc);
    }

    Step PushVar(int32_t pc);
    Step PushVarAry(int32_t pc);
    Step Assign(int32_t pc);
    Step PostIncrement(int32_t pc, int32_t opcode);
    Step CompoundAssign(int32_t pc, int32_t opcode);
    Step CallBuiltin(int32_t pc);
    Step ArrayInit(int32_t pc);
    // Reads the target's current value for ++/-- and compound assignment. For an element
    // target it pops the index first. Fail after a reported error.
    struct Target
    {
        int32_t kind = 0;        // MOAOPC_ALTER_VAR, MOAOPC_ALTER_VARARY, or 0 (broken)
        std::u16string name;
        int32_t index = -1;
        GxMoaVariableSet* set = nullptr;
        GxMoaExecStackElement* normal = nullptr;
    };
    bool ReadTarget(int32_t pc, std::u16string_view what, Target& t, GxMoaVariable& current);
    void WriteBack(Target& t, const GxMoaVariable& value);

    GxMoa& m_Moa;
    GxMoaBuiltin* m_Builtin;
    GxMoaScriptEntity* m_Entity;
    GxMoaWorker& m_Worker;
    GxMoaExecStack& m_Stack;
    GxMoaValueStack& m_Values;
    bool m_Report;
    size_t m_Index = 0;          // the block the statement runs in
    uint64_t m_Serial = 0;       // its identity
    int32_t m_Normal = -1;       // the normal block's index
};

bool Execution::Run()
{
    if (m_Stack.empty()) return true;
    m_Index = m_Stack.size() - 1;
    m_Serial = E().GetSerial();
    m_Normal = GxMoaFindNormalBlockIndex(m_Stack);
    if (List().empty()) return true;
    if (E().m_OpcodePos < 0 || E().m_OpcodePos >= Size()) {
        Error(u"Exec_Opcode 実行位置が演算コードの範囲外です", E().m_OpcodePos);
        return false;
    }
    for (;;) {
        const int32_t pc = E().m_OpcodePos;
        const GxMoaVariable& entry = List()[static_cast<size_t>(pc)];
        if (entry.GetValueType() != GxMoaValueType::Opcode) {
            Error(u"Exec_Opcode Opcodeではないパラメータを演算しようとしました", pc);
            return false;
        }
        const int32_t op = entry.GetOpcode();
        int32_t step = 1;
        Step result = Step::Next;
        switch (op) {
        case MOAOPC_NONE:
        case MOAOPC_SEPARATOR:
        case MOAOPC_ELEMENT:
        case MOAOPC_ARRAYINDEX:
        case MOAOPC_PREINC:
        case MOAOPC_PREDEC:
            break;
        case MOAOPC_PUSH_INT:
        case MOAOPC_PUSH_FLT:
        case MOAOPC_PUSH_STR:
        case MOAOPC_ELEMENTNUM:
            if (!Push(Operand(pc, 1), pc)) return false;
            step = 2;
            break;
        case MOAOPC_PUSH_NULL:
            PushUnchecked(GxMoaVariable());
            break;
        case MOAOPC_PUSH_VAR:
            result = PushVar(pc);
            step = 2;
            break;
        case MOAOPC_PUSH_VARARY:
            result = PushVarAry(pc);
            step = 2;
            break;
        case MOAOPC_ALTER_VAR:
            Error(u"OPC_ALTER_VAR 単体でこのコードは実行できません", pc);
            return false;
        case MOAOPC_ALTER_VARARY:
            Error(u"OPC_ALTER_VARARY 単体でこのコードは実行できません", pc);
            return false;
        case MOAOPC_CALL_BUILTIN:
            result = CallBuiltin(pc);
            step = 3;
            break;
        case MOAOPC_ARRAYINIT:
            result = ArrayInit(pc);
            break;
        case MOAOPC_PLUS:
        case MOAOPC_MINUS:
        case MOAOPC_BITNOT:
        case MOAOPC_NOT: {
            if (!Need(1, pc)) return false;
            GxMoaVariable& v = m_Values.back();  // changed in place: pop and push of the same value
            if (op == MOAOPC_MINUS) v.Negate();
            else if (op == MOAOPC_BITNOT) v.BitNot();
            else if (op == MOAOPC_NOT) v.LogicalNot();
            break;
        }
        case MOAOPC_POSTINC:
        case MOAOPC_POSTDEC:
            result = PostIncrement(pc, op);
            step = 3;
            break;
        case MOAOPC_ASSIGN:
            result = Assign(pc);
            step = 3;
            break;
        default:
            if (op >= MOAOPC_EQ && op <= MOAOPC_LOGOR) {
                if (!Need(2, pc)) return false;
                GxMoaVariable b = Pop();
                GxMoaVariable a = Pop();
                GxMoaVariable r;
                switch (op) {
                case MOAOPC_EQ: r.SetInt64(a == b ? 1 : 0); break;
                case MOAOPC_NE: r.SetInt64(a != b ? 1 : 0); break;
                case MOAOPC_GT: r.SetInt64(a > b ? 1 : 0); break;
                case MOAOPC_GE: r.SetInt64(a >= b ? 1 : 0); break;
                case MOAOPC_LT: r.SetInt64(a < b ? 1 : 0); break;
                case MOAOPC_LE: r.SetInt64(a <= b ? 1 : 0); break;
                case MOAOPC_ADD: r = a + b; break;
                case MOAOPC_CONCAT: r = GxMoaConcat(a, b); break;
                case MOAOPC_SUB: r = a - b; break;
                case MOAOPC_MUL: r = a * b; break;
                case MOAOPC_DIV: r = a / b; break;
                case MOAOPC_MOD: r = a % b; break;
                case MOAOPC_BITAND: r = a & b; break;
                case MOAOPC_BITOR: r = a | b; break;
                case MOAOPC_BITXOR: r = a ^ b; break;
                case MOAOPC_SHL: r = a << b; break;
                case MOAOPC_SHR: r = a >> b; break;
                case MOAOPC_LOGAND: r.SetInt64(a.IsTrue() && b.IsTrue() ? 1 : 0); break;
                case MOAOPC_LOGOR: r.SetInt64(a.IsTrue() || b.IsTrue() ? 1 : 0); break;
                default: break;
                }
                PushUnchecked(std::move(r));
            } else if (op >= MOAOPC_ADDASSIGN && op <= MOAOPC_XORASSIGN) {
                result = CompoundAssign(pc, op);
                step = 3;
            } else {
                Error(u"Exec_Opcode 不正な演算コードです", pc);
                return false;
            }
            break;
        }
        if (result == Step::Fail) return false;
        if (result == Step::Stop) return true;
        E().m_OpcodePos = pc + step;
        if (E().m_OpcodePos >= Size()) return true;
    }
}

Execution::Step Execution::PushVar(int32_t pc)
{
    const std::u16string name = Operand(pc, 1).GetString();
    GxMoaExecStackElement* normal = nullptr;
    GxMoaVariableSet* v = Lookup(name, m_Normal >= 0 ? &m_Stack[static_cast<size_t>(m_Normal)] : nullptr);
    if (!v) {
        if (!(normal = Normal(pc))) return Step::Fail;
        v = normal->m_Variables.DeclareVariable(name);
        WarnCreated(name, pc);
    }
    return Push(v->m_Value, pc) ? Step::Next : Step::Fail;
}

Execution::Step Execution::PushVarAry(int32_t pc)
{
    if (!Need(1, pc)) return Step::Fail;
    const int32_t index = Pop().GetInt();
    const std::u16string name = Operand(pc, 1).GetString();
    GxMoaVariableSet* v = Lookup(name, m_Normal >= 0 ? &m_Stack[static_cast<size_t>(m_Normal)] : nullptr);
    if (!v) {
        GxMoaExecStackElement* normal = Normal(pc);
        if (!normal) return Step::Fail;
        v = normal->m_Variables.DeclareVariable(name, index < -1 ? -1 : index);
        WarnCreated(name, pc);
    }
    const GxMoaVariable* element = v->m_Value.GetElement(index);
    return Push(element ? *element : SharedNull(), pc) ? Step::Next : Step::Fail;
}

bool Execution::ReadTarget(int32_t pc, std::u16string_view what, Target& t, GxMoaVariable& current)
{
    const GxMoaVariable& target = Operand(pc, 1);
    t.name = Operand(pc, 2).GetString();
    t.kind = target.GetValueType() == GxMoaValueType::Opcode ? target.GetOpcode() : -1;
    current.SetNull();
    if (t.kind != MOAOPC_ALTER_VAR && t.kind != MOAOPC_ALTER_VARARY) {
        t.kind = 0;
        Error(GxFormatString(u"%s Opecodeが壊れています", what), pc);
        return true;
    }
    if (t.kind == MOAOPC_ALTER_VARARY) {
        if (!Need(1, pc)) return false;
        t.index = Pop().GetInt();
        if (t.index < 0) {
            Error(GxFormatString(u"%s 変数の要素 $%s[%d] に代入できません", what, t.name, t.index), pc);
            return false;
        }
    }
    t.set = Lookup(t.name, m_Normal >= 0 ? &m_Stack[static_cast<size_t>(m_Normal)] : nullptr);
    if (!t.set) {
        if (!(t.normal = Normal(pc))) return false;
        t.set = t.normal->m_Variables.DeclareVariable(t.name, t.index);
        WarnCreated(t.name, pc);
        return true;
    }
    if (t.kind == MOAOPC_ALTER_VAR) {
        current = t.set->m_Value;
    } else if (const GxMoaVariable* element = t.set->m_Value.GetElement(t.index)) {
        current = *element;
    }
    return true;
}

void Execution::WriteBack(Target& t, const GxMoaVariable& value)
{
    if (!t.set) return;
    t.set->m_Value.SetElement(t.kind == MOAOPC_ALTER_VAR ? -1 : t.index, value);
}

Execution::Step Execution::Assign(int32_t pc)
{
    if (!Need(1, pc)) return Step::Fail;
    GxMoaVariable x = Pop();
    const GxMoaVariable& target = Operand(pc, 1);
    const int32_t kind = target.GetValueType() == GxMoaValueType::Opcode ? target.GetOpcode() : -1;
    const std::u16string name = Operand(pc, 2).GetString();
    if (kind == MOAOPC_ALTER_VAR || kind == MOAOPC_ALTER_VARARY) {
        int32_t index = -1;
        if (kind == MOAOPC_ALTER_VARARY) {
            if (!Need(1, pc)) return Step::Fail;
            index = Pop().GetInt();
            if (index < 0) {
                Error(GxFormatString(u"OPC_ASSIGN 変数の要素 $%s[%d] に代入できません", name, index), pc);
                return Step::Fail;
            }
        }
        GxMoaVariableSet* v = Lookup(name, m_Normal >= 0 ? &m_Stack[static_cast<size_t>(m_Normal)] : nullptr);
        if (v) {
            v->m_Value.SetElement(index, x);
        } else {
            GxMoaExecStackElement* normal = Normal(pc);
            if (!normal) return Step::Fail;
            normal->m_Variables.SetVariable(name, &x, index);
            WarnCreated(name, pc);
        }
    } else {
        Error(u"OPC_ASSIGN Opecodeが壊れています", pc);
    }
    PushUnchecked(std::move(x));
    return Step::Next;
}

Execution::Step Execution::PostIncrement(int32_t pc, int32_t opcode)
{
    Target t;
    GxMoaVariable old;
    if (!ReadTarget(pc, u"OPC_AFTER_*", t, old)) return Step::Fail;
    if (t.kind != 0) {
        GxMoaVariable next;
        const uint64_t o = static_cast<uint64_t>(old.GetInt64());
        next.SetInt64(static_cast<int64_t>(opcode == MOAOPC_POSTINC ? o + 1 : o - 1));
        WriteBack(t, next);
    }
    PushUnchecked(std::move(old));
    return Step::Next;
}

Execution::Step Execution::CompoundAssign(int32_t pc, int32_t opcode)
{
    if (!Need(1, pc)) return Step::Fail;
    GxMoaVariable r = Pop();
    Target t;
    GxMoaVariable u;
    if (!ReadTarget(pc, u"OPC_ASSIGN_*", t, u)) return Step::Fail;
    switch (opcode) {
    case MOAOPC_ADDASSIGN: u += r; break;
    case MOAOPC_CONCATASSIGN: u.ConcatAssign(r); break;
    case MOAOPC_SUBASSIGN: u -= r; break;
    case MOAOPC_MULASSIGN: u *= r; break;
    case MOAOPC_DIVASSIGN: u /= r; break;
    case MOAOPC_MODASSIGN: u %= r; break;
    case MOAOPC_ANDASSIGN: u = u & r; break;
    case MOAOPC_ORASSIGN: u = u | r; break;
    case MOAOPC_XORASSIGN: u = u ^ r; break;
    default: break;
    }
    if (t.kind != 0) WriteBack(t, u);
    PushUnchecked(std::move(u));
    return Step::Next;
}

Execution::Step Execution::ArrayInit(int32_t pc)
{
    if (!Need(1, pc)) return Step::Fail;
    const int32_t n = Pop().GetInt();
    // A negative count or one beyond the stack only comes from a damaged list.
    if (n < 0 || static_cast<size_t>(n) > m_Values.size()) {
        Underflow(false, pc);
        return Step::Fail;
    }
    GxMoaVariable array;
    if (!array.MakeArray(n)) {
        Underflow(false, pc);
        return Step::Fail;
    }
    for (int32_t i = n - 1; i >= 0; --i) *array.GetElement(i) = Pop();
    return Push(array, pc) ? Step::Next : Step::Fail;
}

Execution::Step Execution::CallBuiltin(int32_t pc)
{
    if (!m_Builtin) {
        Error(u"OPC_CALL_BUILTIN 組み込み関数ポインタが設定されていません", pc);
        return Step::Fail;
    }
    if (!Need(1, pc)) return Step::Fail;
    const int32_t index = static_cast<int32_t>(Operand(pc, 1).GetInt64());
    const std::u16string name = Operand(pc, 2).GetString();
    const int32_t n = Pop().GetInt();
    if (n < 0 || static_cast<size_t>(n) > m_Values.size()) {
        Underflow(false, pc);
        return Step::Fail;
    }
    GxMoaVariable args;
    if (!args.MakeArray(n)) {
        Underflow(false, pc);
        return Step::Fail;
    }
    for (int32_t i = n - 1; i >= 0; --i) *args.GetElement(i) = Pop();

    GxMoaVariable result;
    if (!m_Builtin->CallBuiltin(name, index, args, m_Worker, m_Entity, m_Stack, result)) {
        m_Moa.OutputError(ScriptName(), ElementLine(), u"%s[builtin:%s]", u"関数実行時にエラーが発生したので停止します",
                          name);
        return Step::Fail;
    }
    if (!Push(result, pc)) return Step::Fail;
    // A jump, call or return inside the builtin: the block this statement ran in is gone or no
    // longer on top, so the rest of the statement belongs to nobody. End it untouched.
    if (m_Stack.size() != m_Index + 1 || m_Stack[m_Index].GetSerial() != m_Serial) return Step::Stop;
    return Step::Next;
}

}  // namespace

bool GxMoaExec::Exec_Opcode(GxMoa& moa, GxMoaBuiltin* builtin, GxMoaScriptEntity* entity, GxMoaWorker* worker,
                            bool reportLocalCreation)
{
    if (!worker) {
        moa.OutputError(entity && entity->GetScript() ? std::u16string_view(entity->GetScript()->m_ScriptName) : u"*", 0,
                        u"%s[pc=%d]", u"Exec_Opcode ExecStackとValueStackが指定されていません", -1);
        return false;
    }
    Execution run(moa, builtin, entity, *worker, reportLocalCreation);
    return run.Run();
}

bool GxMoaExec::Eval_Token(GxMoa& moa, GxMoaVariable* result, GxMoaBuiltin* builtin, GxMoaWorker* worker,
                           GxMoaRunPos start, GxMoaRunPos& position, bool reportLocalCreation)
{
    GxMoaExecStackElement* e = worker ? GxMoaGetExecStackTop(worker->GetExecStack()) : nullptr;
    if (!e) {
        moa.OutputError(u"*", -1, u"GxMoa::Eval_Token 実行中ではないWorkerを計算しようとしました");
        moa.SetErrorStop();
        return false;
    }
    if (!e->m_Pos.m_pScriptEntity && !e->m_Pos.m_ScriptName.empty()) {
        e->m_Pos.m_pScriptEntity = worker->FindScriptEntity(e->m_Pos.m_ScriptName);
    }
    GxMoaScriptEntity* entity = e->m_Pos.m_pScriptEntity;
    const GxMoaScript* script = entity ? entity->GetScript() : nullptr;
    if (!script) {
        // A block restored from a damaged save: nothing to compile from.
        moa.OutputError(e->m_Pos.m_ScriptName.empty() ? std::u16string_view(u"*") : std::u16string_view(e->m_Pos.m_ScriptName),
                        e->m_Pos.m_Line, u"GxMoa::Eval_Token スクリプトが見つからないので実行できません");
        moa.SetErrorStop();
        return false;
    }
    e->ResetOpcodeList();
    worker->GetValueStack().clear();
    if (!GxMoaCompiler::Phase_Expr(script, e->m_OpcodeList, start, position, 0)) {
        moa.SetErrorStop();
        return false;
    }
    // From here on e may be stale: a builtin can move the stack.
    if (!GxMoaExec::Exec_Opcode(moa, builtin, entity, worker, reportLocalCreation)) {
        moa.SetErrorStop();
        return false;
    }
    if (result) {
        const GxMoaValueStack& values = worker->GetValueStack();
        if (values.size() == 1) result->Assign(values.front());
        else result->SetNull();
    }
    return true;
}
