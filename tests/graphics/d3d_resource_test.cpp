// The GPU resource base's reference protocol and the registry: registration, the device walks,
// the memory sum and the leak report with its closed flag.
#include <gtest/gtest.h>

#include <charconv>

#include "graphics/GxD3DResource.h"
#include "graphics_test_support.h"

namespace {

// A resource that follows the derived-class protocol against a given registry and counts what
// happens to it.
class FakeResource : public GxD3DResourceBase
{
public:
    explicit FakeResource(GxD3DResourceManage* registry = nullptr) : m_Registry(registry) {}
    ~FakeResource() override { ReleaseAll(); }

    void Attach(GxD3DResourceManage* registry) { m_Registry = registry; }

    bool Create(const std::u16string& name, int32_t type, uint32_t memory)
    {
        ReleaseAll();
        m_ObjectType = type;
        m_Name = name;
        m_Memory = memory;
        hasDeviceObject = true;
        m_Registry->Register(this);
        AddRef();
        return true;
    }

    void Release() override
    {
        ++releaseCalls;
        if (m_RefCount == 0) return;
        if (DecRef() != 0) return;
        ++frees;
        hasDeviceObject = false;
        m_ObjectType = OBJTYPE_NONE;
        m_Name.clear();
        m_Memory = 0;
        unregisterResult = m_Registry->Unregister(this);
    }

    uint32_t GetMemorySize() override { return m_Memory; }
    void OnLostDevice() override { events->push_back({this, 'L'}); }
    void OnResetDevice() override { events->push_back({this, 'R'}); }

    int releaseCalls = 0;
    int frees = 0;
    bool hasDeviceObject = false;
    bool unregisterResult = false;
    std::vector<std::pair<const void*, char>>* events = nullptr;

private:
    GxD3DResourceManage* m_Registry;
    uint32_t m_Memory = 0;
};

std::u16string Hex(const void* p)
{
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, reinterpret_cast<uintptr_t>(p), 16);
    return GxUtf8ToWide(std::string(buf, r.ptr));
}

}  // namespace

TEST(D3DResource, BaseCountNeverGoesBelowZero)
{
    GxD3DResourceBase base;
    EXPECT_EQ(base.GetRefCount(), 0u);
    EXPECT_EQ(base.DecRef(), 0u);
    EXPECT_EQ(base.GetRefCount(), 0u);
    base.AddRef();
    base.AddRef();
    EXPECT_EQ(base.DecRef(), 1u);
    base.Release();  // the base form only drops the count
    EXPECT_EQ(base.GetRefCount(), 0u);
    base.Release();
    EXPECT_EQ(base.GetRefCount(), 0u);
    EXPECT_EQ(base.GetObjectType(), OBJTYPE_NONE);
    base.SetName(u"abc");
    EXPECT_EQ(base.GetName(), u"abc");
}

TEST(D3DResource, ReleaseFreesOnTheStepToZeroOnly)
{
    GxD3DResourceManage registry;
    FakeResource r(&registry);
    ASSERT_TRUE(r.Create(u"tex", OBJTYPE_TEXTURE, 64));
    EXPECT_EQ(r.GetRefCount(), 1u);
    EXPECT_TRUE(registry.IsRegistered(&r));
    r.AddRef();
    r.AddRef();

    // Three holders: the device object goes with the third release.
    r.ReleaseAll();
    EXPECT_EQ(r.releaseCalls, 3);
    EXPECT_EQ(r.frees, 1);
    EXPECT_FALSE(r.hasDeviceObject);
    EXPECT_TRUE(r.unregisterResult);
    EXPECT_FALSE(registry.IsRegistered(&r));
    EXPECT_EQ(r.GetObjectType(), OBJTYPE_NONE);
    EXPECT_EQ(r.GetName(), u"");

    // A release at zero frees nothing again and leaves the registry alone.
    r.unregisterResult = false;
    r.Release();
    EXPECT_EQ(r.frees, 1);
    EXPECT_FALSE(r.unregisterResult);

    // Creating again drops what the object held first.
    ASSERT_TRUE(r.Create(u"a", OBJTYPE_SURFACE, 1));
    r.AddRef();
    ASSERT_TRUE(r.Create(u"b", OBJTYPE_SURFACE, 1));
    EXPECT_EQ(r.frees, 2);
    EXPECT_EQ(r.GetRefCount(), 1u);
    EXPECT_EQ(registry.GetCount(), 1u);
    r.Release();
    EXPECT_EQ(registry.GetCount(), 0u);
}

TEST(D3DResource, RegistryHoldsEachResourceOnce)
{
    GxD3DResourceManage registry;
    FakeResource r(&registry);
    registry.Register(&r);
    registry.Register(&r);
    EXPECT_EQ(registry.GetCount(), 1u);
    EXPECT_TRUE(registry.Unregister(&r));
    EXPECT_EQ(registry.GetCount(), 0u);
    EXPECT_FALSE(registry.Unregister(&r));
}

