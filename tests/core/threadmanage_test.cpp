// Locks and the thread message manager: delivery order and routing, completion records, the wait
// for running threads (through an injected sleep), and posting from worker threads.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/GxMutex.h"
#include "core/GxThreadManage.h"

namespace {

struct Delivery
{
    int kind;  // 1 message, 2 completion
    std::u16string text;
    GxThreadObject* thread;
    int32_t value1, value2;
    bool doneSeen;  // the object's done flag as the listener saw it
};

class RecordingThreadListener : public GxThreadListenerBase
{
public:
    int OnThreadMessage(const std::u16string& text, GxThreadObject* thread, int32_t v1, int32_t v2) override
    {
        got.push_back({1, text, thread, v1, v2, thread ? thread->IsDone() : false});
        if (onMessage) onMessage();
        return 0;
    }
    int OnThreadComplete(const std::u16string& text, GxThreadObject* thread, int32_t v1, int32_t v2) override
    {
        got.push_back({2, text, thread, v1, v2, thread ? thread->IsDone() : false});
        return 0;
    }
    std::vector<Delivery> got;
    std::function<void()> onMessage;
};

TEST(GxMutex, IsRecursiveAndExcludesOtherThreads)
{
    GxMutex m;
    {
        GxMutexScopedLock outer(&m);
        GxMutexScopedLock inner(&m);  // the holder may lock again
    }
    int counter = 0;
    auto add = [&] {
        for (int i = 0; i < 20000; ++i) {
            GxMutexScopedLock l(&m);
            ++counter;
        }
    };
    std::thread a(add), b(add);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);
    static_assert(!std::is_copy_constructible_v<GxMutex> && !std::is_copy_assignable_v<GxMutex>);
    static_assert(std::is_base_of_v<GxObjectNotCopyable, GxMutexScopedLock>);
}

TEST(GxThreadManage, EmptyQueueReturnsAtOnce)
{
    RecordingThreadListener fallback;
    GxThreadManage manage(&fallback);
    manage.DispatchMessages();
    EXPECT_TRUE(fallback.got.empty());
    EXPECT_EQ(manage.GetQueueSize(), 0u);
}

TEST(GxThreadManage, DeliversInOrderToTheObjectsListenerElseTheDefault)
{
    RecordingThreadListener fallback, own;
    GxThreadManage manage(&fallback);
    GxThreadObject withListener(&own), withoutListener;
    manage.Post(GxThreadManage::kMessage, u"first", &withListener, 1, 2);
    manage.Post(GxThreadManage::kMessage, u"second", &withoutListener, 3, 4);
    manage.Post(7, u"unknown kind", &withListener, 0, 0);
    manage.Post(GxThreadManage::kMessage, u"no object", nullptr, 5, 6);
    manage.Post(GxThreadManage::kComplete, u"done", &withListener, 42, 9);
    EXPECT_EQ(manage.GetQueueSize(), 5u);

    manage.DispatchMessages();
    EXPECT_EQ(manage.GetQueueSize(), 0u) << "every record is removed, the dropped one too";

    ASSERT_EQ(own.got.size(), 2u);
    EXPECT_EQ(own.got[0].kind, 1);
    EXPECT_EQ(own.got[0].text, u"first");
    EXPECT_EQ(own.got[0].thread, &withListener);
    EXPECT_EQ(own.got[0].value1, 1);
    EXPECT_EQ(own.got[0].value2, 2);
    EXPECT_FALSE(own.got[0].doneSeen);
    EXPECT_EQ(own.got[1].kind, 2);
    EXPECT_EQ(own.got[1].text, u"done");
    EXPECT_EQ(own.got[1].value1, 42);
    EXPECT_EQ(own.got[1].value2, 9);
    EXPECT_TRUE(own.got[1].doneSeen) << "done is set before the listener is called";
    EXPECT_TRUE(withListener.IsDone());
    EXPECT_EQ(withListener.GetResult(), 42);

    ASSERT_EQ(fallback.got.size(), 2u);
    EXPECT_EQ(fallback.got[0].text, u"second");
    EXPECT_EQ(fallback.got[0].thread, &withoutListener);
    EXPECT_EQ(fallback.got[1].text, u"no object");
    EXPECT_EQ(fallback.got[1].thread, nullptr);
    EXPECT_FALSE(withoutListener.IsDone()) << "a message is not a completion";
}

TEST(GxThreadManage, CompletionWithNoListenerStillMarksTheObject)
{
    GxThreadManage manage(nullptr);
    GxThreadObject worker;
    manage.Post(GxThreadManage::kMessage, u"nobody hears", &worker, 1, 1);
    manage.Post(GxThreadManage::kComplete, u"", &worker, -7, 0);
    manage.DispatchMessages();
    EXPECT_TRUE(worker.IsDone());
    EXPECT_EQ(worker.GetResult(), -7);
    EXPECT_EQ(manage.GetQueueSize(), 0u);
}

