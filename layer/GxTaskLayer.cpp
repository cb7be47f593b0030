#include "layer/GxTaskLayer.h"

#include <cmath>
#include <limits>
#include <typeinfo>

#include "app/GxCore.h"
#include "app/task/GxRenderLayer.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxDrawKey.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxRandom.h"
#include "core/GxString.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"
#include "core/GxInterpolate.h"
#include "layer/GxNcProject.h"
#include "media/GxMovie.h"
#include "media/GxTextureMovie.h"

namespace {

constexpr int32_t kLayerTaskType = 1;
constexpr int32_t kLayerRenderLayer = GxRenderLayer::Main;
constexpr int32_t kLayerRenderMode = GxRenderOrder::Ascending;  // ascending by key, after equal keys
constexpr int32_t kMotionNestingDepth = 4;
// The glyph atlas the file-name label is written with.
constexpr int kLabelFontMap = 1;

float ScreenWidth() { return static_cast<float>(GxGetGraphicsSettings().logicalScreenWidth); }
float ScreenHeight() { return static_cast<float>(GxGetGraphicsSettings().logicalScreenHeight); }

// Times come from saved games too: counting down never wraps around.
int32_t SubtractMilliseconds(int32_t left, int32_t e)
{
    const int64_t v = static_cast<int64_t>(left) - e;
    return v < std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::min() : static_cast<int32_t>(v);
}

int32_t IncrementFrame(int32_t frame) { return static_cast<int32_t>(static_cast<uint32_t>(frame) + 1u); }

bool SizeFits(int32_t width, int32_t height)
{
    return width > 0 && height > 0 && width <= kGxLayerContentMaxSide && height <= kGxLayerContentMaxSide;
}

bool IsMovie(const GxLayerContent& c) { return c.m_ContentType == CONTENTTYPE_MOVIE && c.m_pTexture; }

}  // namespace

GxLocalTransitFactors GxGetLocalTransitFactors(int32_t mode, float p)
{
    GxLocalTransitFactors f;
    switch (mode) {
    case LOCALTRANSIT_SINE:
        f.m_Old = GxInterpolateSineEase(p, -1.0f, 1.0f, 0.0f);
        f.m_Current = GxInterpolateSineEase(p, 1.0f, 0.0f, 1.0f);
        break;
    case LOCALTRANSIT_MIXED:
        f.m_Old = 0.75f * GxInterpolateSineEase(p, -1.0f, 1.0f, 0.0f) + 0.25f * (1.0f - p);
        f.m_Current = 0.75f * GxInterpolateSineEase(p, 1.0f, 0.0f, 1.0f) + 0.25f * p;
        break;
    case LOCALTRANSIT_SEQUENTIAL:
        f.m_Old = p < 0.5f ? 1.0f - 2.0f * p : 0.0f;
        f.m_Current = p < 0.5f ? 0.0f : 2.0f * p - 1.0f;
        break;
    default:
        f.m_Old = 1.0f - p;
        f.m_Current = p;
        break;
    }
    return f;
}

GxTaskLayer::GxTaskLayer(const char16_t* taskName, const char16_t* localName, int32_t localIndex,
                         GxTaskBase* parent)
    : GxTaskActor(taskName, localName, localIndex, parent)
{
    m_ActionPause = false;
    SetTaskType(kLayerTaskType);
    AddKindFlags(GxTaskKind::Layer);
}

GxTaskLayer::~GxTaskLayer() = default;

// ---- loading ----

GxLayerContent& GxTaskLayer::BeginLoad()
{
    FinishAction();
    m_IndexPos ^= 1;
    return m_Content[m_IndexPos];
}

void GxTaskLayer::EndLoad(int32_t time)
{
    if (time > 0) {
        m_LocalTransit.Start(time);
    } else {
        m_LocalTransit = GxTransitParam();
        m_Content[m_IndexPos ^ 1].Reset();
    }
}

