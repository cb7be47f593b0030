#include "moa/GxMoaRun.h"

#include "moa/GxMoa.h"
#include "moa/GxMoaExec.h"
#include "moa/GxMoaWorker.h"

namespace {

bool Before(const GxMoaRunPos& a, const GxMoaRunPos& b)
{
    return a.m_Line < b.m_Line || (a.m_Line == b.m_Line && a.m_Pos < b.m_Pos);
}

void MoveTo(GxMoaScriptPos& p, const GxMoaRunPos& to)
{
    p.m_Line = to.m_Line;
    p.m_Pos = to.m_Pos;
}

// The end of the block that opens at brace: its "}" as the compiler stored it. False when brace
// is no "{" or its end does not lie after it (a damaged package), so that a walk over blocks
// always moves forward.
bool BlockEnd(const GxMoaScript& s, const GxMoaRunPos& brace, GxMoaRunPos& end)
{
    const GxMoaToken& t = s.GetTokenAt(brace);
    if (t.GetType() != MOATOKEN_BLOCKSTART) return false;
    end = t.GetBranchPos(0);
    return Before(brace, end);
}

class Runner
{
public:
    Runner(GxMoaWorker& worker, GxMoaBuiltin* builtins, GxMoaLineHandler* lines)
        : m_Worker(worker), m_Stack(worker.GetExecStack()), m_Owner(*worker.GetOwner()), m_Builtins(builtins),
          m_Lines(lines)
    {
    }

    bool Run();

private:
    bool Going() const { return !m_Stack.empty(); }
    // Whether the block the statement started in is still the top one (a builtin inside a
    // condition may have jumped, called or returned).
    bool SameTop(uint64_t serial) const { return !m_Stack.empty() && m_Stack.back().GetSerial() == serial; }

    void Error(std::u16string_view message)
    {
        const GxMoaScriptPos& p = m_Stack.back().m_Pos;
        m_Owner.OutputError(std::u16string(p.m_ScriptName), p.m_Line, message);
        m_Owner.SetErrorStop();
    }
    void ErrorWith(std::u16string_view format, const std::u16string& text)
    {
        const GxMoaScriptPos& p = m_Stack.back().m_Pos;
        m_Owner.OutputError(std::u16string(p.m_ScriptName), p.m_Line, format, text);
        m_Owner.SetErrorStop();
    }

    // Evaluates the condition that starts at n; n is left after it. False after the report.
    bool Condition(GxMoaRunPos& n, GxMoaVariable& r)
    {
        const GxMoaRunPos start = n;
        if (GxMoaExec::Eval_Token(m_Owner, &r, m_Builtins, &m_Worker, start, n, true)) return true;
        if (!m_Stack.empty()) {
            m_Owner.OutputError(std::u16string(m_Stack.back().m_Pos.m_ScriptName), n.m_Line, u"条件式が評価できません");
        }
        m_Owner.SetErrorStop();
        return false;
    }

    bool RunIf(const GxMoaScript& s, const GxMoaToken& ifToken);
    void SkipElseChain(const GxMoaScript& s);