TEST(D3DResource, MemorySumAndDeviceWalks)
{
    GxD3DResourceManage registry;
    EXPECT_EQ(registry.GetTotalMemorySize(), 0u);
    std::vector<std::pair<const void*, char>> events;
    FakeResource r[3];
    for (auto& x : r) {
        x.Attach(&registry);
        x.events = &events;
    }
    // Registered out of address order; the walks go in address order.
    r[2].Create(u"c", OBJTYPE_RENDERTARGET, 0xFFFFFFF0u);
    r[0].Create(u"a", OBJTYPE_TEXTURE, 0x10);
    r[1].Create(u"b", OBJTYPE_SURFACE, 0x20);
    EXPECT_EQ(registry.GetTotalMemorySize(), 0x20u);  // wraps past 4 GiB

    registry.OnLostDevice();
    registry.OnResetDevice();
    std::vector<std::pair<const void*, char>> want = {{&r[0], 'L'}, {&r[1], 'L'}, {&r[2], 'L'},
                                                      {&r[0], 'R'}, {&r[1], 'R'}, {&r[2], 'R'}};
    EXPECT_EQ(events, want);

    // Released resources leave the walks.
    r[1].Release();
    events.clear();
    registry.OnLostDevice();
    want = {{&r[0], 'L'}, {&r[2], 'L'}};
    EXPECT_EQ(events, want);
    for (auto& x : r) x.ReleaseAll();
}

TEST(D3DResource, LeakReportListsInAddressOrderAndCloses)
{
    gxtest::LogFolder logs;
    GxD3DResourceManage registry;
    FakeResource r[3];
    for (auto& x : r) x.Attach(&registry);
    r[2].Create(u"global", OBJTYPE_RENDERTARGET, 0);
    r[1].Create(u"gone", OBJTYPE_SURFACE, 0);
    r[0].Create(u"cg/bg/a.png", OBJTYPE_TEXTURE, 0);
    r[1].Release();

    registry.ReportUnreleased();
    EXPECT_EQ(logs.Error(), u"Warning/未解放のまま終了したリソースがあります 0x" + Hex(&r[0]) +
                                u" [OBJTYPE_TEXTURE:cg/bg/a.png]\n" +
                                u"Warning/未解放のまま終了したリソースがあります 0x" + Hex(&r[2]) +
                                u" [OBJTYPE_RENDERTARGET:global]\n");
    EXPECT_TRUE(registry.IsClosed());
    EXPECT_EQ(registry.GetCount(), 0u);

    // Once closed, a late release still frees its device object but the registry stays as it is.
    r[0].Release();
    EXPECT_EQ(r[0].frees, 1);
    EXPECT_FALSE(r[0].unregisterResult);
    // Registering is not refused while closed; unregistering is.
    registry.Register(&r[1]);
    EXPECT_EQ(registry.GetCount(), 1u);
    EXPECT_FALSE(registry.Unregister(&r[1]));
    EXPECT_EQ(registry.GetCount(), 1u);

    // Clear opens it again.
    registry.Clear();
    EXPECT_FALSE(registry.IsClosed());
    EXPECT_EQ(registry.GetCount(), 0u);
    r[2].Release();
    EXPECT_FALSE(r[2].unregisterResult);
}

TEST(D3DResource, LeakReportIsSilentWhenAllWasReleasedOrSlightErrorsAreSkipped)
{
    gxtest::LogFolder logs;
    {
        GxD3DResourceManage registry;
        FakeResource r(&registry);
        r.Create(u"x", OBJTYPE_TEXTURE, 0);
        r.Release();
        // The destructor reports; nothing is left.
    }
    EXPECT_EQ(logs.Error(), u"");

    GxD3DResourceManage registry;
    FakeResource r(&registry);
    r.Create(u"x", OBJTYPE_SWAPCHAIN, 0);
    GxSetSkipSlightError(true);
    registry.ReportUnreleased();
    GxSetSkipSlightError(false);
    EXPECT_EQ(logs.Error(), u"");
    EXPECT_TRUE(registry.IsClosed());
    EXPECT_EQ(registry.GetCount(), 0u);
}

TEST(D3DResource, RegistryDestructorReports)
{
    gxtest::LogFolder logs;
    FakeResource r;
    {
        GxD3DResourceManage registry;
        r.Attach(&registry);
        r.Create(u"fx", OBJTYPE_SHADEREFFECT, 0);
    }
    EXPECT_EQ(logs.Error(),
              u"Warning/未解放のまま終了したリソースがあります 0x" + Hex(&r) + u" [OBJTYPE_SHADEREFFECT:fx]\n");
    // The registry is gone: the resource is released against another one.
    GxD3DResourceManage other;
    r.Attach(&other);
    r.Release();
    EXPECT_EQ(r.frees, 1);
}

TEST(D3DResource, TypeNamesAndTheGlobalRegistry)
{
    EXPECT_EQ(std::u16string(GxGetObjectTypeName(OBJTYPE_NONE)), u"OBJTYPE_NONE");
    EXPECT_EQ(std::u16string(GxGetObjectTypeName(OBJTYPE_FLEXTEXTURE)), u"OBJTYPE_FLEXTEXTURE");
    EXPECT_EQ(std::u16string(GxGetObjectTypeName(OBJTYPE_DEPTHSTENCIL)), u"OBJTYPE_DEPTHSTENCIL");
    EXPECT_EQ(std::u16string(GxGetObjectTypeName(OBJTYPE_IMAGEDATA)), u"OBJTYPE_IMAGEDATA");
    EXPECT_EQ(std::u16string(GxGetObjectTypeName(OBJTYPE_MAX)), u"OBJTYPE_UNKNOWN");
    EXPECT_EQ(std::u16string(GxGetObjectTypeName(-1)), u"OBJTYPE_UNKNOWN");

    GxD3DResourceManage& global = GxGetD3DResourceManage();
    EXPECT_EQ(&global, &GxGetD3DResourceManage());
    FakeResource r(&global);
    r.Create(u"t", OBJTYPE_TEXTURE, 16);
    EXPECT_TRUE(global.IsRegistered(&r));
    r.Release();
    EXPECT_FALSE(global.IsRegistered(&r));
}