bool GxTaskLayer::LoadMotion(std::u16string_view file, std::u16string_view imageSetName,
                             std::u16string_view motionGroupName, std::u16string_view motionName, int32_t startFrame,
                             int32_t time)
{
    GxLayerContent& c = BeginLoad();
    // The new reference is taken before the record lets go of its old one, so showing the same
    // project again does not read it again.
    GxNcProjectEx* project = GxGetNcProjectFactory().Get(file, imageSetName, true);
    c.Reset();
    const GxNcMotionGroup* group = nullptr;
    if (project) {
        if (motionGroupName.empty()) {
            if (!project->m_MotionGroupList.empty()) group = project->m_MotionGroupList.front().get();
        } else {
            group = GxNcFindMotionGroup(project, motionGroupName);
        }
    }
    // A motion that is not in the group would show nothing: that is a failed load too.
    const bool found = group && GxNcFindMotion(group, motionName);
    bool ok = false;
    if (found) {
        c.m_ContentType = CONTENTTYPE_NCMOTION;
        c.m_pProject = project;
        c.m_ContentFileName.assign(file);
        c.m_ImageName.assign(imageSetName);
        // The group actually shown is kept, so that every update and a reload find it by name.
        c.m_MotionGroupName = group->m_MotionGroupName;
        c.m_MotionName.assign(motionName);
        c.m_FrameCount = startFrame;
        ok = true;
    } else if (project) {
        GxGetNcProjectFactory().Release(project);
    }
    EndLoad(time);
    return ok;
}

bool GxTaskLayer::LoadImageSetImage(std::u16string_view setFile, std::u16string_view imageName,
                                    int32_t patternIndex, int32_t time)
{
    GxLayerContent& c = BeginLoad();
    GxNcCrammedImageSet* set = GxGetNcCrammedImageSetFactory().GetCrammedImageSet(setFile, true);
    c.Reset();
    const std::u16string lowerName = GxToLower(imageName);
    GxNcOriginImage* image = set ? set->FindOriginImage(lowerName) : nullptr;
    bool ok = false;
    if (image) {
        c.m_ContentType = CONTENTTYPE_IMAGESET;
        c.m_pImageSet = set;
        c.m_ContentFileName.assign(setFile);
        c.m_ImageName = lowerName;
        c.m_PatternIndex = patternIndex;
        c.m_pImage = image;
        if (patternIndex >= 0 && static_cast<size_t>(patternIndex) < image->m_PatternArray.size()) {
            c.m_Width = image->m_PatternArray[static_cast<size_t>(patternIndex)].m_Width;
            c.m_Height = image->m_PatternArray[static_cast<size_t>(patternIndex)].m_Height;
        }
        ok = true;
    } else if (set) {
        GxGetNcCrammedImageSetFactory().Release(set);
    }
    EndLoad(time);
    return ok;
}

bool GxTaskLayer::LoadImage(std::u16string_view file, int32_t time)
{
    GxLayerContent& c = BeginLoad();
    c.Reset();
    const bool found = !file.empty() && GxFileExists(file) != 0;
    const std::u16string source = found ? std::u16string(file) : GxGetLayerContentEnv(GxGetCore()).m_ErrorPicture;
    m_ShowFileNameLabel = !found;
    auto texture = std::make_unique<GxTextureFlex>();
    const bool ok = !source.empty() && texture->CreateFromFile(source, GXFMT_UNKNOWN, 0);
    if (ok) {
        c.m_ContentType = CONTENTTYPE_FLEXTEXTURE;
        c.m_Width = static_cast<int32_t>(texture->GetImageWidth());
        c.m_Height = static_cast<int32_t>(texture->GetImageHeight());
        c.m_pTextureFlex = std::move(texture);
    }
    // The name is kept even when nothing loaded: the label shows it.
    c.m_ContentFileName.assign(file);
    EndLoad(time);
    return ok;
}

