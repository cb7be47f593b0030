// Nc motion projects (".gnc"): motion groups of motions, each a list of layers with key-frame
// tracks, a sound track, four event tracks and a layer tree, read from either form of the
// content stream and linked by name (tree nodes to layers, image keys to source images of
// image sets, motion references to motions).
//
// Stored form (tags "TNCPROJ" / "BNCPROJ"), in this order:
//   m_ProjectName; nine U32 m_Issuable*ID counters
//   list m_MotionGroupList: m_MotionGroupName, m_EnumName, m_MotionGroupID,
//     list m_MotionList: m_MotionName, m_EnumName, m_MotionID, m_TotalDuration, m_StartTime,
//       m_PlayTime, m_EndTime,
//       list m_LayerList: 21 layer fields (see ReadLayer), then eleven unnamed key lists,
//       the unnamed sound-key list, four unnamed event-key lists,
//       tree m_LayerTree of strata { m_LayerName, m_LayerIndex, child strata }
//   list m_StageList (elements carry no values)
//   list m_ImageSetFileNameList: m_FileName
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxBinBuffer.h"
#include "core/GxMath.h"
#include "core/GxSimpleTree.h"
#include "layer/GxNcFactory.h"

class GxContentReaderBase;
class GxContentWriterBase;
struct GxNcOriginImage;
class GxNcCrammedImageSet;
class GxNcMotion;

// ---- keys (every kind starts with m_Time, in the motion's time unit) ----

struct GxNcImageKey
{
    int32_t m_Time = 0;
    std::u16string m_ImageSetName;
    std::u16string m_ImageFileName;
    std::u16string m_MotionGroupName;
    std::u16string m_MotionName;
    int32_t m_PatternIndex = 0;
    int32_t m_Width = 0;
    int32_t m_Height = 0;
    int32_t m_OffsetFrame = 0;
    uint32_t m_LoopMode = 1;
    uint32_t m_InterMode = 0;
    float m_InterParam0 = 0.0f;
    float m_InterParam1 = 0.0f;
    uint32_t m_Selected = 0;
    // Linked after loading; not stored.
    GxNcOriginImage* m_pOriginImage = nullptr;
    GxNcMotion* m_pMotion = nullptr;
};

struct GxNcVector4Key
{
    int32_t m_Time = 0;
    GxVector4 m_Value;
    uint32_t m_InterMode = 1;
    float m_InterParam0 = 0.0f;
    float m_InterParam1 = 0.0f;
    uint32_t m_Selected = 0;
};

struct GxNcVector2Key
{
    int32_t m_Time = 0;
    GxVector2 m_Value;
    uint32_t m_InterMode = 1;
    float m_InterParam0 = 0.0f;
    float m_InterParam1 = 0.0f;
    uint32_t m_Selected = 0;
};

struct GxNcFloatKey
{
    int32_t m_Time = 0;
    float m_Value = 0.0f;
    uint32_t m_InterMode = 1;
    float m_InterParam0 = 0.0f;
    float m_InterParam1 = 0.0f;
    uint32_t m_Selected = 0;
};

struct GxNcUIntKey
{
    int32_t m_Time = 0;
    uint32_t m_Value = 0;
    uint32_t m_InterMode = 0;
    float m_InterParam0 = 0.0f;
    float m_InterParam1 = 0.0f;
    uint32_t m_Selected = 0;
};

// Five vertices: the four corners (top left, bottom left, bottom right, top right) and the centre.
constexpr int kGxNcVertexCount = 5;

struct GxNcVertexKey
{
    int32_t m_Time = 0;
    GxVector4 m_Value[kGxNcVertexCount];
    uint32_t m_InterMode = 1;
    float m_InterParam0 = 0.0f;
    float m_InterParam1 = 0.0f;
    uint32_t m_Selected = 0;
    uint32_t m_SelectedLocalFlags = 0;
};

struct GxNcSoundKey
{
    int32_t m_Time = 0;
    std::u16string m_SoundName;
    uint32_t m_InterMode = 0;
    uint32_t m_Selected = 0;
};

struct GxNcEventKey
{
    int32_t m_Time = 0;
    int32_t m_EventID = 0;
    uint32_t m_AfterCallFlag = 0;
    std::u16string m_Param;
    uint32_t m_InterMode = 0;
    float m_InterParam0 = 0.0f;
    float m_InterParam1 = 0.0f;
    uint32_t m_Selected = 0;
};

