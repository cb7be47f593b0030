// The picture viewer of the gallery: shows the seen pictures of one picture set (the sequence
// parameter) one after another. A click or one of six keys goes on with a 500 ms cross-fade,
// after the last picture (or on a right click) back to the gallery. A picture larger than the
// screen can be dragged within its bounds, and a picture may scroll once from one aligned place
// to another after it is shown.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/GxSeqTransitBase.h"

class GxTaskLayer;
class GxTaskUIBase;

class SeqCGModeView : public GxSeqTransitBase
{
public:
    explicit SeqCGModeView(GxTaskBase* parent);
    ~SeqCGModeView() override;
    // The constructor the game's screen list holds.
    static GxTaskBase* Create(GxTaskBase* parent);

    void OnSequenceEnter() override;
    void OnSequenceLeave() override;

    int OnMouseMove(const GxMousePoint& pt, uint32_t keyState) override;
    int OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    int OnMouseLeftUp(const GxMousePoint& pt, uint32_t keyState) override;
    int OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    int OnKeyDown(GxWParam virtualKey, GxLParam lParam) override;
    int OnUIEventRightDown(GxTaskUIBase* sender, GxUIEventParam* param) override;
    int OnUIEventLeftUp(GxTaskUIBase* sender, GxUIEventParam* param) override;
    int OnUIEventKeyDown(GxTaskUIBase* sender, GxUIEventParam* param) override;

    // The next seen picture of the set after the index; -1 when none.
    int32_t FindNextSeenPicture(int32_t after) const;
    // Shows the picture (its scroll included) with a cross-fade; a negative index shows nothing
    // new.
    void ShowPicture(int32_t index, int32_t fadeMs);
    // An alignment code's position on the screen for the picture shown: x from its first
    // character (L, M, R), y from its second (T, M, B); anything else 0.
    float GetAlignedX(std::u16string_view code) const;
    float GetAlignedY(std::u16string_view code) const;

    int32_t GetSetID() const { return m_SetID; }
    int32_t GetPictureIndex() const { return m_PictureIndex; }
    bool IsDragging() const { return m_Dragging; }
    GxTaskLayer* GetPictureLayer() const { return m_Layer; }
    const GxVector3& GetStartPos() const { return m_StartPos; }
    const GxVector3& GetEndPos() const { return m_EndPos; }

private:
    bool MayReact();
    void EndDrag();
    void BackToGallery();
    void ClearPicture();

    GxTaskUIBase* m_EventCaller = nullptr;
    GxTaskLayer* m_Layer = nullptr;
    int32_t m_SetID = 0;
    int32_t m_PictureIndex = -1;
    float m_Width = 0.0f;
    float m_Height = 0.0f;
    GxVector3 m_StartPos;
    GxVector3 m_EndPos;
    GxVector3 m_DragBase;
    bool m_Dragging = false;
    GxMousePoint m_Pointer{-1.0f, -1.0f};
    GxMousePoint m_Press{-1.0f, -1.0f};
};