bool GxTaskLayer::LoadSolidColor(uint32_t argb, int32_t time)
{
    GxLayerContent& c = BeginLoad();
    c.Reset();
    c.m_ContentType = CONTENTTYPE_SOLIDCOLOR;
    c.m_SolidColor = GxFColor(static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                              static_cast<float>((argb >> 8) & 0xFF) / 255.0f, static_cast<float>(argb & 0xFF) / 255.0f,
                              static_cast<float>(argb >> 24) / 255.0f);
    c.m_Width = static_cast<int32_t>(GxGetGraphicsSettings().logicalScreenWidth);
    c.m_Height = static_cast<int32_t>(GxGetGraphicsSettings().logicalScreenHeight);
    EndLoad(time);
    return true;
}

bool GxTaskLayer::LoadMovie(std::u16string_view file, int32_t width, int32_t height, int32_t loopCount,
                            double loopStart, int32_t volume, bool autoDisappear, int32_t time)
{
    GxLayerContent& c = BeginLoad();
    // Resetting first closes the slot this record plays in, before it is opened again below.
    c.Reset();
    bool ok = false;
    auto texture = std::make_unique<GxTextureMovie>();
    if (!SizeFits(width, height)) {
        GxPrintErrorLog(u"Error/GxTaskLayer LoadMovie Size(%d,%d %s)\n", width, height, file);
    } else if (texture->CreateMovieTexture(file, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                                           GXFMT_A8R8G8B8, 0, 0)) {
        c.m_ContentType = CONTENTTYPE_MOVIE;
        c.m_MyChannel = static_cast<uint32_t>(m_IndexPos) + 1u;
        c.m_ContentFileName.assign(file);
        c.m_Width = width;
        c.m_Height = height;
        c.m_LoopCount = static_cast<int32_t>(static_cast<uint32_t>(loopCount) - 1u);
        c.m_LoopStartPos = loopStart;
        c.m_MovieAutoDisappear = autoDisappear;
        GxTextureMovie* movie = texture.get();
        c.m_pTexture = std::move(texture);
        ok = true;
        if (autoDisappear) {
            ok = GxMovie::Open(c.m_MyChannel, c.m_ContentFileName, movie, 1, 0);
            if (ok) {
                GxMovie::SetLoopStart(c.m_MyChannel, c.m_LoopStartPos);
                GxMovie::Play(c.m_MyChannel, c.m_LoopCount, volume);
            } else {
                c.Reset();
            }
        }
    }
    EndLoad(time);
    return ok;
}

bool GxTaskLayer::LoadTexture(int32_t width, int32_t height, int32_t time)
{
    GxLayerContent& c = BeginLoad();
    c.Reset();
    bool ok = false;
    if (!SizeFits(width, height)) {
        GxPrintErrorLog(u"Error/GxTaskLayer LoadTexture Size(%d,%d)\n", width, height);
    } else {
        auto texture = std::make_unique<GxTexture>();
        if (texture->CreateTexture(u"", static_cast<uint32_t>(width), static_cast<uint32_t>(height), GXFMT_A8R8G8B8,
                                   1)) {
            c.m_ContentType = CONTENTTYPE_TEXTURE;
            c.m_Width = width;
            c.m_Height = height;
            c.m_pTexture = std::move(texture);
            ok = true;
        }
    }
    EndLoad(time);
    return ok;
}

bool GxTaskLayer::LoadTextureFile(std::u16string_view file, int32_t time)
{
    GxLayerContent& c = BeginLoad();
    c.Reset();
    auto texture = std::make_unique<GxTexture>();
    const bool ok = texture->CreateFromFile(file, GXFMT_UNKNOWN, 1, 0, false);
    if (ok) {
        c.m_ContentType = CONTENTTYPE_TEXTUREFILE;
        c.m_ContentFileName.assign(file);
        c.m_Width = static_cast<int32_t>(texture->GetImageWidth());
        c.m_Height = static_cast<int32_t>(texture->GetImageHeight());
        c.m_pTexture = std::move(texture);
    }
    EndLoad(time);
    return ok;
}

