#include "app/task/GxTaskBase.h"

#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskFolder.h"
#include "app/task/GxTaskManage.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxLog.h"

GxTaskBase::GxTaskBase(const char16_t* taskName, const char16_t* localName, int32_t localIndex, GxTaskBase* parent)
{
    if (parent) {
        m_Manager = parent->m_Manager;
        m_Parent = parent;
        m_PrevSibling = parent->m_LastChild;
        if (parent->m_LastChild) parent->m_LastChild->m_NextSibling = this;
        else parent->m_FirstChild = this;
        parent->m_LastChild = this;
        ++parent->m_ChildCount;
    }
    if (taskName) SetTaskName(taskName);
    // The derived constructors have not set their kind bits yet, so a folder-derived task is
    // entered in the nearest folder above it, never in itself.
    if (localName) SetTaskLocalName(localName, localIndex);
}

GxTaskBase::GxTaskBase(GxTaskManage* manager) : m_Manager(manager)
{
    if (m_Manager) m_Manager->RegisterRootTask(this);
}

GxTaskBase::~GxTaskBase()
{
    if (m_Manager) {
        if (m_TaskID != 0) m_Manager->UnregisterTaskIDOf(m_TaskID, this);
        if (!m_TaskName.empty()) m_Manager->UnregisterTaskNameOf(m_TaskName, this);
        m_Manager->ForgetTask(this);
    }
    if (m_LocalFolder) {
        m_LocalFolder->UnregisterTaskLocalName(m_LocalName, m_LocalIndex, this);
        m_LocalFolder = nullptr;
    }

    // Children are normally gone by now (the sweep and the manager delete children first);
    // should any remain, they must not keep a link to freed memory.
    for (GxTaskBase* c = m_FirstChild; c;) {
        GxTaskBase* next = c->m_NextSibling;
        c->m_Parent = nullptr;
        c->m_PrevSibling = nullptr;
        c->m_NextSibling = nullptr;
        c = next;
    }

    if (m_Parent) {
        if (m_PrevSibling) m_PrevSibling->m_NextSibling = m_NextSibling;
        else m_Parent->m_FirstChild = m_NextSibling;
        if (m_NextSibling) m_NextSibling->m_PrevSibling = m_PrevSibling;
        else m_Parent->m_LastChild = m_PrevSibling;
        --m_Parent->m_ChildCount;
    }
}

bool GxTaskBase::SetTaskID(uint64_t id)
{
    if (m_TaskID != 0) {
        GxPrintErrorLog(u"GxTaskBase::SetTaskID/TaskIDは後から変更できませんTaskID=%I64u->%I64u\n", m_TaskID, id);
        return false;
    }
    m_TaskID = id;
    if (!m_Manager) return false;
    return m_Manager->RegisterTaskID(this, id);
}

bool GxTaskBase::SetTaskName(const std::u16string& name)
{
    if (m_Manager && !m_TaskName.empty()) m_Manager->UnregisterTaskNameOf(m_TaskName, this);
    m_TaskName = name;
    if (m_Manager && !m_TaskName.empty()) return m_Manager->RegisterTaskName(m_TaskName, this);
    return false;
}

GxTaskFolder* GxTaskBase::FindNearestFolder()
{
    for (GxTaskBase* t = this; t; t = t->m_Parent) {
        if (t->IsKindOf(GxTaskKind::Folder)) {
            if (GxTaskFolder* f = dynamic_cast<GxTaskFolder*>(t)) return f;
        }
    }
    return nullptr;
}

