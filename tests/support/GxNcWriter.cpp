#include "tests/support/GxNcWriter.h"

#include <cstdio>
#include <filesystem>

namespace {

void WriteInterTail(GxContentWriterBase& w, uint32_t interMode, float p0, float p1, uint32_t selected)
{
    w.WriteGxU32("m_InterMode", interMode);
    w.WriteGxF32("m_InterParam0", p0);
    w.WriteGxF32("m_InterParam1", p1);
    w.WriteGxU32("m_Selected", selected);
}

void WriteKey(GxContentWriterBase& w, const GxNcImageKey& k)
{
    w.WriteGxS32("m_Time", k.m_Time);
    w.WriteGxStringStdW("m_ImageSetName", k.m_ImageSetName);
    w.WriteGxStringStdW("m_ImageFileName", k.m_ImageFileName);
    w.WriteGxStringStdW("m_MotionGroupName", k.m_MotionGroupName);
    w.WriteGxStringStdW("m_MotionName", k.m_MotionName);
    w.WriteGxS32("m_PatternIndex", k.m_PatternIndex);
    w.WriteGxS32("m_Width", k.m_Width);
    w.WriteGxS32("m_Height", k.m_Height);
    w.WriteGxS32("m_OffsetFrame", k.m_OffsetFrame);
    w.WriteGxU32("m_LoopMode", k.m_LoopMode);
    WriteInterTail(w, k.m_InterMode, k.m_InterParam0, k.m_InterParam1, k.m_Selected);
}

void WriteKey(GxContentWriterBase& w, const GxNcVector4Key& k)
{
    w.WriteGxS32("m_Time", k.m_Time);
    w.WriteGxVector4("m_Value", k.m_Value);
    WriteInterTail(w, k.m_InterMode, k.m_InterParam0, k.m_InterParam1, k.m_Selected);
}

void WriteKey(GxContentWriterBase& w, const GxNcVector2Key& k)
{
    w.WriteGxS32("m_Time", k.m_Time);
    w.WriteGxVector2("m_Value", k.m_Value);
    WriteInterTail(w, k.m_InterMode, k.m_InterParam0, k.m_InterParam1, k.m_Selected);
}

void WriteKey(GxContentWriterBase& w, const GxNcFloatKey& k)
{
    w.WriteGxS32("m_Time", k.m_Time);
    w.WriteGxF32("m_Value", k.m_Value);
    WriteInterTail(w, k.m_InterMode, k.m_InterParam0, k.m_InterParam1, k.m_Selected);
}

void WriteKey(GxContentWriterBase& w, const GxNcUIntKey& k)
{
    w.WriteGxS32("m_Time", k.m_Time);
    w.WriteGxU32("m_Value", k.m_Value);
    WriteInterTail(w, k.m_InterMode, k.m_InterParam0, k.m_InterParam1, k.m_Selected);
}

void WriteKey(GxContentWriterBase& w, const GxNcVertexKey& k)
{
    w.WriteGxS32("m_Time", k.m_Time);
    for (const GxVector4& v : k.m_Value) w.WriteGxVector4("m_Value", v);
    WriteInterTail(w, k.m_InterMode, k.m_InterParam0, k.m_InterParam1, k.m_Selected);
    w.WriteGxU32("m_SelectedLocalFlags", k.m_SelectedLocalFlags);
}

void WriteKey(GxContentWriterBase& w, const GxNcSoundKey& k)
{
    w.WriteGxS32("m_Time", k.m_Time);
    w.WriteGxStringStdW("m_SoundName", k.m_SoundName);
    w.WriteGxU32("m_InterMode", k.m_InterMode);
    w.WriteGxU32("m_Selected", k.m_Selected);
}

void WriteKey(GxContentWriterBase& w, const GxNcEventKey& k)
{
    w.WriteGxS32("m_Time", k.m_Time);
    w.WriteGxS32("m_EventID", k.m_EventID);
    w.WriteGxU32("m_AfterCallFlag", k.m_AfterCallFlag);
    w.WriteGxStringStdW("m_Param", k.m_Param);
    WriteInterTail(w, k.m_InterMode, k.m_InterParam0, k.m_InterParam1, k.m_Selected);
}

template <typename Key>
void WriteTrack(GxContentWriterBase& w, const GxNcKeyTrack<Key>& track)
{
    w.WriteListBegin("", "", static_cast<uint32_t>(track.size()));
    for (const Key& k : track) WriteKey(w, k);
    w.WriteListEnd();
}

void WriteLayer(GxContentWriterBase& w, const GxNcLayer& l)
{
    w.WriteGxStringStdW("m_LayerName", l.m_LayerName);
    w.WriteGxStringStdW("m_EnumName", l.m_EnumName);
    w.WriteGxU32("m_LayerID", l.m_LayerID);
    w.WriteGxS32("m_LastTime", l.m_LastTime);
    w.WriteGxU32("m_LoopMode", l.m_LoopMode);
    w.WriteGxU32("m_LayerType", l.m_LayerType);
    w.WriteGxS32("m_AttachIndex", l.m_AttachIndex);
    w.WriteGxU32("m_VertexCount", l.m_VertexCount);
    w.WriteGxU32("m_EditLock", l.m_EditLock);
    w.WriteGxU32("m_EditVisible", l.m_EditVisible);
    w.WriteGxU32("m_LightEnable", l.m_LightEnable);
    w.WriteGxU32("m_AlphaTestEnable", l.m_AlphaTestEnable);
    w.WriteGxU32("m_ZWriteEnable", l.m_ZWriteEnable);
    w.WriteGxU32("m_ZTestEnable", l.m_ZTestEnable);
    w.WriteGxU32("m_StencilMode", l.m_StencilMode);
    w.WriteGxU32("m_StencilTestEnable", l.m_StencilTestEnable);
    w.WriteGxU32("m_ViewMode", l.m_ViewMode);
    w.WriteGxU32("m_BlendMode", l.m_BlendMode);
    w.WriteGxU32("m_FilterMode", l.m_FilterMode);
    w.WriteGxU32("m_Selected", l.m_Selected);
    w.WriteGxU32("m_Expanded", l.m_Expanded);
    WriteTrack(w, l.m_ImageTrack);
    WriteTrack(w, l.m_PositionTrack);
    WriteTrack(w, l.m_ScaleTrack);
    WriteTrack(w, l.m_RotationTrack);
    WriteTrack(w, l.m_CenterTrack);
    WriteTrack(w, l.m_Scale2DTrack);
    WriteTrack(w, l.m_AlphaTrack);
    WriteTrack(w, l.m_VisibleTrack);
    WriteTrack(w, l.m_VertexOffsetTrack);
    WriteTrack(w, l.m_VertexColorTrack);
    WriteTrack(w, l.m_UVOffsetTrack);
}

void WriteTree(GxContentWriterBase& w, const GxNcMotion& m)
{
    w.WriteTreeBegin("m_LayerTree", "");
    const GxNcLayerNode* node = m.GetTreeTop();
    while (node) {
        w.WriteTreeStratumBegin();
        w.WriteGxStringStdW("m_LayerName", node->m_LayerName);
        w.WriteGxS32("m_LayerIndex", node->m_LayerIndex);
        if (node->Child()) {
            node = node->Child();
            continue;
        }
        w.WriteTreeStratumEnd();
        while (node && !node->Next()) {
            node = node->Parent();
            if (node) w.WriteTreeStratumEnd();
        }
        if (node) node = node->Next();
    }
    w.WriteTreeEnd();
}

void WriteMotion(GxContentWriterBase& w, const GxNcMotion& m)
{
    w.WriteGxStringStdW("m_MotionName", m.m_MotionName);
    w.WriteGxStringStdW("m_EnumName", m.m_EnumName);
    w.WriteGxU32("m_MotionID", m.m_MotionID);
    w.WriteGxS32("m_TotalDuration", m.m_TotalDuration);
    w.WriteGxS32("m_StartTime", m.m_StartTime);
    w.WriteGxS32("m_PlayTime", m.m_PlayTime);
    w.WriteGxS32("m_EndTime", m.m_EndTime);
    w.WriteListBegin("m_LayerList", "", static_cast<uint32_t>(m.m_LayerList.size()));
    for (const auto& l : m.m_LayerList) WriteLayer(w, *l);
    w.WriteListEnd();
    WriteTrack(w, m.m_SoundTrack);
    for (const auto& t : m.m_EventTracks) WriteTrack(w, t);
    WriteTree(w, m);
}

}  // namespace