bool GxTaskLayer::LoadMultiTextureFile(const std::vector<std::u16string>& files, int32_t time)
{
    if (files.empty()) {
        GxPrintErrorLog(u"GxTaskLayer:読み込むファイルが指定されていません\n");
        return false;
    }
    GxLayerContent& c = BeginLoad();
    c.Reset();
    auto texture = std::make_unique<GxTexture>();
    const bool ok = texture->CreateFromFileMultiBlend(files.front(), files, GXFMT_UNKNOWN, 1);
    if (ok) {
        c.m_ContentType = CONTENTTYPE_TEXTUREFILE;
        c.m_MultiContentFileName = files;
        c.m_Width = static_cast<int32_t>(texture->GetImageWidth());
        c.m_Height = static_cast<int32_t>(texture->GetImageHeight());
        c.m_pTexture = std::move(texture);
    }
    EndLoad(time);
    return ok;
}

bool GxTaskLayer::StartLocalTransit(int32_t time)
{
    BeginLoad().Reset();
    EndLoad(time);
    return true;
}

bool GxTaskLayer::EndLocalTransit()
{
    if (!m_LocalTransit.Stop()) return false;
    m_Content[m_IndexPos ^ 1].Reset();
    return true;
}

bool GxTaskLayer::LoadSubLayer(std::u16string_view file, int32_t index)
{
    GxSubLayerContent* sub = index >= 0 ? m_Content[m_IndexPos].GetSubLayer(static_cast<uint32_t>(index)) : nullptr;
    if (!sub) {
        GxPrintErrorLog(u"GxTaskLayer:サブレイヤーに読み込めません。インデックスを超えている可能性があります:%s index:%d\n",
                        file, index);
        return false;
    }
    return sub->Load(file);
}

void GxTaskLayer::Clear()
{
    StopShake();
    m_ActionPause = false;
    m_MovieAutoDisappearTime = 0;
    m_ShowFileNameLabel = false;
    m_LocalTransitMode = LOCALTRANSIT_SINE;
    // A cleared layer has nothing to fade from: a fade left running would draw nothing for its
    // remaining time and then reset an already empty record.
    m_LocalTransit = GxTransitParam();
    m_Content[0].Reset();
    m_Content[1].Reset();
}

// ---- movies ----

void GxTaskLayer::StopMovie()
{
    const GxLayerContent& c = m_Content[m_IndexPos];
    if (c.m_ContentType == CONTENTTYPE_MOVIE) GxMovie::Stop(c.m_MyChannel);
}

bool GxTaskLayer::PlayMovie(int32_t volume)
{
    GxLayerContent& c = m_Content[m_IndexPos];
    if (!IsMovie(c)) return false;
    if (!GxMovie::Open(c.m_MyChannel, c.m_ContentFileName, static_cast<GxTextureMovie*>(c.m_pTexture.get()), 1, 0))
        return false;
    GxMovie::SetLoopStart(c.m_MyChannel, c.m_LoopStartPos);
    GxMovie::Play(c.m_MyChannel, c.m_LoopCount, volume);
    return true;
}

uint32_t GxTaskLayer::GetMoviePlayer() const
{
    const GxLayerContent& c = m_Content[m_IndexPos];
    return c.m_ContentType == CONTENTTYPE_MOVIE ? c.m_MyChannel : 0u;
}

bool GxTaskLayer::IsMoviePlaying() const
{
    const GxLayerContent& c = m_Content[m_IndexPos];
    return IsMovie(c) && GxMovie::IsPlaying(c.m_MyChannel);
}

double GxTaskLayer::GetMovieCurrentTime() const
{
    const GxLayerContent& c = m_Content[m_IndexPos];
    return IsMovie(c) ? GxMovie::GetPosition(c.m_MyChannel) : 0.0;
}

// ---- shake, size, placement ----

void GxTaskLayer::StartShake(const GxVector3& amplitude, int32_t time)
{
    m_Shake = true;
    m_ShakeAmplitude = amplitude;
    m_ShakeTimeLeft = time;
    m_ShakeTimeTotal = time;
}

