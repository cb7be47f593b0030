// The heap set-up that start-up makes: large blocks come from the heap, and a freed one is
// used again instead of being mapped anew.
#include <malloc.h>

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "platform/GxHeap.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kOwnAllocator = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kOwnAllocator = true;
#else
constexpr bool kOwnAllocator = false;
#endif
#else
constexpr bool kOwnAllocator = false;
#endif

TEST(Heap, LargeBlocksComeFromTheHeapAndAreUsedAgain)
{
    if (kOwnAllocator) GTEST_SKIP() << "a sanitizer's allocator stands in for the C library's";
    ASSERT_TRUE(GxTuneHeap());
    const size_t picture = 1024 * 768 * 4;
    const size_t mappedBefore = mallinfo2().hblkhd;
    void* first = std::malloc(picture);
    ASSERT_NE(first, nullptr);
    std::memset(first, 1, picture);
    EXPECT_EQ(mallinfo2().hblkhd, mappedBefore) << "a picture's block is no mapping of its own";
    std::free(first);
    void* second = std::malloc(picture);
    EXPECT_EQ(second, first) << "the freed block serves the next picture";
    std::free(second);
}