    GxMoaWorker& m_Worker;
    GxMoaExecStack& m_Stack;
    GxMoa& m_Owner;
    GxMoaBuiltin* m_Builtins;
    GxMoaLineHandler* m_Lines;
};

bool Runner::RunIf(const GxMoaScript& s, const GxMoaToken& ifToken)
{
    // Builtins inside a condition run on the worker's stack, so the top block is fetched again
    // after each evaluation instead of being held.
    const uint64_t serial = m_Stack.back().GetSerial();
    GxMoaVariable r;
    GxMoaRunPos n = ifToken.GetBranchPos(1);
    if (!Condition(n, r)) return false;
    if (!SameTop(serial)) return Going();
    s.NextToken(n);
    GxMoaRunPos brace;
    GxMoaRunPos end;
    if (!s.SkipToBlockStart(brace, n.m_Line, n.m_Pos) || !BlockEnd(s, brace, end)) {
        Error(u"不正なブロック構造です");
        return false;
    }
    if (r.GetInt64() != 0) {
        s.NextToken(brace);
        MoveTo(m_Stack.back().m_Pos, brace);
        return Going();
    }
    s.NextToken(end);
    MoveTo(m_Stack.back().m_Pos, end);
    // The ELSE parts: each one either runs its body or passes on to the next.
    for (;;) {
        const GxMoaRunPos elsePos = m_Stack.back().m_Pos;
        const GxMoaToken& elseToken = s.GetTokenAt(elsePos);
        if (elseToken.GetType() != MOATOKEN_ELSE) return Going();
        if (elseToken.GetBranchLine(1) == -1) {
            if (!s.SkipToBlockStart(brace, elsePos.m_Line, elsePos.m_Pos)) {
                Error(u"不正なブロック構造です");
                return false;
            }
            s.NextToken(brace);
            MoveTo(m_Stack.back().m_Pos, brace);
            return Going();
        }
        n = elseToken.GetBranchPos(1);
        r.SetNull();
        if (!Condition(n, r)) return false;
        if (!SameTop(serial)) return Going();
        s.NextToken(n);
        // The end must lie after the ELSE, so that the chain always moves forward.
        if (!s.SkipToBlockStart(brace, n.m_Line, n.m_Pos) || !BlockEnd(s, brace, end) || !Before(elsePos, end)) {
            Error(u"不正なブロック構造です");
            return false;
        }
        if (r.GetInt64() != 0) {
            s.NextToken(brace);
            MoveTo(m_Stack.back().m_Pos, brace);
            return Going();
        }
        s.NextToken(end);
        MoveTo(m_Stack.back().m_Pos, end);
    }
}

void Runner::SkipElseChain(const GxMoaScript& s)
{
    GxMoaScriptPos& p = m_Stack.back().m_Pos;
    GxMoaRunPos q = p;
    s.NextToken(q);
    while (s.GetTokenAt(q).GetType() == MOATOKEN_ELSE) {
        GxMoaRunPos brace;
        GxMoaRunPos end;
        if (!s.SkipToBlockStart(brace, q.m_Line, q.m_Pos) || !BlockEnd(s, brace, end)) {
            // A damaged chain: stop at the ELSE, which then reports itself as misplaced.
            break;
        }
        q = end;
        s.NextToken(q);
    }
    MoveTo(p, q);
}

bool Runner::Run()
{
    if (m_Stack.empty()) return false;
    // Checked first, so that a stopped worker whose script is missing reports it only once.
    if (m_Owner.IsErrorStop()) return false;
    {
        GxMoaScriptPos& p = m_Stack.back().m_Pos;
        if (!p.m_pScriptEntity && !p.m_ScriptName.empty()) p.m_pScriptEntity = m_Worker.FindScriptEntity(p.m_ScriptName);
        if (!p.m_pScriptEntity || !p.m_pScriptEntity->GetScript()) {
            m_Owner.OutputError(std::u16string(p.m_ScriptName), p.m_Line, u"スクリプトが見つからないので実行できません");
            m_Owner.SetErrorStop();
            return false;
        }
    }

    for (;;) {
        GxMoaExecStackElement& t = m_Stack.back();
        const GxMoaScript& s = *t.m_Pos.m_pScriptEntity->GetScript();
        GxMoaScriptPos& p = t.m_Pos;
        if (s.CheckPos(p) < 0) s.NextToken(p);
        if (s.CheckPos(p) == -2) {
            m_Worker.Exit(nullptr);
            return Going();
        }
        const GxMoaToken& token = s.GetTokenAt(p);
        switch (token.GetType()) {
        case MOATOKEN_BUILTIN:
        case MOATOKEN_VARIABLE:
        case MOATOKEN_ARRAYVARIABLE: {
            const GxMoaRunPos start = p;
            if (!GxMoaExec::Eval_Token(m_Owner, nullptr, m_Builtins, &m_Worker, start, p, true)) return false;
            return Going();
        }
        case MOATOKEN_EXPRESSION: {
            s.NextToken(p);
            const GxMoaRunPos start = p;
            if (!GxMoaExec::Eval_Token(m_Owner, nullptr, m_Builtins, &m_Worker, start, p, false)) return false;
            return Going();
        }
        case MOATOKEN_IF:
            return RunIf(s, token);
        case MOATOKEN_ELSE:
            s.NextLine(p);
            Error(u"不正なELSE文です");
            return Going();
        case MOATOKEN_WHILE:
        case MOATOKEN_FOR:
        case MOATOKEN_DO:
        case MOATOKEN_CONTINUE:
        case MOATOKEN_BREAK: {
            const std::u16string text = token.GetDebugText();
            s.NextLine(p);
            ErrorWith(u"未実装の制御構造です[%s]", text);
            return Going();
        }
        case MOATOKEN_BLOCKEND:
            if (token.GetInt() == MOABLOCK_IF || token.GetInt() == MOABLOCK_ELSE) {
                SkipElseChain(s);
                return Going();
            }
            ErrorWith(u"未実装のブロック終端です[%s]", token.GetDebugText());
            return Going();
        case MOATOKEN_BREAKPOINT:
            m_Owner.SetBreakpoint();
            s.NextToken(p);
            return Going();
        case MOATOKEN_DEFINE:
        case MOATOKEN_BUILTINDECL:
        case MOATOKEN_STATIC:
        case MOATOKEN_GLOBAL:
        case MOATOKEN_EXTERN:
        case MOATOKEN_NOSAVE:
        case MOATOKEN_INGAME:
        case MOATOKEN_PERMAN:
            if (p.m_Line < s.GetLineCount()) {
                ++p.m_Line;
                p.m_Pos = 0;
            }
            return Going();
        case MOATOKEN_LABEL:
        case MOATOKEN_COMMANDSTART:
            s.NextToken(p);
            break;
        case MOATOKEN_TEXT:
            if (m_Lines) {
                const uint64_t serial = t.GetSerial();
                m_Lines->TextLine(m_Worker, token.GetStringView());
                if (SameTop(serial)) s.NextToken(m_Stack.back().m_Pos);
                return Going();
            }
            // The line is the message itself, never a format.
            m_Owner.OutputTrace(u"%s", token.GetString());
            s.NextToken(p);
            break;
        case MOATOKEN_UNKNOWN: {
            if (m_Lines) {
                if (!m_Lines->UnknownWord(m_Worker, m_Builtins, token)) return false;
                return Going();
            }
            const std::u16string text = token.GetString();
            s.NextLine(p);
            m_Owner.OutputWarning(std::u16string(p.m_ScriptName), p.m_Line, u"不明な単語を発見。スキップされます[%s]", text);
            break;
        }
        case MOATOKEN_END:
            // A position resting on no token (a label's pos -1, a default or damaged position):
            // step on, so the loop always advances.
            if (p.m_Line < 0) {
                p.m_Line = 0;
                p.m_Pos = -1;
            }
            s.NextToken(p);
            break;
        default:
            // The game's own step reports it without the line break.
            ErrorWith(m_Lines ? u"処理できないトークンです[%s]" : u"処理できないトークンです[%s]\n", token.GetDebugText());
            return false;
        }
        if (m_Owner.IsErrorStop()) return false;
    }
}

}  // namespace

bool GxMoaRunStatement(GxMoaWorker& worker, GxMoaBuiltin* builtins, GxMoaLineHandler* lines)
{
    if (!worker.GetOwner()) return false;
    Runner runner(worker, builtins, lines);
    return runner.Run();
}