void GxTaskLayer::StopShake()
{
    m_Shake = false;
    m_ShakeAmplitude.x = m_ShakeAmplitude.y = m_ShakeAmplitude.z = 0.0f;
    m_Visual.m_ShakeOffsetPos.x = m_Visual.m_ShakeOffsetPos.y = 0.0f;
    m_ShakeTimeLeft = 0;
    m_ShakeTimeTotal = 0;
}

// The picture's own size, not the texture's rounded-up one, so that a picture centres by what it
// shows.
void GxTaskLayer::GetPictureSize(uint32_t* width, uint32_t* height) const
{
    const GxLayerContent& c = m_Content[m_IndexPos];
    *width = *height = 0;
    if (c.m_ContentType == CONTENTTYPE_FLEXTEXTURE && c.m_pTextureFlex) {
        *width = c.m_pTextureFlex->GetImageWidth();
        *height = c.m_pTextureFlex->GetImageHeight();
    } else if ((c.m_ContentType == CONTENTTYPE_MOVIE || c.m_ContentType == CONTENTTYPE_TEXTUREFILE) && c.m_pTexture) {
        *width = c.m_pTexture->GetImageWidth();
        *height = c.m_pTexture->GetImageHeight();
    }
}

int32_t GxTaskLayer::GetWidth() const
{
    uint32_t w, h;
    GetPictureSize(&w, &h);
    return static_cast<int32_t>(w);
}

int32_t GxTaskLayer::GetHeight() const
{
    uint32_t w, h;
    GetPictureSize(&w, &h);
    return static_cast<int32_t>(h);
}

void GxTaskLayer::CenterOnScreen()
{
    SetPos(GxVector3(std::trunc((ScreenWidth() - static_cast<float>(GetWidth())) * 0.5f),
                     std::trunc((ScreenHeight() - static_cast<float>(GetHeight())) * 0.5f), 0.0f));
}

// ---- per frame ----

void GxTaskLayer::UpdateContent(GxLayerContent& c)
{
    if (c.m_ContentType != CONTENTTYPE_NCMOTION) {
        c.m_MatWorld = GetWorldMatrix();
        return;
    }
    if (!c.m_pProject) return;
    const GxNcMotion* motion = GxNcFindMotionByName(c.m_pProject, c.m_MotionGroupName, c.m_MotionName);
    if (!motion) return;
    // Motions are placed with their origin at the screen centre.
    GxVector3 pos = GetAbsolutePos();
    pos.x += ScreenWidth() * 0.5f;
    pos.y += ScreenHeight() * 0.5f;
    c.m_MatWorld.SetWorld(GetScale(), pos, GxDegreesToRadians(m_Visual.m_Rot), GetCenterPos());
    const int32_t length = motion->m_EndTime;
    const int32_t frame = length > 0 ? c.m_FrameCount % length : 0;
    c.m_SnapShot.Create(this, motion, frame, GxVector4(), &c.m_MatWorld, 1.0f, GxFColor(1.0f, 1.0f, 1.0f, 1.0f),
                        kMotionNestingDepth, nullptr);
}

int GxTaskLayer::Update(int32_t /*step*/, int64_t elapsed)
{
    GxLayerContent& current = m_Content[m_IndexPos];
    if (current.m_ContentType == CONTENTTYPE_MOVIE && !m_LocalTransit.m_Transit && current.m_MovieAutoDisappear &&
        !IsMoviePlaying())
        StartLocalTransit(m_MovieAutoDisappearTime);

    if (m_LocalTransit.m_Transit) UpdateContent(m_Content[m_IndexPos ^ 1]);
    UpdateContent(m_Content[m_IndexPos]);

    const int32_t e = ElapsedToMilliseconds(elapsed);
    UpdateAction(e);

    if (m_Shake) {
        const auto offset = [](float amplitude) {
            const double v = (static_cast<double>(GxRand()) / 32767.0 - 0.5) * 2.0;
            const double f = (v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0)) * v * v;
            return static_cast<float>(std::trunc(static_cast<double>(amplitude) * f));
        };
        m_Visual.m_ShakeOffsetPos.x = offset(m_ShakeAmplitude.x);
        m_Visual.m_ShakeOffsetPos.y = offset(m_ShakeAmplitude.y);
        if (m_ShakeTimeTotal >= 0) {
            m_ShakeTimeLeft = SubtractMilliseconds(m_ShakeTimeLeft, e);
            if (m_ShakeTimeLeft <= 0) StopShake();
        }
    }

    m_Content[0].m_FrameCount = IncrementFrame(m_Content[0].m_FrameCount);
    m_Content[1].m_FrameCount = IncrementFrame(m_Content[1].m_FrameCount);

    if (m_LocalTransit.m_Transit) {
        m_LocalTransit.m_TransitTimeLeft = SubtractMilliseconds(m_LocalTransit.m_TransitTimeLeft, e);
        if (m_LocalTransit.m_TransitTimeLeft <= 0) EndLocalTransit();
    }

    IncUpdateCount();
    return 0;
}