void GxNcWriteProject(GxContentWriterBase& w, const GxNcProject& p, GxContentForm form)
{
    w.WriteHeader(form == GxContentForm::Text ? "TNCPROJ" : "BNCPROJ", 100);
    w.WriteGxStringStdW("m_ProjectName", p.m_ProjectName);
    w.WriteGxU32("m_IssuableMotionID", p.m_IssuableMotionID);
    w.WriteGxU32("m_IssuableLayerID", p.m_IssuableLayerID);
    w.WriteGxU32("m_IssuableMotionGroupID", p.m_IssuableMotionGroupID);
    w.WriteGxU32("m_IssuableActorID", p.m_IssuableActorID);
    w.WriteGxU32("m_IssuableStageID", p.m_IssuableStageID);
    w.WriteGxU32("m_IssuableReserveID0", p.m_IssuableReserveID0);
    w.WriteGxU32("m_IssuableReserveID1", p.m_IssuableReserveID1);
    w.WriteGxU32("m_IssuableReserveID2", p.m_IssuableReserveID2);
    w.WriteGxU32("m_IssuableReserveID3", p.m_IssuableReserveID3);
    w.WriteListBegin("m_MotionGroupList", "", static_cast<uint32_t>(p.m_MotionGroupList.size()));
    for (const auto& g : p.m_MotionGroupList) {
        w.WriteGxStringStdW("m_MotionGroupName", g->m_MotionGroupName);
        w.WriteGxStringStdW("m_EnumName", g->m_EnumName);
        w.WriteGxU32("m_MotionGroupID", g->m_MotionGroupID);
        w.WriteListBegin("m_MotionList", "", static_cast<uint32_t>(g->m_MotionList.size()));
        for (const auto& m : g->m_MotionList) WriteMotion(w, *m);
        w.WriteListEnd();
    }
    w.WriteListEnd();
    w.WriteListBegin("m_StageList", "", static_cast<uint32_t>(p.m_StageList.size()));
    w.WriteListEnd();
    w.WriteListBegin("m_ImageSetFileNameList", "", static_cast<uint32_t>(p.m_ImageSetFileNameList.size()));
    for (const auto& name : p.m_ImageSetFileNameList) w.WriteGxStringStdW("m_FileName", name);
    w.WriteListEnd();
}

