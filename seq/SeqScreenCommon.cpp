#include "seq/SeqScreenCommon.h"

#include <cmath>

#include "app/GxCore.h"
#include "app/GxTaskControl.h"
#include "app/task/GxRenderLayer.h"
#include "core/GxFormat.h"
#include "game/GxGameFunctions.h"
#include "game/GxSystemConfig.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxTaskLayer.h"
#include "seq/SeqSystem.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUIButton.h"

namespace {

constexpr const char16_t* kPlateSetName = u"ui_extra.gis";
constexpr int32_t kFontNum22 = 2;  // "FONT22NUM"

}  // namespace

SeqScreenTree SeqBuildScreenTree(GxSeqBase* screen, const std::u16string& name)
{
    auto* root = new GxTaskFolder((u"$ROOT:" + name).c_str(), nullptr, 0, screen);
    SeqScreenTree tree{new GxTaskFolder((u"$UI:" + name).c_str(), nullptr, 0, root),
                       new GxTaskLayer((u"$BGLAYER:" + name).c_str(), nullptr, 0, root)};
    tree.background->SetOrderZ(-10.0f);
    GxTaskControl::CreateUIFromDBUILayout(screen, u"$UI:" + name);
    return tree;
}

const GxSystemConfig& SeqSystemConfig()
{
    static const GxSystemConfig defaults;
    GxCore* core = GxGetCore();
    const GxSystemConfig* sc = core ? core->GetSystemConfig() : nullptr;
    return sc ? *sc : defaults;
}

GxUserData* SeqUserData()
{
    GxCore* core = GxGetCore();
    return core ? core->GetUserData() : nullptr;
}

void SeqShowFailure(GxTaskBase* screen, const char16_t* key, const char16_t* text)
{
    constexpr int32_t kOkAlone = 1;
    SeqSystem::OpenUserDialog(screen, key, text, kOkAlone);
}

bool SeqCloseFailure(GxTaskBase* screen, const GxTaskUIBase* sender)
{
    const bool fromUserDialog = sender && sender->GetParent() && sender->GetParent()->GetTaskName() == u"dlg_user";
    if (!fromUserDialog || sender->GetTaskLocalName() != u"btn_dlguser_ok") return false;
    const std::u16string& key = SeqSystem::GetUserDialogKey();
    if (key != u"SAVEERROR" && key != u"LOADERROR") return false;
    SeqSystem::CloseUserDialog(screen, true);
    return true;
}

bool SeqNameIs(const GxTaskBase* task, std::u16string_view name)
{
    return task && (task->GetTaskLocalName() == name || task->GetTaskName() == name);
}

GxTaskUIBase* SeqFindWidget(GxTaskFolder* ui, const char16_t* localName, int32_t index)
{
    GxTaskBase* task = ui ? ui->FindTaskLocal(localName, index) : nullptr;
    return task && task->IsKindOf(GxTaskKind::UI) ? dynamic_cast<GxTaskUIBase*>(task) : nullptr;
}

void SeqSelectRadio(GxTaskFolder* ui, const char16_t* localName, int32_t index)
{
    if (!ui) return;
    if (auto* radio = dynamic_cast<GxTaskUIRadioButtonIs*>(ui->FindTaskLocal(localName, index))) radio->Select();
}

int32_t SeqSelectedIndex(GxTaskFolder* ui, std::u16string_view localName)
{
    for (GxTaskBase* t = ui ? ui->GetFirstChild() : nullptr; t; t = t->GetNextSibling()) {
        if (!SeqNameIs(t, localName) || !t->IsKindOf(GxTaskKind::UI)) continue;
        auto* widget = dynamic_cast<GxTaskUIBase*>(t);
        if (widget && widget->GetValueBool()) return t->GetTaskLocalIndex();
    }
    return 0;
}

void SeqPressButton(GxSeqBase* seq, GxTaskUIBase* button)
{
    if (seq && button && seq->IsUIInputEnabled(button)) button->RaiseUIEvent(GxUIEventType::LeftDown);
}