int GxTaskLayer::Render(int32_t /*step*/, int64_t /*elapsed*/)
{
    RegisterRenderLayer(kLayerRenderLayer, kLayerRenderMode, m_Visual.m_OrderZ, 0);
    return 0;
}

void GxTaskLayer::DrawContent(GxLayerContent& c, float factor)
{
    const GxActorVisualParam& v = m_Visual;
    const float a = v.m_Color0.a * factor * static_cast<float>(v.m_Alpha) / 255.0f;
    if (!(a > 0.0f)) return;
    const GxFColor diffuseF(v.m_Color0.r, v.m_Color0.g, v.m_Color0.b, a);
    const GxColor diffuse = GxPackColorArgb(diffuseF);
    const GxColor specular = GxPackColorArgb(v.m_Color1);
    const int32_t blend = v.m_BlendMode;
    const GxVector2 scale(v.m_Scale.x, v.m_Scale.y);
    const GxVector3 rotation = GxDegreesToRadians(v.m_Rot);
    const auto pivotFor = [&](int32_t w, int32_t h) {
        return GxVector2(w != 0 ? v.m_CenterPos.x / static_cast<float>(w) : 0.0f,
                         h != 0 ? v.m_CenterPos.y / static_cast<float>(h) : 0.0f);
    };
    const GxVector2 pivot = pivotFor(c.m_Width, c.m_Height);
    const GxVector3 pos = GetAbsolutePos();

    switch (c.m_ContentType) {
    case CONTENTTYPE_NCMOTION: {
        if (!c.m_pProject) return;
        // The motion is drawn whole into the scratch target first, so that it fades and blends
        // as one picture.
        GxGlobalRenderTargets& g = GxGetGlobalRenderTargets();
        GxTexture& scratch = g.renderTextures[1];
        if (!GxGraphics::PushRenderTarget(0, &scratch, &g.depthStencil, nullptr)) return;
        GxGraphics::Clear(GXCLEAR_TARGET, 0x00000000u, 1.0f, 0, nullptr);
        GxMatrix identity;
        c.m_SnapShot.Draw(identity, 1.0f, GxFColor(1.0f, 1.0f, 1.0f, 1.0f), GxFColor(0.0f, 0.0f, 0.0f, 0.0f), 0, 0,
                          nullptr);
        GxGraphics::PopRenderTarget(0);
        const float w = ScreenWidth(), h = ScreenHeight();
        const float tw = static_cast<float>(scratch.GetWidth()), th = static_cast<float>(scratch.GetHeight());
        if (tw <= 0.0f || th <= 0.0f) return;
        const GxVector2 corners[4] = {GxVector2(0.0f, 0.0f), GxVector2(0.0f, h), GxVector2(w, h), GxVector2(w, 0.0f)};
        const GxColor diffuses[4] = {diffuse, diffuse, diffuse, diffuse};
        const GxColor speculars[4] = {specular, specular, specular, specular};
        GxGraphics::DrawTextureQuad(corners, GxFRect(0.0f, 0.0f, w / tw, h / th), &scratch, diffuses, speculars,
                                    blend);
        return;
    }
    case CONTENTTYPE_IMAGESET:
        if (c.m_pImageSet)
            GxDrawCrammedPattern(c.m_pImage, c.m_PatternIndex, c.m_MatWorld, diffuseF, v.m_Color1, blend);
        return;
    case CONTENTTYPE_FLEXTEXTURE: {
        if (!c.m_pTextureFlex) return;
        const float x = std::trunc(pos.x), y = std::trunc(pos.y);
        GxGraphics::DrawTextureFlex(c.m_pTextureFlex.get(), x, y, scale, rotation, pivot, diffuse, specular, blend);
        for (const auto& sub : c.m_pSubLayerList) {
            if (!sub->m_pTexture) continue;
            GxGraphics::DrawTextureFlex(sub->m_pTexture.get(), x + sub->m_OffsetPos.x, y + sub->m_OffsetPos.y, scale,
                                        rotation, pivotFor(sub->m_Width, sub->m_Height), diffuse, specular, blend);
        }
        return;
    }
    case CONTENTTYPE_SOLIDCOLOR: {
        const GxColor color = GxPackColorArgb(v.m_Color0.r * c.m_SolidColor.r, v.m_Color0.g * c.m_SolidColor.g,
                                              v.m_Color0.b * c.m_SolidColor.b, a);
        GxGraphics::DrawSolidRect(GxFRect(0.0f, 0.0f, ScreenWidth(), ScreenHeight()), color, specular, blend);
        return;
    }
    case CONTENTTYPE_MOVIE:
    case CONTENTTYPE_TEXTURE:
    case CONTENTTYPE_TEXTUREFILE: {
        if (!c.m_pTexture) return;
        // A movie's texture is only its fill colour until the first frame is in it: whatever lies
        // under the layer stays in view until then.
        if (c.m_ContentType == CONTENTTYPE_MOVIE && !static_cast<GxTextureMovie*>(c.m_pTexture.get())->HasFrame())
            return;
        const GxVector2 uvOffset = c.m_ContentType == CONTENTTYPE_MOVIE ? GxVector2() : v.m_UVOffset;
        GxGraphics::DrawTexture(c.m_pTexture.get(), pos.x, pos.y,
                                GxFRect(0.0f, 0.0f, static_cast<float>(c.m_Width), static_cast<float>(c.m_Height)),
                                scale, rotation, pivot, uvOffset, diffuse, specular, blend);
        return;
    }
    default: return;
    }
}