bool GxTaskBase::SetTaskLocalName(const std::u16string& name, int32_t index)
{
    GxTaskFolder* folder = FindNearestFolder();
    if (!folder) {
        GxPrintErrorLog(u"GxTaskBase::SetTaskLocalName/フォルダタスク下にありません (%s,%d)\n", name, index);
        return false;
    }
    // The old entry may live in another folder than the one found now (a folder that names
    // itself later registers in its own registry), so it is removed where it was entered.
    if (m_LocalFolder) {
        m_LocalFolder->UnregisterTaskLocalName(m_LocalName, m_LocalIndex, this);
        m_LocalFolder = nullptr;
    }
    m_LocalName = name;
    m_LocalIndex = index;
    if (m_LocalName.empty()) return false;
    if (!folder->RegisterTaskLocalName(m_LocalName, m_LocalIndex, this)) return false;
    m_LocalFolder = folder;
    return true;
}

void GxTaskBase::GetTaskDebugString(std::u16string& out) const
{
    out = GxFormatString(u"%s/%s[%d]:%d", m_TaskName, m_LocalName, m_LocalIndex, m_TaskType);
}

void GxTaskBase::Resume()
{
    if (m_GlobalState != GxTaskState::Paused) return;
    m_GlobalState = GxTaskState::Active;
    OnResume();
}

void GxTaskBase::Pause()
{
    if (m_GlobalState != GxTaskState::Active) return;
    m_GlobalState = GxTaskState::Paused;
    OnPause();
}

void GxTaskBase::SetGlobalState(uint32_t state)
{
    m_GlobalState = state;
    if (state == GxTaskState::Dead) NoteSweepNeeded();
}

void GxTaskBase::NoteSweepNeeded()
{
    if (m_Manager) m_Manager->m_SweepNeeded = true;
}

void GxTaskBase::Kill()
{
    KillChildren();
    if (m_GlobalState == GxTaskState::Dead) return;
    m_GlobalState = GxTaskState::Dead;
    NoteSweepNeeded();
    OnKill();
}

void GxTaskBase::ResumeChildren()
{
    for (GxTaskBase* c = m_FirstChild; c; c = c->m_NextSibling) c->Resume();
}

void GxTaskBase::PauseChildren()
{
    for (GxTaskBase* c = m_FirstChild; c; c = c->m_NextSibling) c->Pause();
}

void GxTaskBase::KillChildren()
{
    for (GxTaskBase* c = m_FirstChild; c; c = c->m_NextSibling) c->Kill();
}

bool GxTaskBase::RegisterRenderLayer(int32_t layer, int32_t mode, float orderKey, int32_t param)
{
    if (!m_Manager) return false;
    GxTaskRenderManage* list = m_Manager->GetRenderList(layer);
    if (!list) return false;
    return list->RegisterTask(this, mode, orderKey, param);
}

bool GxTaskBase::WriteContent(GxContentWriterBase& writer)
{
    writer.WriteGxU32Alt("m_GlobalState", m_GlobalState);
    writer.WriteGxS64("m_TaskID", static_cast<int64_t>(m_TaskID));
    return writer.GetErrorCount() == 0;
}

bool GxTaskBase::ReadContent(GxContentReaderBase& reader)
{
    if (m_TaskID != 0 && m_Manager) {
        // Only this task's own entry goes: when its id was refused as a duplicate, the entry
        // under that id belongs to the other task.
        auto it = m_Manager->m_TaskIDMap.find(m_TaskID);
        if (it != m_Manager->m_TaskIDMap.end() && it->second == this) {
            m_Manager->m_TaskIDMap.erase(it);
        } else {
            GxPrintErrorLog(u"GxTaskManage::UnregisterTaskID/TaskID発見できず (%I64u)\n", m_TaskID);
        }
    }
    // A failed read leaves the state as it was rather than turning it into no state at all.
    uint32_t state = m_GlobalState;
    if (reader.ReadGxU32Alt("m_GlobalState", state)) {
        m_GlobalState = state;
        if (state == GxTaskState::Dead) NoteSweepNeeded();
    }
    int64_t id = static_cast<int64_t>(m_TaskID);
    reader.ReadGxS64("m_TaskID", id);
    m_TaskID = static_cast<uint64_t>(id);
    if (m_TaskID != 0 && m_Manager) m_Manager->RegisterTaskID(this, m_TaskID);
    return reader.GetErrorCount() == 0;
}
