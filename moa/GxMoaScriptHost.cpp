#include "moa/GxMoaScriptHost.h"

#include "app/GxDebugConsole.h"
#include "core/GxBinBuffer.h"
#include "core/GxContentReader.h"
#include "core/GxFile.h"
#include "core/GxString.h"
#include "moa/GxMoaCompiler.h"
#include "moa/GxMoaExec.h"
#include "moa/GxMoaRun.h"

GxMoaEx* g_MoaEx = nullptr;
GxMoaWorkerEx* g_MoaWorkerEx = nullptr;
GxMoaBuiltinEx* g_MoaBuiltinEx = nullptr;

namespace {

constinit GxMoaGameHooks g_GameHooks;

// Text lines become messages, and an unknown word is a layer operation: name[.suffix](args)
// runs the character command "sp" + suffix ("sp.lcg" without one) with the name as its first
// argument.
class GameLines : public GxMoaLineHandler
{
public:
    explicit GameLines(GxCore* core) : m_pCore(core) {}

    void TextLine(GxMoaWorker& worker, std::u16string_view text) override
    {
        if (g_GameHooks.showTextLine) g_GameHooks.showTextLine(m_pCore, worker, text);
    }

    bool UnknownWord(GxMoaWorker& worker, GxMoaBuiltin* builtins, const GxMoaToken& token) override;

private:
    GxCore* m_pCore;
};

bool GameLines::UnknownWord(GxMoaWorker& worker, GxMoaBuiltin* builtins, const GxMoaToken& token)
{
    GxMoa& moa = *worker.GetOwner();
    GxMoaExecStackElement& top = worker.GetExecStack().back();
    GxMoaScriptPos& p = top.m_Pos;
    GxMoaScriptEntity* entity = p.m_pScriptEntity;
    const GxMoaScript* script = entity->GetScript();

    const std::u16string_view text = token.GetStringView();
    const std::u16string name = GxGetFileTitle(text);
    const std::u16string suffix = GxGetExtension(text);
    const std::u16string word = GxToLower(suffix.empty() ? std::u16string(u"sp.lcg") : u"sp" + suffix);
    const GxMoaBuiltinDefinition* define = moa.FindBuiltinDefine(word);
    if (!define) {
        moa.OutputError(p.m_ScriptName, p.m_Line, u"レイヤー操作に使用できない命令です[%s]", word);
        moa.SetErrorStop();
        return false;
    }

    // A malformed call stops the script as well: the position would otherwise stay on it and
    // every later call would report it again.
    GxMoaOpcodeList& list = top.m_OpcodeList;
    top.ResetOpcodeList();
    worker.GetValueStack().clear();
    GxMoaRunPos at;
    bool compiled = GxMoaCompiler::Phase_Skip(at, MOATOKEN_UNKNOWN, script, p) &&
                    GxMoaCompiler::Phase_Skip(at, MOATOKEN_BRACKETOPEN, script, at);
    if (compiled) {
        GxMoaCompiler::AddOpcode(list, MOAOPC_PUSH_STR);
        list.emplace_back().SetString(name);
        compiled = GxMoaCompiler::Phase_Element(script, list, at, at, 0);
    }
    if (compiled) {
        // The name is the command's first argument.
        list.back().SetInt64(list.back().GetInt64() + 1);
        GxMoaCompiler::AddOpcode(list, MOAOPC_CALL_BUILTIN);
        list.emplace_back().SetInt64(define->m_BuiltinIndex);
        list.emplace_back().SetString(word);
        compiled = GxMoaCompiler::Phase_Skip(at, MOATOKEN_BRACKETCLOSE, script, at);
    }
    if (!compiled) {
        moa.SetErrorStop();
        return false;
    }

    // The position stays on the line while the command runs, so that its reports name it.
    p.m_Line = at.m_Line;
    p.m_Pos = at.m_Pos;
    const uint64_t serial = top.GetSerial();
    if (!GxMoaExec::Exec_Opcode(moa, builtins, entity, &worker, true)) {
        moa.SetErrorStop();
        return false;
    }
    // Whatever follows ")" is ignored, unless the command moved the script elsewhere.
    GxMoaExecStack& stack = worker.GetExecStack();
    if (!stack.empty() && stack.back().GetSerial() == serial && stack.back().m_Pos.SamePlace(at)) {
        script->NextLine(stack.back().m_Pos);
    }
    return true;
}

}  // namespace