int GxTaskLayer::Draw(int32_t /*param*/, int32_t /*layer*/)
{
    if (!m_Visual.m_Visible) return 0;
    GxGraphics::BeginScene();
    GxGraphics::SetDefaultRenderState();
    if (m_LocalTransit.m_Transit) {
        const GxLocalTransitFactors f = GxGetLocalTransitFactors(m_LocalTransitMode, m_LocalTransit.GetProgress());
        DrawContent(m_Content[m_IndexPos ^ 1], f.m_Old);
        DrawContent(m_Content[m_IndexPos], f.m_Current);
    } else {
        DrawContent(m_Content[m_IndexPos], 1.0f);
    }
    if (m_ShowFileNameLabel) {
        const GxVector3 pos = GetAbsolutePos();
        GxGraphics::DrawTextGDIFontMap(GxGetGDIFontMap(kLabelFontMap), m_Content[m_IndexPos].m_ContentFileName,
                                       pos.x + 32.0f, pos.y + 64.0f, GxVector2(1.0f, 1.0f), 0xFFFFFFFFu, 0,
                                       BLENDMODE_ALPHA);
    }
    GxGraphics::EndScene();
    return 0;
}

bool GxTaskLayer::AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (typeid(*this) != typeid(GxTaskLayer)) return false;
    key.Add(m_Visual.m_Visible);
    if (!m_Visual.m_Visible) return true;
    if (m_LocalTransit.m_Transit || m_ShowFileNameLabel) return false;
    const GxLayerContent& c = m_Content[m_IndexPos];
    key.Add(c.m_ContentType);
    m_Visual.AppendKey(key);
    key.Add(GetAbsolutePos());
    key.Add(c.m_Width);
    key.Add(c.m_Height);
    switch (c.m_ContentType) {
    case CONTENTTYPE_NONE: return true;
    case CONTENTTYPE_FLEXTEXTURE:
        key.Add(c.m_pTextureFlex.get());
        key.Add(c.m_pSubLayerList.size());
        for (const auto& sub : c.m_pSubLayerList) {
            key.Add(sub->m_pTexture.get());
            key.Add(sub->m_OffsetPos);
            key.Add(sub->m_Width);
            key.Add(sub->m_Height);
        }
        return true;
    case CONTENTTYPE_TEXTURE:
    case CONTENTTYPE_TEXTUREFILE: key.Add(c.m_pTexture.get()); return true;
    case CONTENTTYPE_SOLIDCOLOR:
        key.Add(c.m_SolidColor);
        key.Add(ScreenWidth());
        key.Add(ScreenHeight());
        return true;
    default: return false;
    }
}

