// The image-set pool (one reference per name however often it is added) and the effect pool
// over the effect table's rows (skipped rows, failed projects and motions, duplicate names).
#include <gtest/gtest.h>

#include <string>

#include "game/DBEffect.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxNcProject.h"
#include "tests/layer/nc_test_common.h"

namespace {

class NcPoolTest : public NcTest
{
protected:
    void SetUp() override
    {
        NcTest::SetUp();
        GxGetDBEffect().Clear();
        GxNcCrammedImageSet set;
        set.m_CrammedImageArray.resize(1);
        set.m_CrammedImageArray[0].m_FileName = u"common_0.png";
        GxNcAddPattern(GxNcAddOriginImage(set, u"btn.png"), 0, 0, 0, 8, 8, 0, 0);
        ASSERT_TRUE(Write("uigis/ui_common.gis", GxNcImageSetToBytes(set, GxContentForm::Binary)));
        ASSERT_TRUE(Write("gnc/gis/fx.gis", GxNcImageSetToBytes(set, GxContentForm::Text)));

        GxNcProjectEx p;
        p.m_ProjectName = u"effects";
        GxNcMotionGroup& g = GxNcAddMotionGroup(p, u"fx");
        GxNcAddLayer(GxNcAddMotion(g, u"flash", 100), u"l");
        GxNcAddLayer(GxNcAddMotion(g, u"shake", 100), u"l");
        p.m_ImageSetFileNameList = {u"fx.gis"};
        ASSERT_TRUE(Write("gnc/effects.gnc", GxNcProjectToBytes(p, GxContentForm::Binary)));
    }
    void TearDown() override
    {
        NcTest::TearDown();
        GxGetDBEffect().Clear();
    }

    static void SetRow(int i, const char16_t* gnc, const char16_t* group, const char16_t* motion, const char16_t* name)
    {
        DBEffectData& row = *GxGetDBEffect().GetRow(i);
        row.ID = i;
        row.GNCName = gnc;
        row.MotionGroup = group;
        row.Motion = motion;
        row.Name = name;
    }
};

TEST_F(NcPoolTest, ImageSetAddedTwiceHoldsOneReferenceAndReleasesOnce)
{
    GxNcCrammedImageSetFactory& factory = GxGetNcCrammedImageSetFactory();
    EXPECT_TRUE(GxNcImageSetPool::Add(u"uigis/ui_common.gis"));
    EXPECT_TRUE(GxNcImageSetPool::Add(u"uigis/ui_common.gis"));
    GxNcCrammedImageSet* set = GxNcImageSetPool::Find(u"uigis/ui_common.gis");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set, factory.Find(u"uigis/ui_common.gis"));
    EXPECT_EQ(set->GetRefCount(), 1u);
    EXPECT_EQ(m_Graphics.m_LoadedPaths, std::vector<std::u16string>{u"uigis/common_0.png"});  // with textures
    EXPECT_EQ(GxNcImageSetPool::Find(u"UIGIS/ui_common.gis"), nullptr);  // the pool keys by the name as given

    EXPECT_TRUE(GxNcImageSetPool::Release(u"uigis/ui_common.gis"));
    EXPECT_EQ(factory.Find(u"uigis/ui_common.gis"), nullptr);
    EXPECT_EQ(GxNcImageSetPool::Find(u"uigis/ui_common.gis"), nullptr);
    m_Log.Clear();
    EXPECT_FALSE(GxNcImageSetPool::Release(u"uigis/ui_common.gis"));
    EXPECT_EQ(m_Log.Lines(),
              std::vector<std::string>{"GxNcImageSetPool::Release 解放するイメージセットが見つからない[uigis/ui_common.gis]\n"});
    EXPECT_FALSE(Logged("Warning/"));
}

TEST_F(NcPoolTest, ImageSetThatFailsToLoadIsNotHeld)
{
    m_Log.Clear();
    EXPECT_FALSE(GxNcImageSetPool::Add(u"uigis/none.gis"));
    EXPECT_TRUE(Logged("GxNcImageSetPool::Add イメージセット読み込み失敗[uigis/none.gis]\n")) << m_Log.Joined();
    EXPECT_EQ(GxNcImageSetPool::GetCount(), 0u);
}

TEST_F(NcPoolTest, ImageSetReleaseAllGivesEveryReferenceBack)
{
    // The pool and a second user share the set; emptying the pool leaves the other reference.
    ASSERT_TRUE(GxNcImageSetPool::Add(u"uigis/ui_common.gis"));
    ASSERT_TRUE(GxNcImageSetPool::Add(u"gnc/gis/fx.gis"));
    GxNcCrammedImageSet* shared = GxGetNcCrammedImageSetFactory().GetCrammedImageSet(u"uigis/ui_common.gis", true);
    GxNcImageSetPool::ReleaseAll();
    EXPECT_EQ(GxNcImageSetPool::GetCount(), 0u);
    EXPECT_EQ(GxGetNcCrammedImageSetFactory().GetCount(), 1u);
    EXPECT_EQ(shared->GetRefCount(), 1u);
}

