#include "layer/GxNcFactory.h"

#include <algorithm>

#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxResourceFactory.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxNcProject.h"

// ---- globals ----

GxNcCrammedImageSetFactory& GxGetNcCrammedImageSetFactory()
{
    static GxNcCrammedImageSetFactory factory;
    return factory;
}

GxNcProjectFactory& GxGetNcProjectFactory()
{
    static GxNcProjectFactory factory;
    return factory;
}

// ---- GxNcProjectFactory ----

GxNcProjectFactory::GxNcProjectFactory()
{
    // Constructed first, the image-set factory is destroyed last: the projects deleted by this
    // factory's destructor still give their image sets back to it.
    GxGetNcCrammedImageSetFactory();
}

GxNcProjectFactory::~GxNcProjectFactory() { ReleaseAll(); }

GxNcProjectEx* GxNcProjectFactory::Get(std::u16string_view name, std::u16string_view imageFolder, bool loadTextures)
{
    std::u16string key = GxToLower(name);
    auto it = m_Map.find(key);
    if (it != m_Map.end()) {
        it->second->AddRef();
        return it->second;
    }
    auto* project = new GxNcProjectEx;
    if (!project->LoadProjectFile(key, imageFolder, loadTextures)) {
        delete project;
        return nullptr;
    }
    m_Map.emplace(std::move(key), project);
    return project;
}

GxNcProjectEx* GxNcProjectFactory::Find(std::u16string_view name)
{
    auto it = m_Map.find(GxToLower(name));
    return it == m_Map.end() ? nullptr : it->second;
}

void GxNcProjectFactory::ReleaseEntry(std::map<std::u16string, GxNcProjectEx*>::iterator it)
{
    GxNcProjectEx* project = it->second;
    project->Release();
    if (project->GetRefCount() == 0) {
        m_Map.erase(it);
        delete project;
    }
}

void GxNcProjectFactory::Release(GxNcProjectEx* project)
{
    auto it = std::find_if(m_Map.begin(), m_Map.end(), [project](const auto& e) { return e.second == project; });
    if (it == m_Map.end()) {
        GxPrintSlightErrorLog(u"Warning/GxNcProjectFactory You tried to release the object does not exist(%s)\n",
                              project ? project->m_ProjectName : std::u16string());
        return;
    }
    ReleaseEntry(it);
}

void GxNcProjectFactory::ReleaseByName(std::u16string_view name)
{
    auto it = m_Map.find(GxToLower(name));
    if (it == m_Map.end()) {
        GxPrintSlightErrorLog(u"Warning/GxNcProjectFactory You tried to release the object does not exist(%s)\n", name);
        return;
    }
    ReleaseEntry(it);
}

void GxNcProjectFactory::ReleaseAll()
{
    // Taken out of the map first: emptying a project calls into the image-set factory only,
    // but nothing here should walk a map that is being torn down.
    std::map<std::u16string, GxNcProjectEx*> map;
    map.swap(m_Map);
    for (auto& entry : map) {
        entry.second->ReleaseAll();
        delete entry.second;
    }
}

void GxNcProjectFactory::ReportUnreleased()
{
    for (const auto& entry : m_Map) GxPrintErrorLog(u"Warning/GxNcProjectFactory Object Not Released(%s)\n", entry.first);
}

// ---- GxNcCrammedImageSetFactory ----

GxNcCrammedImageSetFactory::GxNcCrammedImageSetFactory()
{
    // Constructed first, the texture factory outlives this one: sets freed by this factory's
    // destructor still give their pages back to it.
    GxGetTextureFactory();
}

GxNcCrammedImageSetFactory::~GxNcCrammedImageSetFactory() { ReleaseAll(); }

