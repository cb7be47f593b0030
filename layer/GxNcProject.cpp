#include "layer/GxNcProject.h"

#include <algorithm>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "layer/GxNcImageSet.h"

namespace {

// Every reader below stops at the first error: a damaged file must not turn into a record per
// garbage element. The reader has counted and logged the error itself.
bool Clean(GxContentReaderBase& r) { return r.GetErrorCount() == 0; }

bool ReadKey(GxContentReaderBase& r, GxNcImageKey& k)
{
    r.ReadGxS32("m_Time", k.m_Time);
    r.ReadGxStringStdW("m_ImageSetName", k.m_ImageSetName);
    r.ReadGxStringStdW("m_ImageFileName", k.m_ImageFileName);
    r.ReadGxStringStdW("m_MotionGroupName", k.m_MotionGroupName);
    r.ReadGxStringStdW("m_MotionName", k.m_MotionName);
    r.ReadGxS32("m_PatternIndex", k.m_PatternIndex);
    r.ReadGxS32("m_Width", k.m_Width);
    r.ReadGxS32("m_Height", k.m_Height);
    r.ReadGxS32("m_OffsetFrame", k.m_OffsetFrame);
    r.ReadGxU32("m_LoopMode", k.m_LoopMode);
    r.ReadGxU32("m_InterMode", k.m_InterMode);
    r.ReadGxF32("m_InterParam0", k.m_InterParam0);
    r.ReadGxF32("m_InterParam1", k.m_InterParam1);
    r.ReadGxU32("m_Selected", k.m_Selected);
    return Clean(r);
}

template <typename Key>
bool ReadInterTail(GxContentReaderBase& r, Key& k)
{
    r.ReadGxU32("m_InterMode", k.m_InterMode);
    r.ReadGxF32("m_InterParam0", k.m_InterParam0);
    r.ReadGxF32("m_InterParam1", k.m_InterParam1);
    r.ReadGxU32("m_Selected", k.m_Selected);
    return Clean(r);
}

bool ReadKey(GxContentReaderBase& r, GxNcVector4Key& k)
{
    r.ReadGxS32("m_Time", k.m_Time);
    r.ReadGxVector4("m_Value", k.m_Value);
    return ReadInterTail(r, k);
}

bool ReadKey(GxContentReaderBase& r, GxNcVector2Key& k)
{
    r.ReadGxS32("m_Time", k.m_Time);
    r.ReadGxVector2("m_Value", k.m_Value);
    return ReadInterTail(r, k);
}

bool ReadKey(GxContentReaderBase& r, GxNcFloatKey& k)
{
    r.ReadGxS32("m_Time", k.m_Time);
    r.ReadGxF32("m_Value", k.m_Value);
    return ReadInterTail(r, k);
}

bool ReadKey(GxContentReaderBase& r, GxNcUIntKey& k)
{
    r.ReadGxS32("m_Time", k.m_Time);
    r.ReadGxU32("m_Value", k.m_Value);
    return ReadInterTail(r, k);
}

bool ReadKey(GxContentReaderBase& r, GxNcVertexKey& k)
{
    r.ReadGxS32("m_Time", k.m_Time);
    for (GxVector4& v : k.m_Value) r.ReadGxVector4("m_Value", v);
    ReadInterTail(r, k);
    r.ReadGxU32("m_SelectedLocalFlags", k.m_SelectedLocalFlags);
    return Clean(r);
}

bool ReadKey(GxContentReaderBase& r, GxNcSoundKey& k)
{
    r.ReadGxS32("m_Time", k.m_Time);
    r.ReadGxStringStdW("m_SoundName", k.m_SoundName);
    r.ReadGxU32("m_InterMode", k.m_InterMode);
    r.ReadGxU32("m_Selected", k.m_Selected);
    return Clean(r);
}

bool ReadKey(GxContentReaderBase& r, GxNcEventKey& k)
{
    r.ReadGxS32("m_Time", k.m_Time);
    r.ReadGxS32("m_EventID", k.m_EventID);
    r.ReadGxU32("m_AfterCallFlag", k.m_AfterCallFlag);
    r.ReadGxStringStdW("m_Param", k.m_Param);
    return ReadInterTail(r, k);
}

// Evaluation searches tracks by bisection, so keys must be in time order; an editor or a hand
// edit that left them out of order would give wrong values. Equal times keep their order.
template <typename Key>
void SortTrack(GxNcKeyTrack<Key>& track)
{
    auto earlier = [](const Key& a, const Key& b) { return a.m_Time < b.m_Time; };
    if (!std::is_sorted(track.begin(), track.end(), earlier))
        std::stable_sort(track.begin(), track.end(), earlier);
}

template <typename Key>
bool ReadTrack(GxContentReaderBase& r, GxNcKeyTrack<Key>& track)
{
    uint32_t count = 0;
    if (!r.ReadListBegin("", count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        Key key;
        if (!ReadKey(r, key)) return false;
        track.push_back(std::move(key));
    }
    if (!r.ReadListEnd()) return false;
    SortTrack(track);
    return true;
}

bool ReadLayer(GxContentReaderBase& r, GxNcLayer& l)
{
    r.ReadGxStringStdW("m_LayerName", l.m_LayerName);
    r.ReadGxStringStdW("m_EnumName", l.m_EnumName);
    r.ReadGxU32("m_LayerID", l.m_LayerID);
    r.ReadGxS32("m_LastTime", l.m_LastTime);
    r.ReadGxU32("m_LoopMode", l.m_LoopMode);
    r.ReadGxU32("m_LayerType", l.m_LayerType);
    r.ReadGxS32("m_AttachIndex", l.m_AttachIndex);
    r.ReadGxU32("m_VertexCount", l.m_VertexCount);
    r.ReadGxU32("m_EditLock", l.m_EditLock);
    r.ReadGxU32("m_EditVisible", l.m_EditVisible);
    r.ReadGxU32("m_LightEnable", l.m_LightEnable);
    r.ReadGxU32("m_AlphaTestEnable", l.m_AlphaTestEnable);
    r.ReadGxU32("m_ZWriteEnable", l.m_ZWriteEnable);
    r.ReadGxU32("m_ZTestEnable", l.m_ZTestEnable);
    // The stencil pair comes before m_ViewMode in the file.
    r.ReadGxU32("m_StencilMode", l.m_StencilMode);
    r.ReadGxU32("m_StencilTestEnable", l.m_StencilTestEnable);
    r.ReadGxU32("m_ViewMode", l.m_ViewMode);
    r.ReadGxU32("m_BlendMode", l.m_BlendMode);
    r.ReadGxU32("m_FilterMode", l.m_FilterMode);
    r.ReadGxU32("m_Selected", l.m_Selected);
    r.ReadGxU32("m_Expanded", l.m_Expanded);
    if (!Clean(r)) return false;
    return ReadTrack(r, l.m_ImageTrack) && ReadTrack(r, l.m_PositionTrack) && ReadTrack(r, l.m_ScaleTrack) &&
           ReadTrack(r, l.m_RotationTrack) && ReadTrack(r, l.m_CenterTrack) && ReadTrack(r, l.m_Scale2DTrack) &&
           ReadTrack(r, l.m_AlphaTrack) && ReadTrack(r, l.m_VisibleTrack) && ReadTrack(r, l.m_VertexOffsetTrack) &&
           ReadTrack(r, l.m_VertexColorTrack) && ReadTrack(r, l.m_UVOffsetTrack);
}

// The layer tree keeps the file's order. Read without recursion: a node's children follow its
// values, and after each stratum end the next code says whether a sibling follows or the chain
// is complete (and its parent's stratum end comes next).
bool ReadLayerTree(GxContentReaderBase& r, GxSimpleTree& tree)
{
    if (!r.ReadTreeBegin("m_LayerTree")) return false;
    GxSimpleNode* parent = nullptr;
    GxSimpleNode* prev = nullptr;
    bool more = r.GetNextValueType() == VALTYPE_TreeStratumBegin;
    while (more) {
        auto* node = new GxNcLayerNode;
        if (prev) {
            tree.InsertNext(prev, node, GXTREE_INSERT);
        } else if (parent) {
            tree.InsertChild(parent, node, GXTREE_INSERT);
        } else {
            tree.InsertTop(node, GXTREE_INSERT);
        }
        if (!r.ReadTreeStratumBegin()) return false;
        r.ReadGxStringStdW("m_LayerName", node->m_LayerName);
        r.ReadGxS32("m_LayerIndex", node->m_LayerIndex);
        if (!Clean(r)) return false;
        if (r.GetNextValueType() == VALTYPE_TreeStratumBegin) {
            parent = node;
            prev = nullptr;
            continue;
        }
        GxSimpleNode* done = node;
        for (;;) {
            if (!r.ReadTreeStratumEnd()) return false;
            if (r.GetNextValueType() == VALTYPE_TreeStratumBegin) {
                prev = done;
                parent = done->m_pParent;
                break;
            }
            if (!done->m_pParent) {
                more = false;
                break;
            }
            done = done->m_pParent;
        }
    }
    return r.ReadTreeEnd();
}

bool ReadMotion(GxContentReaderBase& r, GxNcMotion& m)
{
    r.ReadGxStringStdW("m_MotionName", m.m_MotionName);
    r.ReadGxStringStdW("m_EnumName", m.m_EnumName);
    r.ReadGxU32("m_MotionID", m.m_MotionID);
    r.ReadGxS32("m_TotalDuration", m.m_TotalDuration);
    r.ReadGxS32("m_StartTime", m.m_StartTime);
    r.ReadGxS32("m_PlayTime", m.m_PlayTime);
    r.ReadGxS32("m_EndTime", m.m_EndTime);
    if (!Clean(r)) return false;

    uint32_t count = 0;
    if (!r.ReadListBegin("m_LayerList", count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        m.m_LayerList.push_back(std::make_unique<GxNcLayer>());
        if (!ReadLayer(r, *m.m_LayerList.back())) return false;
    }
    if (!r.ReadListEnd()) return false;

    if (!ReadTrack(r, m.m_SoundTrack)) return false;
    for (auto& track : m.m_EventTracks)
        if (!ReadTrack(r, track)) return false;
    if (!ReadLayerTree(r, m.m_LayerTree)) return false;
    GxNcLinkLayerTree(m);
    return Clean(r);
}

bool ReadMotionGroup(GxContentReaderBase& r, GxNcMotionGroup& g)
{
    r.ReadGxStringStdW("m_MotionGroupName", g.m_MotionGroupName);
    r.ReadGxStringStdW("m_EnumName", g.m_EnumName);
    r.ReadGxU32("m_MotionGroupID", g.m_MotionGroupID);
    if (!Clean(r)) return false;
    uint32_t count = 0;
    if (!r.ReadListBegin("m_MotionList", count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        g.m_MotionList.push_back(std::make_unique<GxNcMotion>());
        if (!ReadMotion(r, *g.m_MotionList.back())) return false;
    }
    return r.ReadListEnd();
}

}  // namespace

// ---- GxNcProject ----

void GxNcProject::ClearProject()
{
    m_ProjectName.clear();
    m_IssuableMotionID = 200000000;
    m_IssuableLayerID = 100000000;
    m_IssuableMotionGroupID = 400000000;
    m_IssuableActorID = 500000000;
    m_IssuableStageID = 600000000;
    m_IssuableReserveID0 = 700000000;
    m_IssuableReserveID1 = 800000000;
    m_IssuableReserveID2 = 900000000;
    m_IssuableReserveID3 = 1000000000;
    m_MotionGroupList.clear();
    m_StageList.clear();
    m_ImageSetFileNameList.clear();
}

// ---- GxNcProjectEx ----

GxNcProjectEx::~GxNcProjectEx()
{
    ReleaseAll();
    ReleaseImageSets();
}

uint32_t GxNcProjectEx::Release()
{
    uint32_t count = GxObjectRefCountNotAutoDelete::Release();
    if (count == 0) {
        ReleaseImageSets();
        ClearProject();
        m_ProjectFolder.clear();
        m_ImageFolder.clear();
    }
    return count;
}

void GxNcProjectEx::ReleaseImageSets()
{
    if (m_HeldImageSets.empty()) return;
    GxNcCrammedImageSetFactory& factory = GxGetNcCrammedImageSetFactory();
    for (const std::u16string& name : m_HeldImageSets) factory.ReleaseByName(name);
    m_HeldImageSets.clear();
}

bool GxNcProjectEx::ReadFromBuffer(const GxBinBuffer& buffer)
{
    uint32_t version = 0;
    if (buffer.GetFirstByte() == 'T') {
        GxContentTextReader reader(buffer);
        return reader.ReadHeader("TNCPROJ", version) && Read(reader);
    }
    GxContentBinaryReader reader(buffer);
    return reader.ReadHeader("BNCPROJ", version) && Read(reader);
}

bool GxNcProjectEx::Read(GxContentReaderBase& r)
{
    ClearProject();
    if (!Clean(r)) return false;
    r.ReadGxStringStdW("m_ProjectName", m_ProjectName);
    r.ReadGxU32("m_IssuableMotionID", m_IssuableMotionID);
    r.ReadGxU32("m_IssuableLayerID", m_IssuableLayerID);
    r.ReadGxU32("m_IssuableMotionGroupID", m_IssuableMotionGroupID);
    r.ReadGxU32("m_IssuableActorID", m_IssuableActorID);
    r.ReadGxU32("m_IssuableStageID", m_IssuableStageID);
    r.ReadGxU32("m_IssuableReserveID0", m_IssuableReserveID0);
    r.ReadGxU32("m_IssuableReserveID1", m_IssuableReserveID1);
    r.ReadGxU32("m_IssuableReserveID2", m_IssuableReserveID2);
    r.ReadGxU32("m_IssuableReserveID3", m_IssuableReserveID3);
    if (!Clean(r)) return false;

    uint32_t count = 0;
    if (!r.ReadListBegin("m_MotionGroupList", count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        m_MotionGroupList.push_back(std::make_unique<GxNcMotionGroup>());
        if (!ReadMotionGroup(r, *m_MotionGroupList.back())) return false;
    }
    if (!r.ReadListEnd()) return false;

    // Stages carry no values: the count alone makes them, so the bytes that remain do not bound
    // it usefully. No editor makes more than a few; a huge count is damage.
    if (!r.ReadListBegin("m_StageList", count)) return false;
    if (count > kGxNcMaxStageCount) {
        GxPrintErrorLog(u"GxNcProjectEx::Read StageCount Too Large(%u)\n", count);
        return false;
    }
    m_StageList.resize(count);
    if (!r.ReadListEnd()) return false;

    if (!r.ReadListBegin("m_ImageSetFileNameList", count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        std::u16string name;
        if (!r.ReadGxStringStdW("m_FileName", name)) return false;
        m_ImageSetFileNameList.push_back(std::move(name));
    }
    if (!r.ReadListEnd()) return false;
    return Clean(r);
}

bool GxNcProjectEx::LoadProjectFile(std::u16string_view name, std::u16string_view imageFolder, bool loadTextures)
{
    Release();
    // An empty folder stays empty (the game folder), rather than becoming the root "/".
    m_ProjectFolder = GxToLower(GxAddPathSeparator(GxGetDirectory(name)));
    m_ImageFolder = GxToLower(GxAddPathSeparator(imageFolder));

    std::u16string fileName = GxChangeExtension(name, u".gnc");
    GxBinBuffer buffer;
    bool ok = GxFileLoadToBinBuffer(buffer, fileName, false, false);
    if (ok) {
        ok = ReadFromBuffer(buffer);
        if (!ok) GxPrintErrorLog(u"GxNcProjectEx::LoadProjectFile Broken File(%s)\n", fileName);
    }
    AddRef();
    if (!ok) {
        ClearProject();
        return false;
    }

    GxNcCrammedImageSetFactory& factory = GxGetNcCrammedImageSetFactory();
    for (std::u16string& setName : m_ImageSetFileNameList) {
        setName = m_ImageFolder + setName;
        if (factory.GetCrammedImageSet(setName, loadTextures)) m_HeldImageSets.push_back(setName);
    }
    LinkProjectReferences();
    return true;
}

void GxNcProjectEx::LinkProjectReferences()
{
    GxNcCrammedImageSetFactory& factory = GxGetNcCrammedImageSetFactory();
    for (const auto& group : m_MotionGroupList) {
        for (const auto& motion : group->m_MotionList) {
            for (const auto& layer : motion->m_LayerList) {
                for (GxNcImageKey& key : layer->m_ImageTrack) {
                    key.m_pOriginImage = nullptr;
                    if (!key.m_ImageSetName.empty() && !key.m_ImageFileName.empty()) {
                        GxNcCrammedImageSet* set = factory.Find(m_ImageFolder + key.m_ImageSetName);
                        if (set) key.m_pOriginImage = set->FindOriginImage(key.m_ImageFileName);
                        if (!key.m_pOriginImage) {
                            GxPrintSlightErrorLog(
                                u"画像が存在しません MotionGroup:%s Motion:%s Layer:%s Time:%d -> ImageSet:%s File:%s\n",
                                group->m_MotionGroupName, motion->m_MotionName, layer->m_LayerName, key.m_Time,
                                key.m_ImageSetName, key.m_ImageFileName);
                        }
                    }
                    key.m_pMotion = nullptr;
                    if (!key.m_MotionGroupName.empty()) {
                        key.m_pMotion = GxNcFindMotionByName(this, key.m_MotionGroupName, key.m_MotionName);
                        if (!key.m_pMotion) {
                            GxPrintSlightErrorLog(u"KeyFrameが存在しないモーションを参照しています MotionGroup:%s "
                                                  u"Motion:%s Layer:%s Time:%d -> MotionGroup:%s Motion:%s\n",
                                                  group->m_MotionGroupName, motion->m_MotionName, layer->m_LayerName,
                                                  key.m_Time, key.m_MotionGroupName, key.m_MotionName);
                        }
                    }
                }
            }
        }
    }
}

// ---- lookups ----

GxNcMotionGroup* GxNcFindMotionGroup(const GxNcProject* project, std::u16string_view groupName)
{
    if (!project) return nullptr;
    for (const auto& group : project->m_MotionGroupList)
        if (group->m_MotionGroupName == groupName) return group.get();
    return nullptr;
}

GxNcMotion* GxNcFindMotion(const GxNcMotionGroup* group, std::u16string_view motionName)
{
    if (!group) return nullptr;
    for (const auto& motion : group->m_MotionList)
        if (motion->m_MotionName == motionName) return motion.get();
    return nullptr;
}

GxNcMotion* GxNcFindMotionByName(const GxNcProject* project, std::u16string_view groupName,
                                 std::u16string_view motionName)
{
    return GxNcFindMotion(GxNcFindMotionGroup(project, groupName), motionName);
}

int32_t GxNcFindLayerIndexByName(std::u16string_view name, const GxNcMotion* motion, GxNcLayer** layer)
{
    if (layer) *layer = nullptr;
    if (!motion) return -1;
    for (size_t i = 0; i < motion->m_LayerList.size(); ++i) {
        if (motion->m_LayerList[i]->m_LayerName == name) {
            if (layer) *layer = motion->m_LayerList[i].get();
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

void GxNcLinkLayerTree(GxNcMotion& motion)
{
    // Depth first (node, its children, its next sibling), walking the links without recursion.
    GxNcLayerNode* node = motion.GetTreeTop();
    while (node) {
        node->m_LayerIndex = GxNcFindLayerIndexByName(node->m_LayerName, &motion, &node->m_pLayer);
        if (node->m_LayerIndex < 0) GxPrintErrorLog(u"LayerNotFound:%s\n", node->m_LayerName);
        if (node->Child()) {
            node = node->Child();
            continue;
        }
        while (node && !node->Next()) node = node->Parent();
        if (node) node = node->Next();
    }
}