// Keys of one kind, in ascending m_Time (put in that order at load; equal times keep the
// file's order).
template <typename Key>
using GxNcKeyTrack = std::vector<Key>;

constexpr int kGxNcEventTrackCount = 4;

struct GxNcLayer
{
    std::u16string m_LayerName;
    std::u16string m_EnumName;
    uint32_t m_LayerID = 0;
    int32_t m_LastTime = 0;     // own loop length for loop mode 2
    uint32_t m_LoopMode = 0;    // 0 none, 2 over m_LastTime, else over the motion's length
    uint32_t m_LayerType = 0;   // 1 and 2 are never drawn
    int32_t m_AttachIndex = 0;
    uint32_t m_VertexCount = 0;
    uint32_t m_EditLock = 0;
    uint32_t m_EditVisible = 0;  // 0: not drawn
    uint32_t m_LightEnable = 0;
    uint32_t m_AlphaTestEnable = 0;
    uint32_t m_ZWriteEnable = 0;
    uint32_t m_ZTestEnable = 0;
    uint32_t m_ViewMode = 0;
    uint32_t m_BlendMode = 0;   // blend preset; 0 = the parent's
    uint32_t m_FilterMode = 0;  // texture filter
    uint32_t m_StencilMode = 0;
    uint32_t m_StencilTestEnable = 0;
    uint32_t m_Selected = 0;
    uint32_t m_Expanded = 0;

    GxNcKeyTrack<GxNcImageKey> m_ImageTrack;
    GxNcKeyTrack<GxNcVector4Key> m_PositionTrack;
    GxNcKeyTrack<GxNcVector4Key> m_ScaleTrack;
    GxNcKeyTrack<GxNcVector4Key> m_RotationTrack;  // degrees
    GxNcKeyTrack<GxNcVector4Key> m_CenterTrack;
    GxNcKeyTrack<GxNcVector2Key> m_Scale2DTrack;
    GxNcKeyTrack<GxNcFloatKey> m_AlphaTrack;
    GxNcKeyTrack<GxNcUIntKey> m_VisibleTrack;
    GxNcKeyTrack<GxNcVertexKey> m_VertexOffsetTrack;
    GxNcKeyTrack<GxNcVertexKey> m_VertexColorTrack;
    GxNcKeyTrack<GxNcVector2Key> m_UVOffsetTrack;
};

class GxNcLayerNode : public GxSimpleNode
{
public:
    GxNcLayerNode* Parent() const { return static_cast<GxNcLayerNode*>(m_pParent); }
    GxNcLayerNode* Next() const { return static_cast<GxNcLayerNode*>(m_pNext); }
    GxNcLayerNode* Child() const { return static_cast<GxNcLayerNode*>(m_pChild); }

    std::u16string m_LayerName;
    int32_t m_LayerIndex = -1;  // replaced at link time; -1 when no layer has the name
    GxNcLayer* m_pLayer = nullptr;
};

class GxNcMotion
{
public:
    GxNcMotion() = default;
    GxNcMotion(const GxNcMotion&) = delete;
    GxNcMotion& operator=(const GxNcMotion&) = delete;

    GxNcLayerNode* GetTreeTop() const { return static_cast<GxNcLayerNode*>(m_LayerTree.GetTop()); }
    int32_t GetLayerCount() const { return static_cast<int32_t>(m_LayerList.size()); }

    std::u16string m_MotionName;
    std::u16string m_EnumName;
    uint32_t m_MotionID = 0;
    int32_t m_TotalDuration = 0;
    int32_t m_StartTime = 0;
    int32_t m_PlayTime = 0;
    int32_t m_EndTime = 0;  // loop length
    std::vector<std::unique_ptr<GxNcLayer>> m_LayerList;
    GxSimpleTree m_LayerTree;  // of GxNcLayerNode
    GxNcKeyTrack<GxNcSoundKey> m_SoundTrack;
    GxNcKeyTrack<GxNcEventKey> m_EventTracks[kGxNcEventTrackCount];
};

class GxNcMotionGroup
{
public:
    std::u16string m_MotionGroupName;
    std::u16string m_EnumName;
    uint32_t m_MotionGroupID = 0;
    std::vector<std::unique_ptr<GxNcMotion>> m_MotionList;
};

