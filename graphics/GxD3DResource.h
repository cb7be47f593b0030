// The base of every object that owns a device resource (textures, surfaces, flexible textures,
// swap chains, shader effects), and the engine-wide registry of those objects that the device
// walks around a reset and that reports, at exit, what was never released.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "core/GxMutex.h"

enum GxObjectType : int32_t {
    OBJTYPE_NONE = 0,
    OBJTYPE_TEXTURE = 1,
    OBJTYPE_FLEXTEXTURE = 2,
    OBJTYPE_BUFFEREDTEXTURE = 3,
    OBJTYPE_RENDERTARGET = 4,
    OBJTYPE_DEPTHSTENCIL = 5,
    OBJTYPE_SURFACE = 6,
    OBJTYPE_SWAPCHAIN = 7,
    OBJTYPE_MESH = 8,
    OBJTYPE_SHADEREFFECT = 9,
    OBJTYPE_RESERVED_1 = 10,
    OBJTYPE_RESERVED_2 = 11,
    OBJTYPE_RESERVED_3 = 12,
    OBJTYPE_IMAGEDATA = 13,
    OBJTYPE_MAX = 14,
};

// The printed name of a type ("OBJTYPE_TEXTURE"); a value outside the table gives "OBJTYPE_UNKNOWN".
const char16_t* GxGetObjectTypeName(int32_t type);

// Reference protocol: a create operation of a derived class first calls ReleaseAll, creates its
// device objects, registers with the registry and calls AddRef, so a fresh resource holds one
// reference. Release drops one; the derived Release frees the device objects, resets the fields
// and unregisters on the step to zero only. Release never deletes the object: its owner does.
class GxD3DResourceBase : public GxObjectNotCopyable
{
public:
    GxD3DResourceBase() { ClearRefCount(); }
    ~GxD3DResourceBase() override;

    virtual void ClearRefCount() { m_RefCount = 0; }
    virtual void AddRef() { ++m_RefCount; }
    // Drops one reference unless there is none; the count afterwards.
    virtual uint32_t DecRef();
    virtual uint32_t GetRefCount() { return m_RefCount; }
    virtual void Release() { DecRef(); }
    // Release until no reference is left.
    virtual void ReleaseAll();
    // Device-loss hooks: drop default-pool objects before a reset, make them again after it.
    virtual void OnLostDevice() {}
    virtual void OnResetDevice() {}
    virtual uint32_t GetMemorySize() { return 0; }
    virtual const std::u16string& GetName() { return m_Name; }
    virtual void SetName(const std::u16string& name) { m_Name = name; }

    int32_t GetObjectType() const { return m_ObjectType; }

protected:
    int32_t m_ObjectType = OBJTYPE_NONE;
    std::u16string m_Name;
    uint32_t m_RefCount = 0;
};

class GxD3DResourceManage : public GxObjectNotCopyable
{
public:
    GxD3DResourceManage() { Clear(); }
    ~GxD3DResourceManage() override;

    // Adds the resource (once; a second add changes nothing), closed or not.
    void Register(GxD3DResourceBase* resource);
    // Removes the resource; false when it was not there or once the leak report has run.
    bool Unregister(GxD3DResourceBase* resource);
    // The device walks, in set order. They take no lock: a hook must not register or unregister.
    void OnLostDevice();
    void OnResetDevice();
    // The sum of every resource's memory size (wraps around past 4 GiB).
    uint32_t GetTotalMemorySize();
    // Empties the set and opens the registry again.
    void Clear();
    // One slight-error line per resource still registered, in address order; then closes the
    // registry and empties the set, leaving the resources as they are.
    void ReportUnreleased();

    bool IsClosed();
    size_t GetCount();
    bool IsRegistered(GxD3DResourceBase* resource);

private:
    GxMutex m_Lock;
    bool m_Closed = false;
    std::set<GxD3DResourceBase*> m_Resources;
};

// The engine's registry. It lives until the process ends, so resources released by late global
// destructors still find it; its leak report runs at exit unless it ran before.
GxD3DResourceManage& GxGetD3DResourceManage();