TEST(GxThreadManage, ListenerOnTheMainThreadMayPostDuringDelivery)
{
    RecordingThreadListener l;
    GxThreadManage manage(&l);
    int posts = 0;
    l.onMessage = [&] {
        if (posts++ == 0) manage.Post(GxThreadManage::kMessage, u"posted while delivering", nullptr, 0, 0);
    };
    manage.Post(GxThreadManage::kMessage, u"original", nullptr, 0, 0);
    manage.DispatchMessages();
    ASSERT_EQ(l.got.size(), 2u) << "the new record is delivered in the same run";
    EXPECT_EQ(l.got[1].text, u"posted while delivering");
    EXPECT_EQ(manage.GetQueueSize(), 0u);
}

TEST(GxThreadManage, ListenerCanBeChangedOnTheObject)
{
    RecordingThreadListener first, second;
    GxThreadManage manage(nullptr);
    GxThreadObject worker(&first);
    worker.SetListener(&second);
    EXPECT_EQ(worker.GetListener(), &second);
    manage.Post(GxThreadManage::kMessage, u"x", &worker, 0, 0);
    manage.DispatchMessages();
    EXPECT_TRUE(first.got.empty());
    EXPECT_EQ(second.got.size(), 1u);
}

TEST(GxThreadManage, WaitWithNothingRunningDoesNotSleep)
{
    GxThreadManage manage;
    int sleeps = 0;
    manage.SetSleepHook([&](uint32_t) { ++sleeps; });
    EXPECT_EQ(manage.WaitForThreads(), 0);
    EXPECT_EQ(sleeps, 0);
}

TEST(GxThreadManage, WaitSleepsTwentyMillisecondsUntilTheCountFalls)
{
    GxThreadManage manage;
    manage.AddRunning(3);
    std::vector<uint32_t> sleeps;
    manage.SetSleepHook([&](uint32_t ms) {
        sleeps.push_back(ms);
        manage.AddRunning(-1);  // one worker finishes during each wait
    });
    EXPECT_EQ(manage.WaitForThreads(), 0);
    EXPECT_EQ(sleeps, (std::vector<uint32_t>{20, 20, 20}));
    EXPECT_EQ(manage.GetRunningCount(), 0);
}

TEST(GxThreadManage, StopFlag)
{
    GxThreadManage manage;
    EXPECT_FALSE(manage.IsStopRequested());
    manage.RequestStop();
    EXPECT_TRUE(manage.IsStopRequested());
}

TEST(GxThreadManage, WorkersPostWhileTheMainThreadDispatches)
{
    constexpr int kPosts = 300;
    RecordingThreadListener l;
    GxThreadManage manage(&l);
    GxThreadObject objects[2];
    std::atomic<bool> go{false};
    auto worker = [&](int id) {
        while (!go.load()) std::this_thread::yield();
        for (int i = 0; i < kPosts; ++i)
            manage.Post(GxThreadManage::kMessage, u"m", &objects[id], id, i);
        manage.Post(GxThreadManage::kComplete, u"c", &objects[id], 100 + id, 0);
        manage.AddRunning(-1);
    };
    manage.AddRunning(2);
    std::thread a(worker, 0), b(worker, 1);
    // The main loop's pattern: deliver each "step" while the workers run, then wait and drain.
    manage.SetSleepHook([&](uint32_t) {
        manage.DispatchMessages();
        std::this_thread::yield();
    });
    go = true;
    manage.DispatchMessages();
    EXPECT_EQ(manage.WaitForThreads(), 0);
    a.join();
    b.join();
    manage.DispatchMessages();

    ASSERT_EQ(l.got.size(), 2u * (kPosts + 1));
    int next[2] = {0, 0};
    bool completed[2] = {false, false};
    for (const auto& d : l.got) {
        int id = d.thread == &objects[0] ? 0 : 1;
        ASSERT_FALSE(completed[id]) << "nothing of a thread after its completion";
        if (d.kind == 2) {
            completed[id] = true;
            EXPECT_EQ(d.value1, 100 + id);
        } else {
            EXPECT_EQ(d.value1, id);
            EXPECT_EQ(d.value2, next[id]++) << "each thread's records keep their order";
        }
    }
    EXPECT_EQ(next[0], kPosts);
    EXPECT_EQ(next[1], kPosts);
    EXPECT_TRUE(objects[0].IsDone() && objects[1].IsDone());
    EXPECT_EQ(objects[1].GetResult(), 101);
}

TEST(GxThreadManage, DestructorFreesUndeliveredRecords)
{
    auto* manage = new GxThreadManage(nullptr);
    manage->Post(GxThreadManage::kMessage, std::u16string(1000, u'x'), nullptr, 0, 0);
    delete manage;  // the leak checker of the sanitizer build watches this
    SUCCEED();
}

}  // namespace