void SeqPlayScreenMusic(const std::u16string& fileName, int32_t loopPos)
{
    if (fileName.empty()) {
        GxStopBGM(1000);
        return;
    }
    GxPlayBGM(SeqSystemConfig().m_AssetFolder[kGxFolderBgms] + fileName, 0, 0, 0, static_cast<uint32_t>(loopPos),
              true);
}

std::u16string SeqPercentText(int32_t part, int32_t whole)
{
    const int32_t percent = whole > 0 ? static_cast<int32_t>(static_cast<int64_t>(part) * 100 / whole) : 0;
    return GxFormatString(u"%3d", percent);
}

SeqPlateRoom::SeqPlateRoom(const char16_t* name, GxTaskBase* parent, const char16_t* plateButton,
                           int32_t plateCount, float overlayZ)
    : GxSeqTransitBase(name, parent), m_PlateButton(plateButton), m_PlateCount(plateCount), m_OverlayZ(overlayZ)
{
    SetUIEventEnabled(true);
    const SeqScreenTree tree = SeqBuildScreenTree(this, name);
    m_UI = tree.ui;
    m_Background = tree.background;
}

GxTaskUIBase* SeqPlateRoom::FindWidget(const char16_t* localName, int32_t index)
{
    return SeqFindWidget(m_UI, localName, index);
}

int32_t SeqPlateRoom::GetSelectedPage() { return SeqSelectedIndex(m_UI, u"btn_pageselect"); }

void SeqPlateRoom::SelectPageButton(int32_t page) { SeqSelectRadio(m_UI, u"btn_pageselect", page); }

void SeqPlateRoom::FillPlates(const std::vector<int32_t>& rows, const std::function<bool(int32_t)>& open)
{
    for (int32_t k = 0; k < m_PlateCount; ++k) {
        GxTaskUIBase* plate = FindWidget(m_PlateButton, k);
        if (!plate) continue;
        if (k < static_cast<int32_t>(rows.size())) {
            const int32_t row = rows[static_cast<size_t>(k)];
            plate->Show();
            plate->SetValueInt(row);
            plate->SetEnabled(open(row));
        } else {
            plate->Hide();
            plate->SetValueInt(0);
        }
    }
}

bool SeqPlateRoom::TurnPage(GxTaskUIBase* sender, const std::function<void(int32_t)>& showPage)
{
    if (SeqNameIs(sender, u"btn_prev")) {
        if (--m_CurrentPage < 1) m_CurrentPage = m_PageCount;
    } else if (SeqNameIs(sender, u"btn_next")) {
        if (++m_CurrentPage > m_PageCount) m_CurrentPage = 1;
    } else {
        return false;
    }
    SelectPageButton(m_CurrentPage);
    showPage(m_CurrentPage);
    return true;
}

void SeqPlateRoom::LoadImages(const char16_t* background, const char16_t* thumbnailSetName)
{
    const GxSystemConfig& sc = SeqSystemConfig();
    m_Background->LoadImage(sc.m_AssetFolder[kGxFolderCgUi] + background, 0);
    const std::u16string sets = sc.m_AssetFolder[kGxFolderUiGis];
    m_ThumbnailSetName = thumbnailSetName;
    m_PlateHeld = GxNcImageSetPool::Add(sets + kPlateSetName);
    m_ThumbnailHeld = GxNcImageSetPool::Add(sets + thumbnailSetName);
    m_PlateSet = GxNcImageSetPool::Find(sets + kPlateSetName);
    m_ThumbnailSet = GxNcImageSetPool::Find(sets + thumbnailSetName);
}

void SeqPlateRoom::OnSequenceLeave()
{
    GxSeqTransitBase::OnSequenceLeave();
    ReleaseImages();
}