TEST_F(NcPoolTest, LoadAllEffectTakesCompleteRowsAndReportsEveryFailedRow)
{
    SetRow(0, u"effects.gnc", u"fx", u"flash", u"FLASH");
    SetRow(1, u"effects.gnc", u"fx", u"", u"SKIPPED");       // incomplete: no message
    SetRow(2, u"missing.gnc", u"fx", u"flash", u"NOFILE");    // the project fails to load
    SetRow(3, u"effects.gnc", u"fx", u"fly", u"NOMOTION");    // the motion is missing
    SetRow(4, u"effects.gnc", u"nogroup", u"flash", u"NOGROUP");
    SetRow(5, u"effects.gnc", u"fx", u"shake", u"FLASH");     // duplicate effect name
    SetRow(79, u"EFFECTS.GNC", u"fx", u"shake", u"SHAKE");    // the last row slot is read too
    m_Log.Clear();
    EXPECT_FALSE(GxNcEffectPool::LoadAllEffect(u"gnc/", u"gnc/gis/"));

    EXPECT_EQ(GxNcEffectPool::GetCount(), 2u);
    const GxNcEffectEntry* flash = GxNcEffectPool::Find(u"FLASH");
    ASSERT_NE(flash, nullptr);
    EXPECT_EQ(flash->m_pMotion, GxNcFindMotionByName(flash->m_pProject, u"fx", u"flash"));  // the first row stays
    const GxNcEffectEntry* shake = GxNcEffectPool::Find(u"SHAKE");
    ASSERT_NE(shake, nullptr);
    EXPECT_EQ(shake->m_pProject, flash->m_pProject);
    EXPECT_EQ(shake->m_pMotion->m_MotionName, u"shake");
    EXPECT_EQ(GxNcEffectPool::Find(u"SKIPPED"), nullptr);
    // One reference per pool entry: the failed and duplicate rows gave theirs back.
    EXPECT_EQ(flash->m_pProject->GetRefCount(), 2u);
    EXPECT_EQ(GxGetNcProjectFactory().GetCount(), 1u);
    EXPECT_EQ(flash->m_pProject->GetImageFolder(), u"gnc/gis/");

    EXPECT_TRUE(Logged("GxNcEffectPool::LoadAllEffect プロジェクト読み込み失敗[missing.gnc]\n")) << m_Log.Joined();
    EXPECT_TRUE(Logged("GxNcEffectPool::LoadAllEffect モーション読み込み失敗[effects.gnc:fly]\n"));
    EXPECT_TRUE(Logged("GxNcEffectPool::LoadAllEffect モーション読み込み失敗[effects.gnc:flash]\n"));
    EXPECT_TRUE(Logged("GxNcEffectPool::LoadAllEffect エフェクト名が重複してます[FLASH]\n"));
    EXPECT_EQ(CountLogged("GxNcEffectPool::"), 4u);
    EXPECT_FALSE(Logged("SKIPPED"));

    GxNcEffectPool::ReleaseAll();
    EXPECT_EQ(GxNcEffectPool::GetCount(), 0u);
    EXPECT_EQ(GxGetNcProjectFactory().GetCount(), 0u);
    EXPECT_EQ(GxGetNcCrammedImageSetFactory().GetCount(), 0u);
    EXPECT_FALSE(Logged("Warning/"));
}

TEST_F(NcPoolTest, MissingMotionAloneLeavesNoProjectBehind)
{
    SetRow(0, u"effects.gnc", u"fx", u"fly", u"NOMOTION");
    EXPECT_FALSE(GxNcEffectPool::LoadAllEffect(u"gnc/", u"gnc/gis/"));
    EXPECT_EQ(GxGetNcProjectFactory().GetCount(), 0u);
    EXPECT_EQ(GxGetNcCrammedImageSetFactory().GetCount(), 0u);
}

TEST_F(NcPoolTest, LoadAllEffectIsTrueWhenNoRowFails)
{
    EXPECT_TRUE(GxNcEffectPool::LoadAllEffect(u"gnc/", u"gnc/gis/"));  // an empty table
    SetRow(10, u"effects.gnc", u"fx", u"flash", u"A");
    SetRow(11, u"effects.gnc", u"fx", u"shake", u"B");
    m_Log.Clear();
    EXPECT_TRUE(GxNcEffectPool::LoadAllEffect(u"gnc/", u"gnc/gis/"));
    EXPECT_TRUE(m_Log.Lines().empty()) << m_Log.Joined();
    EXPECT_EQ(GxNcEffectPool::GetCount(), 2u);
}

}  // namespace
