// The actor that shows pictures on a screen: backgrounds, event and character pictures,
// image-set images, key-frame motions, solid colours, movies and plain textures. It holds two
// content records and cross-fades from the old one to the current one (the local transit);
// every load goes into the other record, which then becomes current. A layer can also shake,
// fade a finished movie out by itself, and is saved and restored with the game.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/GxSeqTransitBase.h"
#include "app/GxTaskActor.h"
#include "app/GxTaskControl.h"
#include "layer/GxLayerContent.h"

// How the two records' alpha factors follow the transit progress p.
enum GxLocalTransitMode : int32_t
{
    LOCALTRANSIT_SINE = 1,        // old 1 - p + s, current p + s, s = sin(pi p) / pi
    LOCALTRANSIT_MIXED = 2,       // three quarters sine, one quarter linear
    LOCALTRANSIT_SEQUENTIAL = 3,  // the old one out in the first half, the new one in in the second
    LOCALTRANSIT_LINEAR = 4,      // and every other value: old 1 - p, current p
};

struct GxLocalTransitFactors
{
    float m_Old = 0.0f;
    float m_Current = 1.0f;
};
GxLocalTransitFactors GxGetLocalTransitFactors(int32_t mode, float progress);

class GxTaskLayer : public GxTaskActor, public GxLayerControl
{
public:
    GxTaskLayer(const char16_t* taskName, const char16_t* localName, int32_t localIndex, GxTaskBase* parent);
    ~GxTaskLayer() override;

    int Update(int32_t step, int64_t elapsed) override;
    // Render layer 5, ascending by the order Z, visible or not.
    int Render(int32_t step, int64_t elapsed) override;
    int Draw(int32_t param, int32_t layer) override;
    // Keyed when still: pictures, textures and solid colours outside a cross-fade (motions,
    // image sets and movies move on their own).
    bool AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer) override;
    bool WriteContent(GxContentWriterBase& writer) override;
    // Restores both records and reloads their resources.
    bool ReadContent(GxContentReaderBase& reader) override;
    // The picture size of the current record's picture, movie or texture file; 0 otherwise.
    int32_t GetWidth() const override;
    int32_t GetHeight() const override;

    int32_t GetLayerType() const override { return m_LayerType; }
    virtual void SetLayerType(int32_t type) { m_LayerType = type; }

    // The loaders: each finishes pending actions, makes the other record current, fills it, and
    // cross-fades from the previous content over time milliseconds (time <= 0: the previous
    // content is dropped at once). A failed load leaves the new current record empty.
    // An empty group name takes the project's first motion group; false when the project, the
    // group or the motion is missing.
    virtual bool LoadMotion(std::u16string_view file, std::u16string_view imageSetName,
                            std::u16string_view motionGroupName, std::u16string_view motionName,
                            int32_t startFrame, int32_t time);
    virtual bool LoadImageSetImage(std::u16string_view setFile, std::u16string_view imageName, int32_t patternIndex,
                                   int32_t time);
    // A missing file shows the settings' error picture with the file name written over it.
    virtual bool LoadImage(std::u16string_view file, int32_t time);
    virtual bool LoadSolidColor(uint32_t argb, int32_t time);
    // The movie plays at once only with autoDisappear; loopCount 1 plays once, 0 loops for ever.
    // volume: hundredths of a decibel.
    virtual bool LoadMovie(std::u16string_view file, int32_t width, int32_t height, int32_t loopCount,
                           double loopStart, int32_t volume, bool autoDisappear, int32_t time);
    virtual bool LoadTexture(int32_t width, int32_t height, int32_t time);
    virtual bool LoadTextureFile(std::u16string_view file, int32_t time);
    // The pictures blended in list order into one texture. An empty list changes nothing.
    virtual bool LoadMultiTextureFile(const std::vector<std::u16string>& files, int32_t time);
    // Switches to an empty record: the current content fades out over time.
    bool StartLocalTransit(int32_t time) override;
    virtual bool LoadSubLayer(std::u16string_view file, int32_t index);
    // Empties both records and ends the shake and the cross-fade.
    void Clear() override;
    virtual GxLayerContent* GetCurrentContent() { return &m_Content[m_IndexPos]; }
    const GxLayerContent& GetOldContent() const { return m_Content[m_IndexPos ^ 1]; }

    virtual void StopMovie();
    virtual bool PlayMovie(int32_t volume);
    // The movie slot whose player shows the current record's movie; 0 when it shows none.
    virtual uint32_t GetMoviePlayer() const;
    virtual bool IsMoviePlaying() const;
    virtual double GetMovieCurrentTime() const;

    // amplitude x and y: the largest displacement in pixels; a negative time shakes until
    // StopShake.
    virtual void StartShake(const GxVector3& amplitude, int32_t time);
    virtual void StopShake();

    bool IsLocalTransit() const override { return m_LocalTransit.m_Transit; }
    // False when no cross-fade ran.
    bool EndLocalTransit() override;
    virtual void SetMovieAutoDisappearTime(int32_t ms) { m_MovieAutoDisappearTime = ms; }
    virtual int32_t GetMovieAutoDisappearTime() const { return m_MovieAutoDisappearTime; }
    virtual void SetLocalTransitMode(int32_t mode) { m_LocalTransitMode = mode; }
    virtual int32_t GetLocalTransitMode() const { return m_LocalTransitMode; }
    // Places the content's top-left corner so that the content is centred on the logical
    // screen.
    virtual void CenterOnScreen();

    int32_t GetIndexPos() const { return m_IndexPos; }
    const GxTransitParam& GetLocalTransit() const { return m_LocalTransit; }
    bool IsShaking() const { return m_Shake; }
    int32_t GetShakeTimeLeft() const { return m_ShakeTimeLeft; }
    bool IsFileNameLabelShown() const { return m_ShowFileNameLabel; }

private:
    // The start of every load: pending actions end, the other record becomes current and is
    // emptied.
    GxLayerContent& BeginLoad();
    // The end of every load: the cross-fade from the old record, or its reset.
    void EndLoad(int32_t time);
    void GetPictureSize(uint32_t* width, uint32_t* height) const;
    void UpdateContent(GxLayerContent& content);
    void DrawContent(GxLayerContent& content, float factor);

    int32_t m_LayerType = 0;
    GxLayerContent m_Content[2];
    int32_t m_IndexPos = 0;
    GxTransitParam m_LocalTransit;
    bool m_Shake = false;
    GxVector3 m_ShakeAmplitude;
    int32_t m_ShakeTimeLeft = 0;
    int32_t m_ShakeTimeTotal = 0;
    int32_t m_MovieAutoDisappearTime = 0;
    int32_t m_LocalTransitMode = LOCALTRANSIT_SINE;
    bool m_ShowFileNameLabel = false;  // not saved
};
