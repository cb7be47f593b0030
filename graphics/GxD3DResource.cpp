#include "graphics/GxD3DResource.h"

#include <cstdint>

#include "core/GxLog.h"

namespace {

const char16_t kObjectTypeNames[OBJTYPE_MAX][32] = {
    u"OBJTYPE_NONE",        u"OBJTYPE_TEXTURE",      u"OBJTYPE_FLEXTEXTURE", u"OBJTYPE_BUFFEREDTEXTURE",
    u"OBJTYPE_RENDERTARGET", u"OBJTYPE_DEPTHSTENCIL", u"OBJTYPE_SURFACE",     u"OBJTYPE_SWAPCHAIN",
    u"OBJTYPE_MESH",        u"OBJTYPE_SHADEREFFECT", u"OBJTYPE_RESERVED_1",  u"OBJTYPE_RESERVED_2",
    u"OBJTYPE_RESERVED_3",  u"OBJTYPE_IMAGEDATA",
};

}  // namespace

const char16_t* GxGetObjectTypeName(int32_t type)
{
    if (type < 0 || type >= OBJTYPE_MAX) return u"OBJTYPE_UNKNOWN";
    return kObjectTypeNames[type];
}

// ---- Resource base -----------------------------------------------------------------------------

GxD3DResourceBase::~GxD3DResourceBase()
{
    // Derived destructors have released their device objects already; here only the count goes.
    ReleaseAll();
}

uint32_t GxD3DResourceBase::DecRef()
{
    if (m_RefCount != 0) --m_RefCount;
    return m_RefCount;
}

void GxD3DResourceBase::ReleaseAll()
{
    while (GetRefCount() != 0) Release();
}

// ---- Registry -----------------------------------------------------------------------------------

GxD3DResourceManage::~GxD3DResourceManage() { ReportUnreleased(); }

void GxD3DResourceManage::Register(GxD3DResourceBase* resource)
{
    GxMutexScopedLock lock(&m_Lock);
    m_Resources.insert(resource);
}

bool GxD3DResourceManage::Unregister(GxD3DResourceBase* resource)
{
    GxMutexScopedLock lock(&m_Lock);
    if (m_Closed) return false;
    return m_Resources.erase(resource) != 0;
}

void GxD3DResourceManage::OnLostDevice()
{
    for (GxD3DResourceBase* r : m_Resources) r->OnLostDevice();
}

void GxD3DResourceManage::OnResetDevice()
{
    for (GxD3DResourceBase* r : m_Resources) r->OnResetDevice();
}

uint32_t GxD3DResourceManage::GetTotalMemorySize()
{
    GxMutexScopedLock lock(&m_Lock);
    uint32_t total = 0;
    for (GxD3DResourceBase* r : m_Resources) total += r->GetMemorySize();
    return total;
}

void GxD3DResourceManage::Clear()
{
    GxMutexScopedLock lock(&m_Lock);
    m_Closed = false;
    m_Resources.clear();
}

void GxD3DResourceManage::ReportUnreleased()
{
    GxMutexScopedLock lock(&m_Lock);
    for (GxD3DResourceBase* r : m_Resources) {
        GxPrintSlightErrorLog(u"Warning/未解放のまま終了したリソースがあります 0x%x [%s:%s]\n",
                              reinterpret_cast<uintptr_t>(r), GxGetObjectTypeName(r->GetObjectType()), r->GetName());
    }
    m_Closed = true;
    m_Resources.clear();
}

bool GxD3DResourceManage::IsClosed()
{
    GxMutexScopedLock lock(&m_Lock);
    return m_Closed;
}

size_t GxD3DResourceManage::GetCount()
{
    GxMutexScopedLock lock(&m_Lock);
    return m_Resources.size();
}

bool GxD3DResourceManage::IsRegistered(GxD3DResourceBase* resource)
{
    GxMutexScopedLock lock(&m_Lock);
    return m_Resources.count(resource) != 0;
}

GxD3DResourceManage& GxGetD3DResourceManage()
{
    // Never destroyed: resources released by later global destructors still reach it.
    static GxD3DResourceManage* registry = new GxD3DResourceManage;
    static struct ExitReport
    {
        ~ExitReport() { registry->ReportUnreleased(); }
    } exitReport;
    return *registry;
}