std::string GxNcProjectToBytes(const GxNcProject& project, GxContentForm form)
{
    return GxContentWriteToString(form, [&](GxContentWriterBase& w) { GxNcWriteProject(w, project, form); });
}

void GxNcWriteImageSet(GxContentWriterBase& w, const GxNcCrammedImageSet& set, GxContentForm form, bool withRawUV)
{
    w.WriteHeader(form == GxContentForm::Text ? "TGIMGSET" : "BGIMGSET", 100);
    w.WriteGxBool("m_EconomyMode", set.m_EconomyMode);
    w.WriteListBegin("m_CrammedImageArray", "", static_cast<uint32_t>(set.m_CrammedImageArray.size()));
    for (const auto& page : set.m_CrammedImageArray) {
        w.WriteGxStringStdW("m_FileName", page.m_FileName);
        w.WriteGxS32("m_ImageWidth", page.m_ImageWidth);
        w.WriteGxS32("m_ImageHeight", page.m_ImageHeight);
        w.WriteGxS32("m_Count", page.m_Count);
        w.WriteGxU32("m_PreserveFlag", page.m_PreserveFlag);
    }
    w.WriteListEnd();
    w.WriteListBegin("m_OriginImageArray", "", static_cast<uint32_t>(set.m_OriginImageArray.size()));
    for (const auto& image : set.m_OriginImageArray) {
        w.WriteGxStringStdW("m_FileName", image.m_FileName);
        w.WriteGxS32("m_PatternCount", image.GetPatternCount());
        w.WriteGxS32("m_ImageWidth", image.m_ImageWidth);
        w.WriteGxS32("m_ImageHeight", image.m_ImageHeight);
        w.WriteGxU32("m_PreserveFlag", image.m_PreserveFlag);
        w.WriteListBegin("m_PatternArray", "", static_cast<uint32_t>(image.m_PatternArray.size()));
        for (const auto& p : image.m_PatternArray) {
            w.WriteGxS32("m_Left", p.m_Left);
            w.WriteGxS32("m_Top", p.m_Top);
            w.WriteGxS32("m_Width", p.m_Width);
            w.WriteGxS32("m_Height", p.m_Height);
            w.WriteGxS32("m_CrammedImageIndex", p.m_CrammedImageIndex);
            w.WriteGxS32("m_CrammedOffsetLeft", p.m_CrammedOffsetLeft);
            w.WriteGxS32("m_CrammedOffsetTop", p.m_CrammedOffsetTop);
            w.WriteGxS32("m_CrammedLeft", p.m_CrammedLeft);
            w.WriteGxS32("m_CrammedTop", p.m_CrammedTop);
            w.WriteGxS32("m_CrammedWidth", p.m_CrammedWidth);
            w.WriteGxS32("m_CrammedHeight", p.m_CrammedHeight);
            w.WriteGxF32("m_CenterPosX", p.m_CenterPosX);
            w.WriteGxF32("m_CenterPosY", p.m_CenterPosY);
            if (withRawUV) w.WriteGxFRect("m_CrammedRawUV", p.m_CrammedRawUV);
            w.WriteGxU32("m_NoCutoffFlag", p.m_NoCutoffFlag);
            w.WriteGxU32("m_Selected", 0);
        }
        w.WriteListEnd();
    }
    w.WriteListEnd();
}

