#include "app/task/GxTaskFolder.h"

#include "core/GxLog.h"

GxTaskFolder::GxTaskFolder(const char16_t* taskName, const char16_t* localName, int32_t localIndex,
                           GxTaskBase* parent)
    : GxTaskBase(taskName, localName, localIndex, parent)
{
    AddKindFlags(GxTaskKind::Folder);
}

GxTaskFolder::~GxTaskFolder()
{
    // The registry is destroyed without touching the registered tasks (a task entered directly
    // may be gone already). Only tasks that entered themselves remember this folder, and they
    // are this folder or its descendants: those still alive (when the folder is deleted before
    // its subtree, or named itself) must not reach the registry once it is gone.
    if (m_LocalFolder == this) m_LocalFolder = nullptr;
    ForgetFolderIn(m_FirstChild);
    m_UIEvents.clear();
    m_LocalNames.clear();
}

void GxTaskFolder::ForgetFolderIn(GxTaskBase* subtree)
{
    for (GxTaskBase* t = subtree; t; t = t->m_NextSibling) {
        if (t->m_LocalFolder == this) t->m_LocalFolder = nullptr;
        ForgetFolderIn(t->m_FirstChild);
    }
}

void GxTaskFolder::OnSequenceLeave() { ClearUIEvents(); }

int GxTaskFolder::Update(int32_t step, int64_t elapsed)
{
    (void)step; (void)elapsed;
    DispatchUIEvents(nullptr);
    return 0;
}

GxVector3 GxTaskFolder::GetAbsolutePos() const
{
    if (!m_Parent) return GxVector3();
    GxVector3 p = m_Parent->GetAbsolutePos();
    p.w = 0.0f;
    return p;
}

bool GxTaskFolder::RegisterTaskLocalName(const std::u16string& name, int32_t index, GxTaskBase* task)
{
    auto& indexes = m_LocalNames[name];
    auto [it, inserted] = indexes.emplace(index, task);
    if (!inserted) {
        GxPrintErrorLog(u"GxTaskFolder::RegisterTaskLocalName/TaskLocalNameまたはIndex重複を検出 %s (%s,%d)\n",
                        GetTaskName(), name, index);
        return false;
    }
    return true;
}

bool GxTaskFolder::UnregisterTaskLocalName(const std::u16string& name, int32_t index)
{
    auto n = m_LocalNames.find(name);
    if (n == m_LocalNames.end()) return false;
    auto i = n->second.find(index);
    if (i == n->second.end()) return false;
    n->second.erase(i);
    if (n->second.empty()) m_LocalNames.erase(n);
    return true;
}

bool GxTaskFolder::UnregisterTaskLocalName(const std::u16string& name, int32_t index, const GxTaskBase* task)
{
    auto n = m_LocalNames.find(name);
    if (n == m_LocalNames.end()) return false;
    auto i = n->second.find(index);
    if (i == n->second.end() || i->second != task) return false;
    n->second.erase(i);
    if (n->second.empty()) m_LocalNames.erase(n);
    return true;
}

GxTaskBase* GxTaskFolder::GetTaskLocal(const char16_t* name, int32_t index)
{
    GxTaskBase* t = FindTaskLocal(name, index);
    if (!t) {
        GxPrintErrorLog(u"GxTaskFolder::GetTaskLocal/ローカルタスクが存在しません %s:%s[%d]\n", GetTaskName(),
                        name ? name : u"", index);
    }
    return t;
}

GxTaskBase* GxTaskFolder::GetTaskLocal(const std::u16string& name, int32_t index)
{
    return GetTaskLocal(name.c_str(), index);
}

GxTaskBase* GxTaskFolder::FindTaskLocal(const char16_t* name, int32_t index)
{
    if (!name) return nullptr;
    auto n = m_LocalNames.find(std::u16string_view(name));
    if (n == m_LocalNames.end()) return nullptr;
    auto i = n->second.find(index);
    return i == n->second.end() ? nullptr : i->second;
}

GxTaskBase* GxTaskFolder::FindTaskLocalByString(const std::u16string& name, int32_t index)
{
    return FindTaskLocal(name.c_str(), index);
}

bool GxTaskFolder::PostUIEvent(const GxUIEventParam& param)
{
    if (!m_UIEventEnabled) return false;
    GxUIEventParam copy = param;
    copy.m_Values[3] = 0.0f;
    copy.m_Values[7] = 0.0f;
    copy.m_Values[11] = 0.0f;
    m_UIEvents.push_back(copy);
    return true;
}

namespace {

// Codes without an operation (11, 14, 17, 21 and anything outside 1..24) reach nothing.
int RouteUIEvent(GxUIListenerBase* l, GxUIEventParam* p)
{
    GxTaskUIBase* s = p->m_Sender;
    switch (p->m_EventType) {
    case 1: return l->OnUIEventLeftDown(s, p);
    case 2: return l->OnUIEventRightDown(s, p);
    case 3: return l->OnUIEventCode3(s, p);
    case 4: return l->OnUIEventLeftUp(s, p);
    case 5: return l->OnUIEventCode5(s, p);
    case 6: return l->OnUIEventCode6(s, p);
    case 7: return l->OnUIEventMouseOver(s, p);
    case 8: return l->OnUIEventMouseOut(s, p);
    case 9: return l->OnUIEventCode9(s, p);
    case 10: return l->OnUIEventCode10(s, p);
    case 12: return l->OnUIEventCode12(s, p);
    case 13: return l->OnUIEventCode13(s, p);
    case 15: return l->OnUIEventKeyDown(s, p);
    case 16: return l->OnUIEventCode16(s, p);
    case 18: return l->OnUIEventSelectChange(s, p);
    case 19: return l->OnUIEventValueChange(s, p);
    case 20: return l->OnUIEventCode20(s, p);
    case 22: return l->OnUIEventCode22(s, p);
    case 23: return l->OnUIEventCode23(s, p);
    case 24: return l->OnUIEventCode24(s, p);
    default: return 0;
    }
}

}  // namespace

int32_t GxTaskFolder::DispatchUIEvents(GxUIListenerBase* listener)
{
    if (!listener) listener = this;
    uint32_t sum = 0;  // wraps rather than overflows
    while (!m_UIEvents.empty()) {
        // The handler gets a copy: it may clear the queue, which would free the record under it.
        GxUIEventParam record = m_UIEvents.front();
        const uint32_t clears = m_ClearCount;
        sum += static_cast<uint32_t>(RouteUIEvent(listener, &record));
        // A handler that cleared the queue ends the dispatch. Whatever it posted after clearing
        // stays queued for the next dispatch: the front record is no longer the one just handled.
        if (m_ClearCount != clears) return static_cast<int32_t>(sum);
        m_UIEvents.pop_front();
    }
    return static_cast<int32_t>(sum);
}

void GxTaskFolder::ClearUIEvents()
{
    m_UIEvents.clear();
    ++m_ClearCount;
}