// ---- saved games ----

bool GxTaskLayer::WriteContent(GxContentWriterBase& w)
{
    GxTaskActor::WriteContent(w);
    for (GxLayerContent& c : m_Content) {
        if (c.m_ContentType != CONTENTTYPE_MOVIE) continue;
        c.m_MovieCurrentTime = GxMovie::GetPosition(c.m_MyChannel);
        c.m_LoopCount = GxMovie::GetLoop(c.m_MyChannel);
    }
    m_Content[0].WriteContent(w);
    m_Content[1].WriteContent(w);
    w.WriteGxS32("m_LayerType", m_LayerType);
    w.WriteGxS32("m_IndexPos", m_IndexPos);
    m_LocalTransit.WriteContent(w);
    w.WriteGxBool("m_Shake", m_Shake);
    w.WriteGxVector3("m_ShakeAmplitude", m_ShakeAmplitude);
    w.WriteGxS32("m_ShakeTimeLeft", m_ShakeTimeLeft);
    w.WriteGxS32("m_ShakeTimeTotal", m_ShakeTimeTotal);
    w.WriteGxS32("m_MovieAutoDisappearTime", m_MovieAutoDisappearTime);
    w.WriteGxS32("m_LocalTransitMode", m_LocalTransitMode);
    return true;
}

bool GxTaskLayer::ReadContent(GxContentReaderBase& r)
{
    GxTaskActor::ReadContent(r);
    m_Content[0].ReadContent(r);
    m_Content[1].ReadContent(r);
    r.ReadGxS32("m_LayerType", m_LayerType);
    int32_t index = m_IndexPos;
    if (r.ReadGxS32("m_IndexPos", index)) {
        if (index == 0 || index == 1) {
            m_IndexPos = index;
        } else {
            GxPrintErrorLog(u"Error/GxTaskLayer ReadContent m_IndexPos(%d)\n", index);
            m_IndexPos = 0;
        }
    }
    m_LocalTransit.ReadContent(r);
    r.ReadGxBool("m_Shake", m_Shake);
    r.ReadGxVector3("m_ShakeAmplitude", m_ShakeAmplitude);
    r.ReadGxS32("m_ShakeTimeLeft", m_ShakeTimeLeft);
    r.ReadGxS32("m_ShakeTimeTotal", m_ShakeTimeTotal);
    r.ReadGxS32("m_MovieAutoDisappearTime", m_MovieAutoDisappearTime);
    r.ReadGxS32("m_LocalTransitMode", m_LocalTransitMode);
    m_ShowFileNameLabel = false;
    const GxLayerContentEnv env = GxGetLayerContentEnv(GxGetCore());
    for (int32_t i = 0; i < 2; ++i) {
        // A record plays its movie in its own slot whatever the stream says, so that the two
        // records never share a player.
        if (m_Content[i].m_ContentType == CONTENTTYPE_MOVIE) m_Content[i].m_MyChannel = static_cast<uint32_t>(i) + 1u;
        m_Content[i].Reload(env);
    }
    return r.GetErrorCount() == 0;
}