void SeqPlateRoom::ReleaseImages()
{
    m_Background->Clear();
    const std::u16string sets = SeqSystemConfig().m_AssetFolder[kGxFolderUiGis];
    if (m_PlateHeld) GxNcImageSetPool::Release(sets + kPlateSetName);
    if (m_ThumbnailHeld && m_ThumbnailSetName) GxNcImageSetPool::Release(sets + m_ThumbnailSetName);
    m_PlateHeld = m_ThumbnailHeld = false;
    m_PlateSet = m_ThumbnailSet = nullptr;
}

void SeqPlateRoom::DrawPlate(const GxTaskUIBase* plate, const std::u16string& thumbnail, const char16_t* blankPlate,
                             bool open)
{
    const GxVector3 p = plate->GetPos();
    GxMatrix m;
    m.SetTranslation(p.x, p.y, 0.0f);
    const GxFColor white(1.0f, 1.0f, 1.0f, 1.0f);
    if (open) {
        GxFColor specular(0.0f, 0.0f, 0.0f, 0.0f);
        if (plate->GetHoverCount() != 0) {
            const float v = static_cast<float>(std::fabs(std::sin(GetUpdateCount() / 30.0)) * 0.25);
            specular = GxFColor(v, v, v, 1.0f);
        }
        const GxNcOriginImage* image = m_ThumbnailSet ? m_ThumbnailSet->FindOriginImage(thumbnail) : nullptr;
        GxDrawCrammedPattern(image, 0, m, white, specular, BLENDMODE_ALPHA);
    } else {
        const GxNcOriginImage* blank = m_PlateSet ? m_PlateSet->FindOriginImage(blankPlate) : nullptr;
        GxDrawCrammedPattern(blank, 0, m, white, GxFColor(0.0f, 0.0f, 0.0f, 0.0f), BLENDMODE_ALPHA);
    }
}

int SeqPlateRoom::Draw(int32_t param, int32_t layer)
{
    if (param != 2) return GxSeqTransitBase::Draw(param, layer);
    GxSeqServices& s = GxGetSeqServices();
    s.BeginScene();
    s.SetDefaultRenderState();
    DrawOverlay();
    s.EndScene();
    return 0;
}

void SeqPlateRoom::ForEachShownPlate(const std::function<void(GxTaskUIBase* plate, int32_t row)>& fn)
{
    for (int32_t k = 0; k < m_PlateCount; ++k) {
        GxTaskUIBase* plate = FindWidget(m_PlateButton, k);
        if (plate && plate->IsVisible()) fn(plate, plate->GetValueInt());
    }
}

void SeqPlateRoom::DrawShare(const std::u16string& text)
{
    if (text.empty()) return;
    if (GxFontData* font = GxGetFontData(kFontNum22)) {
        GxGraphics::DrawTextFontData(font, text, 868.0f, 56.0f, GxVector2(1.0f, 1.0f), GxVector3(),
                                     GxVector2(0.0f, 0.0f), 0xFFFFFFFFu, 0, BLENDMODE_ALPHA);
    }
}

int SeqPlateRoom::Update(int32_t step, int64_t elapsed)
{
    IncUpdateCount();  // the clock of the hovered thumbnail's pulse
    return GxSeqTransitBase::Update(step, elapsed);
}

int SeqPlateRoom::Render(int32_t step, int64_t elapsed)
{
    GxSeqTransitBase::Render(step, elapsed);
    // Once more above the widgets, for the overlay.
    RegisterRenderLayer(GxRenderLayer::Main, GxRenderOrder::Ascending, m_OverlayZ, 2);
    return 0;
}

int SeqPlateRoom::OnMouseWheel(const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState)
{
    (void)pt; (void)keyState;
    // Whole notches only, and one page per wheel event however far it turned.
    const int32_t notches = wheelDelta / 120;
    if (notches > 0) SeqPressButton(this, FindWidget(u"btn_prev", 0));
    else if (notches < 0) SeqPressButton(this, FindWidget(u"btn_next", 0));
    return 0;
}

int SeqPlateRoom::OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)pt; (void)keyState; (void)doubleClick;
    SeqPressButton(this, FindWidget(u"btn_back", 0));
    return 0;
}
