// The game's character sprite commands: each character's stand picture is a layer registered
// under the character's name in the main play screen's stand folder.
#include <string>
#include <vector>

#include "app/GxTaskControl.h"
#include "app/task/GxTaskFolder.h"
#include "core/GxString.h"
#include "game/DBRukoChar.h"
#include "game/GxCommandsScreen.h"
#include "game/GxGameCommandHandlers.h"
#include "game/GxGameLookup.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "graphics/GxRenderState.h"
#include "layer/GxTaskLayer.h"
#include "moa/GxMoa.h"
#include "moa/GxMoaToken.h"
#include "moa/GxMoaVariable.h"
#include "moa/GxMoaVariableTable.h"

namespace {

// Which text a missing layer reports: the commands that only restyle a layer name the
// character; those that load or move it also suspect the command itself.
enum class MissingLayerText
{
    Character,
    CommandOrCharacter,
};

GxTaskFolder* StandFolder(const GxGameCommandCall& call)
{
    return dynamic_cast<GxTaskFolder*>(GxCommandFindTask(call, kGxMainScreenStand));
}

// The stand layer named by argument 0, or an error report and null.
GxTaskLayer* FindStandLayer(GxGameCommandCall& call, MissingLayerText text, std::u16string* nameOut = nullptr)
{
    const std::u16string name = call.ArgString(0);
    if (name.empty()) {
        call.Error(u"レイヤー名がありません");
        return nullptr;
    }
    GxTaskFolder* stand = StandFolder(call);
    auto* layer = stand ? dynamic_cast<GxTaskLayer*>(stand->FindTaskLocalByString(name, 0)) : nullptr;
    if (!layer) {
        if (text == MissingLayerText::Character)
            call.Error(u"レイヤーが見つかりません。キャラ名[%s]は未定義です", name);
        else
            call.Error(u"レイヤーが見つかりません。命令が間違っているかキャラ名[%s]は未定義です", name);
        return nullptr;
    }
    if (nameOut) *nameOut = name;
    return layer;
}

// The character table's row of the name, or an error report and null.
const DBRukoCharData* FindCharRow(GxGameCommandCall& call, const std::u16string& name)
{
    const int32_t id = GxFindCharID(name);
    if (id < 0) {
        call.Error(u"キャラ名[%s]は未定義です", name);
        return nullptr;
    }
    return GxGetDBRukoChar().GetRow(id);
}

// The character's picture path resolved through the picture extensions, or an error report
// naming the path tried.
bool ResolveStandPicture(GxGameCommandCall& call, const DBRukoCharData& row, const std::u16string& part,
                         std::u16string& file)
{
    file = row.StandPath + part;
    if (GxFindImageFile(file)) return true;
    call.Error(u"画像ファイルが見つかりません[%s]", file);
    return false;
}

struct ContentSize
{
    float width = 0.0f;
    float height = 0.0f;
};

ContentSize CurrentContentSize(GxTaskLayer& layer)
{
    const GxLayerContent* c = layer.GetCurrentContent();
    return c ? ContentSize{static_cast<float>(c->m_Width), static_cast<float>(c->m_Height)} : ContentSize{};
}

// Puts the layer at (x, y) keeping its z: at once, or by a move over the move time when one is
// given; then the order and the cross-fade mode.
void PlaceLayer(GxGameCommandCall& call, GxTaskLayer& layer, float x, float y, int32_t moveArg, int32_t orderArg,
                int32_t modeArg)
{
    const GxVector3 target(x, y, layer.GetPos().z, 0.0f);
    const int32_t moveTime = GxCommandIntArg(call, moveArg, 0);
    if (moveTime != 0) {
        layer.m_ActionPause = false;
        layer.AddActionMoveTo(target, moveTime, ACTIONINTER_LINEAR);
    } else {
        layer.SetPos(target);
    }
    if (call.ArgPresent(orderArg)) layer.SetOrderZ(static_cast<float>(call.ArgFloat(orderArg)));
    layer.SetLocalTransitMode(GxCommandIntArg(call, modeArg, LOCALTRANSIT_SINE));
}

int32_t StandTime(GxGameCommandCall& call, int32_t i)
{
    return GxCommandIntArg(call, i, GxCommandSystemConfig(call).m_StandTransitionTime);
}

// The script the calling statement runs in, with its run position.
struct BlockCursor
{
    const GxMoaScript* script = nullptr;
    GxMoaScriptPos* pos = nullptr;
};

BlockCursor CallingScript(GxGameCommandCall& call)
{
    BlockCursor c;
    GxMoaExecStackElement* top = GxMoaGetExecStackTop(call.execStack);
    if (!top) return c;
    const GxMoaScriptEntity* entity = top->m_Pos.m_pScriptEntity ? top->m_Pos.m_pScriptEntity : call.entity;
    c.script = entity ? entity->GetScript() : nullptr;
    c.pos = &top->m_Pos;
    return c;
}

// Reads the part names of a stand block from the script, past the statement, up to
// "endstand" (then the script goes on at the next line) or the end of the script. False after
// an error report for a token a block cannot hold.
bool ReadStandBlock(GxGameCommandCall& call, std::vector<std::u16string>& parts)
{
    const BlockCursor cursor = CallingScript(call);
    if (!cursor.script) return true;
    const GxMoaScript& s = *cursor.script;
    GxMoaRunPos p(cursor.pos->m_Line, cursor.pos->m_Pos);
    if (p.m_Line < 0) p = GxMoaRunPos(0, -1);
    for (;;) {
        const int32_t where = s.CheckPos(p);
        if (where == -2) break;
        // Every step moves on; the walk ends at the script's end at the latest.
        if (where != 1) {
            if (!s.NextToken(p)) break;
            continue;
        }
        const GxMoaToken& token = s.GetTokenAt(p);
        const int32_t type = token.GetType();
        if (type == MOATOKEN_UNKNOWN || type == MOATOKEN_STRING || type == MOATOKEN_TEXT) {
            parts.push_back(token.GetString());
            s.NextToken(p);
        } else if (type == MOATOKEN_COMMANDSTART || type == MOATOKEN_END) {
            s.NextToken(p);
        } else if (type == MOATOKEN_BUILTIN && token.GetStringView() == u"endstand") {
            s.NextLine(p);
            break;
        } else {
            call.Error(u"ENDSTANDに到達する前に処理できないトークンがあります[%s]", token.GetDebugText());
            return false;
        }
    }
    cursor.pos->m_Line = p.m_Line;
    cursor.pos->m_Pos = p.m_Pos;
    return true;
}

}  // namespace

