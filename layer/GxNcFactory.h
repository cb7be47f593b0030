// Sharing of motion projects (".gnc") and image sets (".gis") by name: the reference-counted
// object base, the two global factories, and the pools that keep image sets and the effect
// motions of the effect table loaded for a whole run.
//
// Everything here runs on the main thread and takes no lock.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class GxNcProjectEx;
class GxNcCrammedImageSet;
class GxNcMotion;

// Counts references but never deletes itself: an object whose count reaches 0 is emptied by
// its own Release and stays allocated until the factory that holds it deletes it.
class GxObjectRefCountNotAutoDelete
{
public:
    GxObjectRefCountNotAutoDelete() = default;
    // Derived classes call ReleaseAll in their own destructors: here their Release is no
    // longer reachable.
    virtual ~GxObjectRefCountNotAutoDelete() { ReleaseAll(); }
    GxObjectRefCountNotAutoDelete(const GxObjectRefCountNotAutoDelete&) = delete;
    GxObjectRefCountNotAutoDelete& operator=(const GxObjectRefCountNotAutoDelete&) = delete;

    virtual void AddRef() { ++m_RefCount; }
    virtual uint32_t GetRefCount() const { return m_RefCount; }
    // One reference less (none below 0); the count afterwards.
    virtual uint32_t Release()
    {
        if (m_RefCount > 0) --m_RefCount;
        return m_RefCount;
    }
    virtual void ReleaseAll()
    {
        while (m_RefCount != 0) Release();
    }

protected:
    uint32_t m_RefCount = 0;
};

// Motion projects by lower-cased name.
class GxNcProjectFactory
{
public:
    GxNcProjectFactory();
    virtual ~GxNcProjectFactory();
    GxNcProjectFactory(const GxNcProjectFactory&) = delete;
    GxNcProjectFactory& operator=(const GxNcProjectFactory&) = delete;

    // The held project with one more reference, or the project loaded from the file (count 1);
    // null when the load fails, and nothing is kept, so a later Get reads the file again.
    virtual GxNcProjectEx* Get(std::u16string_view name, std::u16string_view imageFolder, bool loadTextures);
    // No load, no reference.
    virtual GxNcProjectEx* Find(std::u16string_view name);
    virtual void Release(GxNcProjectEx* project);
    virtual void ReleaseByName(std::u16string_view name);
    // Empties and deletes every project, whatever its count.
    virtual void ReleaseAll();
    // One warning per project still held.
    virtual void ReportUnreleased();

    size_t GetCount() const { return m_Map.size(); }

private:
    void ReleaseEntry(std::map<std::u16string, GxNcProjectEx*>::iterator it);

    std::map<std::u16string, GxNcProjectEx*> m_Map;
};

// Image sets by lower-cased file name (".gis").
class GxNcCrammedImageSetFactory
{
public:
    GxNcCrammedImageSetFactory();
    virtual ~GxNcCrammedImageSetFactory();
    GxNcCrammedImageSetFactory(const GxNcCrammedImageSetFactory&) = delete;
    GxNcCrammedImageSetFactory& operator=(const GxNcCrammedImageSetFactory&) = delete;

    // The held set with one more reference, or the set loaded from the file (count 1) with its
    // page textures when loadTextures is set; otherwise the set waits on the pending-texture
    // list. Null when the file cannot be read.
    virtual GxNcCrammedImageSet* GetCrammedImageSet(std::u16string_view name, bool loadTextures);
    virtual GxNcCrammedImageSet* Find(std::u16string_view name);
    virtual void Release(GxNcCrammedImageSet* set);
    virtual void ReleaseByName(std::u16string_view name);
    virtual void ReleaseAll();
    virtual void ReportUnreleased();

    // Loads every page texture of the set (missing pictures are reported and left without a
    // texture); always true.
    bool LoadAttachedTexture(GxNcCrammedImageSet* set);

    size_t GetCount() const { return m_Map.size(); }
    // Sets loaded without their page textures, in load order.
    const std::vector<GxNcCrammedImageSet*>& GetPendingTextureList() const { return m_PendingTextures; }

private:
    void ReleaseEntry(std::map<std::u16string, GxNcCrammedImageSet*>::iterator it);

    std::map<std::u16string, GxNcCrammedImageSet*> m_Map;
    std::vector<GxNcCrammedImageSet*> m_PendingTextures;
};

// The global factories. The project factory makes sure the image-set factory outlives it,
// since projects release their image sets when they are deleted.
GxNcProjectFactory& GxGetNcProjectFactory();
GxNcCrammedImageSetFactory& GxGetNcCrammedImageSetFactory();

// Image sets that screens and widgets share, keyed by the name exactly as given; each entry
// holds one factory reference.
namespace GxNcImageSetPool {
// True when held already (no second reference) or loaded now (with page textures).
bool Add(const std::u16string& name);
// Gives the entry's reference back; false (logged) for a name that is not held.
bool Release(const std::u16string& name);
// The held set or null; loads nothing, adds no reference.
GxNcCrammedImageSet* Find(const std::u16string& name);
void ReleaseAll();
size_t GetCount();
}  // namespace GxNcImageSetPool

struct GxNcEffectEntry
{
    GxNcProjectEx* m_pProject = nullptr;  // one project-factory reference
    GxNcMotion* m_pMotion = nullptr;
};

// One row of the effect table as the effect pool reads it; the names refer into the table.
struct GxNcEffectRow
{
    const std::u16string& GNCName;  // motion project file
    const std::u16string& MotionGroup;
    const std::u16string& Motion;
    const std::u16string& Name;     // the script's name of the effect
};

// The effect table as the pool reaches it. The table is the game's: it fills this when it is
// created, and until then the pool reads no rows, as it would from an empty table.
struct GxNcEffectRowLookup
{
    int32_t (*rowCapacity)() = nullptr;
    GxNcEffectRow (*row)(int32_t index) = nullptr;  // index below rowCapacity()
};
void GxNcSetEffectRowLookup(const GxNcEffectRowLookup& lookup);

// The effect motions of the effect table, keyed by effect name.
namespace GxNcEffectPool {
// Loads the project and motion of every complete row of the effect table; true when no row
// failed. Every row is tried.
bool LoadAllEffect(const std::u16string& projectFolder, const std::u16string& imageFolder);
void ReleaseAll();
// The entry held under the effect name, or null.
const GxNcEffectEntry* Find(const std::u16string& name);
size_t GetCount();
}  // namespace GxNcEffectPool
