// Fuzz target: the expression compiler over arbitrary token lines (the compiled package is
// outside data, and every statement it holds is compiled when reached).
// Input: pairs of bytes, a token type and a value; the type byte 0xFF starts a new line.
// Each line is compiled as an expression and as an element list; a list that compiled must
// have every operand its opcode needs, and every token must describe itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/GxLog.h"
#include "moa/GxMoa.h"
#include "moa/GxMoaCompiler.h"
#include "moa/GxMoaNames.h"

namespace {

bool HasText(int32_t type)
{
    return type == MOATOKEN_BUILTIN || type == MOATOKEN_UNKNOWN || type == MOATOKEN_STRING ||
           type == MOATOKEN_VARIABLE || type == MOATOKEN_ARRAYVARIABLE;
}

// Every operand an opcode carries stands right behind it with its type.
void CheckList(const GxMoaOpcodeList& list)
{
    size_t i = 0;
    auto expect = [&](GxMoaValueType type) {
        if (i >= list.size() || list[i].GetValueType() != type) abort();
        ++i;
    };
    while (i < list.size()) {
        if (list[i].GetValueType() != GxMoaValueType::Opcode) abort();
        const int32_t op = list[i++].GetOpcode();
        if (op < 0 || op >= MOAOPC_COUNT) abort();
        if (GxMoaGetOpcodeName(op) == u"ERROR") abort();
        switch (op) {
        case MOAOPC_PUSH_INT:
        case MOAOPC_ELEMENTNUM: expect(GxMoaValueType::Int); break;
        case MOAOPC_PUSH_FLT: expect(GxMoaValueType::Float); break;
        case MOAOPC_PUSH_STR:
        case MOAOPC_PUSH_VAR:
        case MOAOPC_PUSH_VARARY:
        case MOAOPC_ALTER_VAR:
        case MOAOPC_ALTER_VARARY: expect(GxMoaValueType::Str); break;
        case MOAOPC_CALL_BUILTIN:
            expect(GxMoaValueType::Int);
            expect(GxMoaValueType::Str);
            break;
        default: break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = (GxSetErrorLogPath(u"/dev/null"), true);
    (void)once;

    GxMoa program;
    auto script = std::make_unique<GxMoaScript>(&program);
    script->m_ScriptName = u"FUZZ";
    script->m_Lines.emplace_back();
    for (size_t i = 0; i + 1 < size; i += 2) {
        if (data[i] == 0xFF) {
            script->m_Lines.emplace_back();
            continue;
        }
        const int32_t type = data[i] % 96;
        GxMoaToken token(type, static_cast<int64_t>(data[i + 1]) - 128);
        if (HasText(type)) token.SetString(std::u16string(1 + data[i + 1] % 3, static_cast<char16_t>(u'a' + type % 26)));
        script->m_Lines.back().m_Tokens.push_back(std::move(token));
    }

    size_t sink = 0;
    GxMoaOpcodeList list;
    for (int32_t line = 0; line < script->GetLineCount(); ++line) {
        for (const GxMoaToken& t : script->m_Lines[static_cast<size_t>(line)].m_Tokens)
            sink += GxMoaGetTokenDebugText(t).size();

        GxMoaRunPos end;
        list.clear();
        if (GxMoaCompiler::Phase_Expr(script.get(), list, GxMoaRunPos(line, 0), end, 0)) {
            CheckList(list);
            const int32_t after = script->GetTokenAt(end).GetType();
            if (after != MOATOKEN_END && after != MOATOKEN_SEMICOLON && after != MOATOKEN_COMMA &&
                after != MOATOKEN_BLOCKEND && after != MOATOKEN_SUBSCRIPTCLOSE && after != MOATOKEN_BRACKETCLOSE)
                abort();
        }
        for (const GxMoaVariable& v : list) sink += GxMoaDumpVariable(v, u"op", 1).size();

        list.clear();
        if (GxMoaCompiler::Phase_Element(script.get(), list, GxMoaRunPos(line, 0), end,
                                         MOACOMPILE_NO_VARIABLE | MOACOMPILE_NO_BUILTIN | MOACOMPILE_NO_ALTER))
            CheckList(list);
    }
    return static_cast<int>(sink & 0);
}