bool GxCmdSpColor(GxGameCommandCall& call)
{
    GxTaskLayer* layer = FindStandLayer(call, MissingLayerText::Character);
    if (!layer) return false;
    layer->SetColor0ARGB(GxCommandColorArg(call, 1));
    return true;
}

bool GxCmdSpAlpha(GxGameCommandCall& call)
{
    GxTaskLayer* layer = FindStandLayer(call, MissingLayerText::Character);
    if (!layer) return false;
    layer->SetAlpha(GxCommandIntArg(call, 1, 255));
    return true;
}

bool GxCmdSpBlend(GxGameCommandCall& call)
{
    GxTaskLayer* layer = FindStandLayer(call, MissingLayerText::Character);
    if (!layer) return false;
    layer->SetBlendMode(GxCommandIntArg(call, 1, BLENDMODE_ALPHA));
    return true;
}

bool GxCmdSpLcg(GxGameCommandCall& call)
{
    std::u16string name;
    GxTaskLayer* layer = FindStandLayer(call, MissingLayerText::CommandOrCharacter, &name);
    if (!layer) return false;
    const int32_t time = StandTime(call, 5);
    const DBRukoCharData* row = FindCharRow(call, name);
    if (!row) return false;
    ContentSize size = CurrentContentSize(*layer);
    const GxVector3 pos = layer->GetPos();
    if (call.ArgPresent(1)) {
        std::u16string file;
        if (!ResolveStandPicture(call, *row, call.ArgString(1), file)) return false;
        // The load itself cross-fades from the old picture over the time; a transit after it
        // would fade the new picture out again.
        layer->LoadMultiTextureFile({file}, time);
        size = CurrentContentSize(*layer);
    } else {
        layer->StartLocalTransit(time);
    }
    const float x = GxCommandAlignX(call.Arg(2), pos.x, size.width);
    const float y = GxCommandAlignY(call.Arg(3), size.height);
    PlaceLayer(call, *layer, x, y, 6, 4, 7);
    return true;
}