GxNcCrammedImageSet* GxNcCrammedImageSetFactory::GetCrammedImageSet(std::u16string_view name, bool loadTextures)
{
    std::u16string key = GxToLower(GxChangeExtension(name, u".gis"));
    auto it = m_Map.find(key);
    if (it != m_Map.end()) {
        GxNcCrammedImageSet* set = it->second;
        set->AddRef();
        // A set first loaded without its pages gets them as soon as someone asks for them.
        if (loadTextures && std::find(m_PendingTextures.begin(), m_PendingTextures.end(), set) != m_PendingTextures.end())
            LoadAttachedTexture(set);
        return set;
    }

    GxBinBuffer buffer;
    if (!GxFileLoadToBinBuffer(buffer, key, false, true)) {
        GxPrintErrorLog(u"GetCrammedImageSet:Load Failed:%s\n", key);
        return nullptr;
    }
    auto* set = new GxNcCrammedImageSet;
    set->SetName(key);
    if (!set->ReadFromBuffer(buffer)) {
        GxPrintErrorLog(u"GetCrammedImageSet:Load Failed:%s\n", key);
        delete set;
        return nullptr;
    }
    m_Map.emplace(std::move(key), set);
    set->LinkPatterns();
    if (loadTextures) {
        LoadAttachedTexture(set);
    } else {
        m_PendingTextures.push_back(set);
    }
    return set;
}

bool GxNcCrammedImageSetFactory::LoadAttachedTexture(GxNcCrammedImageSet* set)
{
    if (!set) return true;
    const GxNcGraphicsHooks& hooks = GxNcGetGraphicsHooks();
    const GxFormat format = set->m_EconomyMode ? GXFMT_A4R4G4B4 : GXFMT_A8R8G8B8;
    for (GxNcCrammedImage& page : set->m_CrammedImageArray) {
        if (page.m_pTexture) continue;  // loaded already: a second reference would never be given back
        std::u16string path = set->GetFolder() + page.m_FileName;
        page.m_pTexture = hooks.m_LoadPageTexture ? hooks.m_LoadPageTexture(path, format) : nullptr;
        if (!page.m_pTexture) GxPrintErrorLog(u"LoadAttachedTexture:Load Failed:%s\n", path);
    }
    m_PendingTextures.erase(std::remove(m_PendingTextures.begin(), m_PendingTextures.end(), set),
                            m_PendingTextures.end());
    return true;
}

GxNcCrammedImageSet* GxNcCrammedImageSetFactory::Find(std::u16string_view name)
{
    auto it = m_Map.find(GxToLower(name));
    return it == m_Map.end() ? nullptr : it->second;
}

void GxNcCrammedImageSetFactory::ReleaseEntry(std::map<std::u16string, GxNcCrammedImageSet*>::iterator it)
{
    GxNcCrammedImageSet* set = it->second;
    set->Release();
    if (set->GetRefCount() == 0) {
        m_PendingTextures.erase(std::remove(m_PendingTextures.begin(), m_PendingTextures.end(), set),
                                m_PendingTextures.end());
        m_Map.erase(it);
        delete set;
    }
}

void GxNcCrammedImageSetFactory::Release(GxNcCrammedImageSet* set)
{
    auto it = std::find_if(m_Map.begin(), m_Map.end(), [set](const auto& e) { return e.second == set; });
    if (it == m_Map.end()) {
        GxPrintSlightErrorLog(u"Warning/GxNcCrammedImageSetFactory You tried to release the object does not exist(%s)\n",
                              set ? set->GetName() : std::u16string());
        return;
    }
    ReleaseEntry(it);
}

void GxNcCrammedImageSetFactory::ReleaseByName(std::u16string_view name)
{
    auto it = m_Map.find(GxToLower(name));
    if (it == m_Map.end()) {
        GxPrintSlightErrorLog(u"Warning/GxNcCrammedImageSetFactory You tried to release the object does not exist(%s)\n",
                              name);
        return;
    }
    ReleaseEntry(it);
}

void GxNcCrammedImageSetFactory::ReleaseAll()
{
    std::map<std::u16string, GxNcCrammedImageSet*> map;
    map.swap(m_Map);
    m_PendingTextures.clear();
    for (auto& entry : map) {
        entry.second->ReleaseAll();
        delete entry.second;
    }
}

void GxNcCrammedImageSetFactory::ReportUnreleased()
{
    for (const auto& entry : m_Map)
        GxPrintErrorLog(u"Warning/GxNcCrammedImageSetFactory Object Not Released(%s)\n", entry.first);
}

// ---- GxNcImageSetPool ----