bool GxMoaWorkerEx::Run(GxMoaBuiltin* builtins)
{
    GameLines lines(m_pCore);
    return GxMoaRunStatement(*this, builtins, &lines);
}

void GxSetMoaGameHooks(const GxMoaGameHooks& hooks) { g_GameHooks = hooks; }

bool GxMoaBuiltinEx::CallBuiltin(std::u16string_view name, int32_t index, GxMoaVariable& args, GxMoaWorker& worker,
                                 GxMoaScriptEntity* entity, GxMoaExecStack& execStack, GxMoaVariable& result)
{
    if (g_GameHooks.callCommand) {
        return g_GameHooks.callCommand(*this, name, index, args, worker, entity, execStack, result);
    }
    return GxMoaBuiltinDefault::CallBuiltin(name, index, args, worker, entity, execStack, result);
}

void GxCreateScriptHost(GxCore* core)
{
    GxDestroyScriptHost();
    g_MoaEx = new GxMoaEx();
    g_MoaWorkerEx = new GxMoaWorkerEx(g_MoaEx, core);
    g_MoaBuiltinEx = new GxMoaBuiltinEx(core);
}

bool GxLoadCompiledScript()
{
    if (!g_MoaEx || !g_MoaWorkerEx) return false;
    GxBinBuffer buffer;
    if (!GxFileLoadToBinBuffer(buffer, u"bincode/moacode.mwb", false, false)) return false;
    if (buffer.GetSize() == 0) return false;
    bool ok = false;
    {
        GxContentBinaryReader reader(buffer);
        ok = g_MoaEx->ReadProgram(reader);
    }
    if (ok) {
        g_MoaEx->InitExternVariables();
        g_MoaWorkerEx->CreateScriptEntities();
    }
    return ok;
}

void GxDestroyScriptHost()
{
    // The worker and the command set refer to the instance, so it goes last.
    delete g_MoaBuiltinEx;
    g_MoaBuiltinEx = nullptr;
    delete g_MoaWorkerEx;
    g_MoaWorkerEx = nullptr;
    delete g_MoaEx;
    g_MoaEx = nullptr;
}

namespace {

// The debug console's default script source: the main worker, read only.
GxDebugScriptState ReadMainWorker()
{
    GxDebugScriptState s;
    s.stoppedOnError = g_MoaEx && g_MoaEx->IsErrorStop();
    const GxMoaWorkerEx* worker = g_MoaWorkerEx;
    if (!worker || !worker->IsRunning()) return s;
    s.running = true;
    const GxMoaExecStack& stack = worker->GetExecStack();
    auto read = [&](size_t i) {
        const GxMoaExecStackElement& e = stack[i];
        s.stack.push_back(GxDebugScriptFrame{e.m_BlockType, worker->GetScriptName(&e), worker->GetLine(&e)});
    };
    if (stack.size() <= kGxDebugScriptFramesRead) {
        for (size_t i = 0; i < stack.size(); ++i) read(i);
        return s;
    }
    const size_t head = kGxDebugScriptFramesRead / 2, tail = kGxDebugScriptFramesRead - head;
    for (size_t i = 0; i < head; ++i) read(i);
    for (size_t i = stack.size() - tail; i < stack.size(); ++i) read(i);
    s.skipped = stack.size() - head - tail;
    s.skippedAt = head;
    return s;
}

// Installed as the program loads, wherever the host is linked, so that a test that makes the
// host without start-up reads it as the program does.
[[maybe_unused]] const bool kDebugScriptSourceSet = (GxSetDefaultDebugScriptSource(&ReadMainWorker), true);

}  // namespace