bool GxCmdSpLnc(GxGameCommandCall& call)
{
    std::u16string name;
    GxTaskLayer* layer = FindStandLayer(call, MissingLayerText::CommandOrCharacter, &name);
    if (!layer) return false;
    const int32_t time = StandTime(call, 6);
    const DBRukoCharData* row = FindCharRow(call, name);
    if (!row) return false;
    if (call.ArgPresent(2)) {
        const GxSystemConfig& sc = GxCommandSystemConfig(call);
        std::u16string project = sc.m_AssetFolder[kGxFolderGnc] + row->NCProjFileName;
        if (!GxFindMotionFile(project)) {
            call.Error(u"NCProjファイルが見つかりません[%s]", project);
            return false;
        }
        if (!layer->LoadMotion(project, sc.m_AssetFolder[kGxFolderGncGis], call.ArgString(1), call.ArgString(2), 0,
                               time)) {
            call.Error(u"モーショングループが存在しないか読み込みミスです");
            return false;
        }
    } else {
        layer->StartLocalTransit(time);
    }
    GxVector3 pos = layer->GetPos();
    if (call.ArgPresent(3)) pos.x = static_cast<float>(call.ArgFloat(3));
    if (call.ArgPresent(4)) pos.y = static_cast<float>(call.ArgFloat(4));
    PlaceLayer(call, *layer, pos.x, pos.y, 7, 5, 8);
    return true;
}

bool GxCmdSpWa(GxGameCommandCall& call)
{
    GxTaskLayer* layer = FindStandLayer(call, MissingLayerText::CommandOrCharacter);
    if (!layer) return false;
    const int32_t kinds = GxCommandIntArg(call, 2, 15);
    // The screen's hold check finds a name without "$" as a local name in the stand folder.
    const std::u16string& taskName = layer->GetTaskName();
    GxCommandWaitForLayer(call, taskName.empty() ? layer->GetTaskLocalName() : taskName, kinds,
                          GxCommandFlagArg(call, 1));
    return true;
}

bool GxCmdSpShake(GxGameCommandCall& call)
{
    GxTaskLayer* layer = FindStandLayer(call, MissingLayerText::CommandOrCharacter);
    if (!layer) return false;
    const int32_t time = GxCommandIntArg(call, 1, kGxDefaultShakeTime);
    const GxVector3 amplitude(static_cast<float>(call.ArgInt(2)), static_cast<float>(call.ArgInt(3)), 0.0f, 0.0f);
    layer->StartShake(amplitude, time);
    return true;
}

bool GxCmdSpShakeEnd(GxGameCommandCall& call)
{
    GxTaskLayer* layer = FindStandLayer(call, MissingLayerText::CommandOrCharacter);
    if (!layer) return false;
    layer->StopShake();
    return true;
}

bool GxCmdSpClearAll(GxGameCommandCall& call)
{
    const int32_t time = StandTime(call, 0);
    // The walk takes later siblings too: start at the folder's first layer, not the folder.
    if (GxTaskFolder* stand = StandFolder(call))
        GxTaskControl::ClearLayersWithTransit(stand->GetFirstChild(), time, 0);
    return true;
}

bool GxCmdStand(GxGameCommandCall& call)
{
    std::u16string name;
    GxTaskLayer* layer = FindStandLayer(call, MissingLayerText::Character, &name);
    if (!layer) return false;
    const int32_t time = StandTime(call, 4);
    const DBRukoCharData* row = FindCharRow(call, name);
    if (!row) return false;
    ContentSize size = CurrentContentSize(*layer);
    const GxVector3 pos = layer->GetPos();

    std::vector<std::u16string> parts;
    if (!ReadStandBlock(call, parts)) return false;
    if (parts.empty()) {
        layer->StartLocalTransit(time);
        return true;
    }
    std::vector<std::u16string> files(parts.size());
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!ResolveStandPicture(call, *row, parts[i], files[i])) return false;
    }
    layer->LoadMultiTextureFile(files, time);
    size = CurrentContentSize(*layer);
    const float x = GxCommandAlignX(call.Arg(1), pos.x, size.width);
    const float y = GxCommandAlignY(call.Arg(2), size.height);
    PlaceLayer(call, *layer, x, y, 5, 3, 6);
    return true;
}