namespace {

std::map<std::u16string, GxNcCrammedImageSet*>& ImageSetPool()
{
    static std::map<std::u16string, GxNcCrammedImageSet*> pool;
    return pool;
}

GxNcEffectRowLookup g_EffectRows;

std::map<std::u16string, GxNcEffectEntry>& EffectPool()
{
    static std::map<std::u16string, GxNcEffectEntry> pool;
    return pool;
}

}  // namespace

bool GxNcImageSetPool::Add(const std::u16string& name)
{
    auto& pool = ImageSetPool();
    if (pool.count(name)) return true;
    GxNcCrammedImageSet* set = GxGetNcCrammedImageSetFactory().GetCrammedImageSet(name, true);
    if (!set) {
        GxPrintErrorLog(u"GxNcImageSetPool::Add イメージセット読み込み失敗[%s]\n", name);
        return false;
    }
    pool.emplace(name, set);
    return true;
}

bool GxNcImageSetPool::Release(const std::u16string& name)
{
    auto& pool = ImageSetPool();
    auto it = pool.find(name);
    if (it == pool.end()) {
        GxPrintErrorLog(u"GxNcImageSetPool::Release 解放するイメージセットが見つからない[%s]\n", name);
        return false;
    }
    GxNcCrammedImageSet* set = it->second;
    pool.erase(it);
    GxGetNcCrammedImageSetFactory().Release(set);
    return true;
}

GxNcCrammedImageSet* GxNcImageSetPool::Find(const std::u16string& name)
{
    auto& pool = ImageSetPool();
    auto it = pool.find(name);
    return it == pool.end() ? nullptr : it->second;
}

void GxNcImageSetPool::ReleaseAll()
{
    std::map<std::u16string, GxNcCrammedImageSet*> pool;
    pool.swap(ImageSetPool());
    for (auto& entry : pool) GxGetNcCrammedImageSetFactory().Release(entry.second);
}

size_t GxNcImageSetPool::GetCount() { return ImageSetPool().size(); }

// ---- GxNcEffectPool ----

void GxNcSetEffectRowLookup(const GxNcEffectRowLookup& lookup) { g_EffectRows = lookup; }

bool GxNcEffectPool::LoadAllEffect(const std::u16string& projectFolder, const std::u16string& imageFolder)
{
    auto& pool = EffectPool();
    GxNcProjectFactory& factory = GxGetNcProjectFactory();
    bool allLoaded = true;
    const int32_t rowCapacity = g_EffectRows.rowCapacity ? g_EffectRows.rowCapacity() : 0;
    for (int32_t i = 0; i < rowCapacity; ++i) {
        const GxNcEffectRow row = g_EffectRows.row(i);
        if (row.GNCName.empty() || row.MotionGroup.empty() || row.Motion.empty()) continue;

        GxNcProjectEx* project = factory.Get(projectFolder + row.GNCName, imageFolder, true);
        if (!project) {
            GxPrintErrorLog(u"GxNcEffectPool::LoadAllEffect プロジェクト読み込み失敗[%s]\n", row.GNCName);
            allLoaded = false;
            continue;
        }
        GxNcMotion* motion = GxNcFindMotion(GxNcFindMotionGroup(project, row.MotionGroup), row.Motion);
        if (!motion) {
            GxPrintErrorLog(u"GxNcEffectPool::LoadAllEffect モーション読み込み失敗[%s:%s]\n", row.GNCName, row.Motion);
            factory.Release(project);  // the reference just taken would otherwise never be given back
            allLoaded = false;
            continue;
        }
        if (!pool.emplace(row.Name, GxNcEffectEntry{project, motion}).second) {
            factory.Release(project);
            GxPrintErrorLog(u"GxNcEffectPool::LoadAllEffect エフェクト名が重複してます[%s]\n", row.Name);
            allLoaded = false;
        }
    }
    return allLoaded;
}

void GxNcEffectPool::ReleaseAll()
{
    std::map<std::u16string, GxNcEffectEntry> pool;
    pool.swap(EffectPool());
    for (auto& entry : pool) GxGetNcProjectFactory().Release(entry.second.m_pProject);
}

const GxNcEffectEntry* GxNcEffectPool::Find(const std::u16string& name)
{
    auto& pool = EffectPool();
    auto it = pool.find(name);
    return it == pool.end() ? nullptr : &it->second;
}

size_t GxNcEffectPool::GetCount() { return EffectPool().size(); }