std::string GxNcImageSetToBytes(const GxNcCrammedImageSet& set, GxContentForm form, bool withRawUV)
{
    return GxContentWriteToString(form,
                                  [&](GxContentWriterBase& w) { GxNcWriteImageSet(w, set, form, withRawUV); });
}

bool GxNcWriteFileBytes(const std::string& nativePath, std::string_view bytes)
{
    std::error_code ec;
    std::filesystem::path path(nativePath);
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    FILE* f = std::fopen(nativePath.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// ---- model builders ----

GxNcMotionGroup& GxNcAddMotionGroup(GxNcProject& project, std::u16string_view name)
{
    project.m_MotionGroupList.push_back(std::make_unique<GxNcMotionGroup>());
    GxNcMotionGroup& g = *project.m_MotionGroupList.back();
    g.m_MotionGroupName = std::u16string(name);
    return g;
}

GxNcMotion& GxNcAddMotion(GxNcMotionGroup& group, std::u16string_view name, int32_t endTime)
{
    group.m_MotionList.push_back(std::make_unique<GxNcMotion>());
    GxNcMotion& m = *group.m_MotionList.back();
    m.m_MotionName = std::u16string(name);
    m.m_EndTime = endTime;
    m.m_TotalDuration = endTime;
    return m;
}

GxNcLayer& GxNcAddLayer(GxNcMotion& motion, std::u16string_view name)
{
    motion.m_LayerList.push_back(std::make_unique<GxNcLayer>());
    GxNcLayer& l = *motion.m_LayerList.back();
    l.m_LayerName = std::u16string(name);
    l.m_EditVisible = 1;
    return l;
}

GxNcLayerNode* GxNcAddTreeNode(GxNcMotion& motion, GxNcLayerNode* parent, std::u16string_view layerName)
{
    auto* node = new GxNcLayerNode;
    node->m_LayerName = std::u16string(layerName);
    node->m_LayerIndex = GxNcFindLayerIndexByName(layerName, &motion, &node->m_pLayer);
    GxSimpleNode* last = parent ? parent->m_pChild : motion.m_LayerTree.GetTop();
    while (last && last->m_pNext) last = last->m_pNext;
    if (last) {
        motion.m_LayerTree.InsertNext(last, node, GXTREE_INSERT);
    } else if (parent) {
        motion.m_LayerTree.InsertChild(parent, node, GXTREE_INSERT);
    } else {
        motion.m_LayerTree.InsertTop(node, GXTREE_INSERT);
    }
    return node;
}

GxNcOriginImage& GxNcAddOriginImage(GxNcCrammedImageSet& set, std::u16string_view fileName)
{
    set.m_OriginImageArray.emplace_back();
    GxNcOriginImage& image = set.m_OriginImageArray.back();
    image.m_FileName = std::u16string(fileName);
    return image;
}

GxNcCrammedPattern& GxNcAddPattern(GxNcOriginImage& image, int32_t page, int32_t left, int32_t top, int32_t width,
                                   int32_t height, int32_t packedLeft, int32_t packedTop)
{
    image.m_PatternArray.emplace_back();
    GxNcCrammedPattern& p = image.m_PatternArray.back();
    p.m_Left = left;
    p.m_Top = top;
    p.m_Width = width;
    p.m_Height = height;
    p.m_CrammedImageIndex = page;
    p.m_CrammedOffsetLeft = left;
    p.m_CrammedOffsetTop = top;
    p.m_CrammedLeft = packedLeft;
    p.m_CrammedTop = packedTop;
    p.m_CrammedWidth = width;
    p.m_CrammedHeight = height;
    return p;
}

// ---- fake graphics ----

namespace {
GxNcFakeGraphics* g_Fake = nullptr;
}

GxNcFakeGraphics::GxNcFakeGraphics() : m_Previous(GxNcGetGraphicsHooks())
{
    g_Fake = this;
    GxNcGraphicsHooks hooks;
    hooks.m_LoadPageTexture = &Load;
    hooks.m_ReleasePageTexture = &ReleaseTexture;
    hooks.m_GetU = &GetU;
    hooks.m_GetV = &GetV;
    hooks.m_DrawQuad = &Draw;
    GxNcSetGraphicsHooks(hooks);
}

GxNcFakeGraphics::~GxNcFakeGraphics()
{
    GxNcSetGraphicsHooks(m_Previous);
    g_Fake = nullptr;
}

GxTexture* GxNcFakeGraphics::Load(const std::u16string& path, GxFormat format)
{
    if (!g_Fake || g_Fake->m_Missing.count(path)) return nullptr;
    auto* t = new GxNcFakeTexture{path, format, g_Fake->m_TextureWidth, g_Fake->m_TextureHeight};
    g_Fake->m_LoadedPaths.push_back(path);
    g_Fake->m_LoadedFormats.push_back(format);
    ++g_Fake->m_Live;
    return reinterpret_cast<GxTexture*>(t);
}

void GxNcFakeGraphics::ReleaseTexture(GxTexture* texture)
{
    GxNcFakeTexture* t = Fake(texture);
    if (g_Fake) {
        g_Fake->m_ReleasedPaths.push_back(t->m_Path);
        --g_Fake->m_Live;
    }
    delete t;
}

float GxNcFakeGraphics::GetU(const GxTexture* texture, float x)
{
    return x / reinterpret_cast<const GxNcFakeTexture*>(texture)->m_Width;
}

float GxNcFakeGraphics::GetV(const GxTexture* texture, float y)
{
    return y / reinterpret_cast<const GxNcFakeTexture*>(texture)->m_Height;
}

void GxNcFakeGraphics::Draw(const GxNcQuad& quad)
{
    if (g_Fake) g_Fake->m_Quads.push_back(quad);
}