// The editor's stages; kept, never used by the engine. Their list elements hold no values, so
// their count is bounded by this instead of by the bytes of the file.
constexpr uint32_t kGxNcMaxStageCount = 65536;
struct GxNcStage
{
    std::u16string m_StageName;
    std::u16string m_EnumName;
    uint32_t m_StageID = 0;
    uint32_t m_Reserved = 0;
    std::vector<std::u16string> m_ActorList;
    GxNcKeyTrack<GxNcSoundKey> m_SoundTrack;
    GxNcKeyTrack<GxNcEventKey> m_EventTracks[kGxNcEventTrackCount];
    GxNcKeyTrack<GxNcVector4Key> m_ExtraTracks[3];
};

class GxNcProject
{
public:
    GxNcProject() = default;
    virtual ~GxNcProject() = default;
    GxNcProject(const GxNcProject&) = delete;
    GxNcProject& operator=(const GxNcProject&) = delete;

    // Back to a new project: no groups, stages or image sets, the counters at their start
    // values.
    void ClearProject();

    std::u16string m_ProjectName;
    uint32_t m_IssuableMotionID = 200000000;
    uint32_t m_IssuableLayerID = 100000000;
    uint32_t m_IssuableMotionGroupID = 400000000;
    uint32_t m_IssuableActorID = 500000000;
    uint32_t m_IssuableStageID = 600000000;
    uint32_t m_IssuableReserveID0 = 700000000;
    uint32_t m_IssuableReserveID1 = 800000000;
    uint32_t m_IssuableReserveID2 = 900000000;
    uint32_t m_IssuableReserveID3 = 1000000000;
    std::vector<std::unique_ptr<GxNcMotionGroup>> m_MotionGroupList;
    std::vector<GxNcStage> m_StageList;
    // Image-set file names as stored; full names (image folder + name) once loaded.
    std::vector<std::u16string> m_ImageSetFileNameList;
};

// A loaded project, shared through GxNcProjectFactory.
class GxNcProjectEx : public GxNcProject, public GxObjectRefCountNotAutoDelete
{
public:
    GxNcProjectEx() = default;
    ~GxNcProjectEx() override;

    // At 0 the project gives back its image sets and is emptied; only the factory deletes it.
    uint32_t Release() override;

    // Reads "<name with extension .gnc>", takes one reference on each listed image set (under
    // the image folder) and links names. False when the file is missing or damaged; the
    // reference count is 1 afterwards in both cases.
    bool LoadProjectFile(std::u16string_view name, std::u16string_view imageFolder, bool loadTextures);
    // Reads a whole stream (text form when the first byte is 'T') into this empty project, puts
    // every track in time order and links each motion's layer tree; false on a wrong header or
    // any reading error.
    bool ReadFromBuffer(const GxBinBuffer& buffer);
    bool Read(GxContentReaderBase& reader);
    // Links image keys to source images and motion references to motions.
    void LinkProjectReferences();

    const std::u16string& GetProjectFolder() const { return m_ProjectFolder; }
    const std::u16string& GetImageFolder() const { return m_ImageFolder; }

private:
    void ReleaseImageSets();

    std::u16string m_ProjectFolder;  // lower case, ends in "/"
    std::u16string m_ImageFolder;    // lower case, ends in "/"
    // The sets this project holds a reference on, by full name (a set that failed to load is
    // not held, so it is not given back either).
    std::vector<std::u16string> m_HeldImageSets;
};

// ---- lookups (exact, case-sensitive, first match) ----
GxNcMotionGroup* GxNcFindMotionGroup(const GxNcProject* project, std::u16string_view groupName);
GxNcMotion* GxNcFindMotion(const GxNcMotionGroup* group, std::u16string_view motionName);
GxNcMotion* GxNcFindMotionByName(const GxNcProject* project, std::u16string_view groupName,
                                 std::u16string_view motionName);
// Index of the first layer of the motion with the name (and the layer), or -1 and null.
int32_t GxNcFindLayerIndexByName(std::u16string_view name, const GxNcMotion* motion, GxNcLayer** layer);
// Links every node of the motion's tree to its layer by name; unknown names are logged.
void GxNcLinkLayerTree(GxNcMotion& motion);
