// A task whose descendants can be addressed by (local name, index) and that queues UI events.
// A child that names itself locally is entered in its nearest folder ancestor; widgets post
// their events to a folder (in practice a screen) and the folder's update hands them, one by
// one, to a UI listener by event code.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <string_view>

#include "app/task/GxTaskBase.h"
#include "app/task/GxUIEventParam.h"

class GxTaskFolder : public GxTaskBase, public GxUIListenerBase
{
public:
    GxTaskFolder(const char16_t* taskName, const char16_t* localName, int32_t localIndex, GxTaskBase* parent);
    ~GxTaskFolder() override;

    // Drops the events left when the screen is left, so none carries over into its next visit.
    void OnSequenceLeave() override;
    // Dispatches the queued UI events to the folder's own listener part.
    int Update(int32_t step, int64_t elapsed) override;
    // A folder has no position of its own: its parent's absolute position, or zero at the top.
    GxVector3 GetAbsolutePos() const override;

    // Enters task under (name, index); a pair already present is refused with an error line.
    virtual bool RegisterTaskLocalName(const std::u16string& name, int32_t index, GxTaskBase* task);
    // Removes (name, index) whatever task it holds; false when absent.
    virtual bool UnregisterTaskLocalName(const std::u16string& name, int32_t index);
    // Removes (name, index) only when it holds task; false otherwise.
    bool UnregisterTaskLocalName(const std::u16string& name, int32_t index, const GxTaskBase* task);
    // The registered task, or null after an error line.
    virtual GxTaskBase* GetTaskLocal(const char16_t* name, int32_t index);
    virtual GxTaskBase* GetTaskLocal(const std::u16string& name, int32_t index);
    // The registered task or null, silently.
    virtual GxTaskBase* FindTaskLocal(const char16_t* name, int32_t index);
    virtual GxTaskBase* FindTaskLocalByString(const std::u16string& name, int32_t index);

    virtual void SetUIEventEnabled(bool enabled) { m_UIEventEnabled = enabled; }
    virtual bool IsUIEventEnabled() const { return m_UIEventEnabled; }
    // Queues a copy of the record when UI events are enabled (the fourth component of each of
    // its three vectors becomes 0); false and nothing queued otherwise.
    virtual bool PostUIEvent(const GxUIEventParam& param);
    // Hands the queued records, front first, to the listener operation of each record's code;
    // records posted meanwhile are dispatched in the same call. Returns the sum of the
    // operations' results. A null listener means this folder's own listener part.
    virtual int32_t DispatchUIEvents(GxUIListenerBase* listener);
    virtual void ClearUIEvents();

    size_t GetUIEventCount() const { return m_UIEvents.size(); }

private:
    // Clears, in the subtree, every task's memory of this folder as the holder of its name.
    void ForgetFolderIn(GxTaskBase* subtree);

    // Looked up by a view: a search by name allocates nothing.
    std::map<std::u16string, std::map<int32_t, GxTaskBase*>, std::less<>> m_LocalNames;
    std::list<GxUIEventParam> m_UIEvents;  // a list: nothing allocated while empty
    bool m_UIEventEnabled = false;
    // Raised by every clear, so that dispatch can tell that its front record is gone.
    uint32_t m_ClearCount = 0;
};
