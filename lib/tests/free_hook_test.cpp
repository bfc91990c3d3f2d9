#include "lib/free_hook.h"
#include "lib/memory_manager.h"
#include "lib/setup_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace setupkit {
namespace {

// The manager under the hook: it records the releases of the blocks a test
// made (the hook's own bookkeeping releases blocks too), can refuse one
// block's release and can move every resized block.
struct UnderlyingManager {
    std::vector<std::string>* events = nullptr;
    std::vector<void*> tracked;
    std::size_t allocated = 0;
    void* refused = nullptr;
    bool moveOnResize = false;
    void* resized = nullptr;
    std::size_t resizedTo = 0;
};
UnderlyingManager under;

void* UnderGetMem(std::size_t size) {
    under.allocated = size;
    return std::malloc(size);
}
int UnderFreeMem(void* block) {
    if (block == under.refused) {
        under.events->push_back("refused");
        return 1;
    }
    auto it = std::find(under.tracked.begin(), under.tracked.end(), block);
    if (it != under.tracked.end()) {
        under.events->push_back("release");
        under.tracked.erase(it);
    }
    std::free(block);
    return 0;
}
void* UnderReallocMem(void* block, std::size_t size) {
    under.resized = block;
    under.resizedTo = size;
    if (!under.moveOnResize)
        return std::realloc(block, size);
    void* moved = std::malloc(size);
    std::free(block);
    return moved;
}

struct Subscriber {
    std::string name;
    std::vector<std::string>* events;
    std::function<void()> action = nullptr;
    void* toldAbout = nullptr;
};

void Tell(void* context, void* block) {
    auto* s = static_cast<Subscriber*>(context);
    s->events->push_back("tell " + s->name);
    s->toldAbout = block;
    if (s->action)
        s->action();
}

class FreeHookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        under = UnderlyingManager{};
        under.events = &events_;
        saved_ = GetMemoryManager();
        SetMemoryManager({UnderGetMem, UnderFreeMem, UnderReallocMem});
        InstallFreeHook();
    }
    void TearDown() override {
        RemoveFreeHook();
        SetMemoryManager(saved_);
    }
    Subscriber& Make(const std::string& name) {
        subscribers_.push_back(std::make_unique<Subscriber>(Subscriber{name, &events_}));
        return *subscribers_.back();
    }
    void* Alloc(std::size_t size) {
        void* block = AllocateBlock(size);
        under.tracked.push_back(block);
        return block;
    }
    void Watch(void* block, Subscriber& s) { WatchFree(block, Tell, &s); }
    void Release(void* block) {
        events_.push_back("-");
        EXPECT_EQ(ReleaseBlock(block), 0);
    }

    std::vector<std::string> events_;
    std::vector<std::unique_ptr<Subscriber>> subscribers_;
    TMemoryManager saved_{};
};

using Events = std::vector<std::string>;

TEST_F(FreeHookTest, WithoutWatchesEveryCallPassesStraightThrough) {
    void* block = Alloc(24);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(under.allocated, 24u);
    void* grown = ResizeBlock(block, 4000);
    ASSERT_NE(grown, nullptr);
    under.tracked = {grown};
    EXPECT_EQ(under.resized, block);
    EXPECT_EQ(under.resizedTo, 4000u);
    under.refused = grown;
    EXPECT_EQ(ReleaseBlock(grown), 1) << "a refused release keeps its status";
    under.refused = nullptr;
    EXPECT_EQ(ReleaseBlock(grown), 0);
    EXPECT_EQ(events_, (Events{"refused", "release"}));
}

TEST_F(FreeHookTest, InstalledHookForwardsToTheManagerItReplaced) {
    const TMemoryManager hook = GetMemoryManager();
    EXPECT_NE(hook.FreeMem, UnderFreeMem);
    EXPECT_EQ(hook.FreeMem, NotifyFreeHook);
    EXPECT_THROW(InstallFreeHook(), SetupError);
    RemoveFreeHook();
    const TMemoryManager restored = GetMemoryManager();
    EXPECT_EQ(restored.GetMem, UnderGetMem);
    EXPECT_EQ(restored.FreeMem, UnderFreeMem);
    EXPECT_EQ(restored.ReallocMem, UnderReallocMem);
    InstallFreeHook();
}

TEST_F(FreeHookTest, MissingSlotsOfTheReplacedManagerUseTheRuntimeDefaults) {
    RemoveFreeHook();
    SetMemoryManager({nullptr, UnderFreeMem, nullptr});
    InstallFreeHook();
    void* block = ResizeBlock(AllocateBlock(8), 64);
    ASSERT_NE(block, nullptr);
    under.tracked = {block};
    Release(block);
    EXPECT_EQ(events_, (Events{"-", "release"}));
    RemoveFreeHook();
    const TMemoryManager restored = GetMemoryManager();
    EXPECT_EQ(restored.GetMem, nullptr) << "the saved record goes back as it was read";
    EXPECT_EQ(restored.FreeMem, UnderFreeMem);
    InstallFreeHook();
}

TEST_F(FreeHookTest, SubscribersAreToldInOrderAfterTheReleaseAndOnlyOnce) {
    void* block = Alloc(32);
    void* other = Alloc(32);
    Subscriber& first = Make("first");
    Subscriber& second = Make("second");
    Watch(block, first);
    Watch(block, second);
    Release(other);
    Release(block);
    EXPECT_EQ(events_, (Events{"-", "release", "-", "release", "tell first", "tell second"}));
    EXPECT_EQ(first.toldAbout, block);
    EXPECT_EQ(second.toldAbout, block);
    EXPECT_FALSE(UnwatchFree(block, Tell, &first)) << "the watch is forgotten once told";
}

TEST_F(FreeHookTest, RefusedReleaseStillTellsTheSubscribers) {
    void* block = Alloc(16);
    Subscriber& s = Make("s");
    Watch(block, s);
    under.refused = block;
    EXPECT_EQ(ReleaseBlock(block), 1);
    EXPECT_EQ(events_, (Events{"refused", "tell s"}));
    under.refused = nullptr;
    std::free(block);
}

TEST_F(FreeHookTest, WatchedBlockMovedByResizeTellsNobodyAndKeepsTheOldAddress) {
    under.moveOnResize = true;
    void* block = Alloc(16);
    Subscriber& s = Make("s");
    Watch(block, s);
    void* moved = ResizeBlock(block, 256);
    ASSERT_NE(moved, block);
    under.tracked = {moved};
    Release(moved);
    EXPECT_EQ(events_, (Events{"-", "release"}));
    EXPECT_TRUE(UnwatchFree(block, Tell, &s));
}

TEST_F(FreeHookTest, SubscriberThatReleasesMemoryIsNotToldAgain) {
    void* block = Alloc(16);
    void* inner = Alloc(16);
    void* plain = Alloc(16);
    Subscriber& outer = Make("outer");
    Subscriber& nested = Make("nested");
    Subscriber& late = Make("late");
    outer.action = [&] {
        Release(plain);
        Release(inner);
    };
    Watch(block, outer);
    Watch(block, late);
    Watch(inner, nested);
    Release(block);
    EXPECT_EQ(events_, (Events{"-", "release", "tell outer", "-", "release", "-", "release",
                               "tell nested", "tell late"}));
}

TEST_F(FreeHookTest, SubscriberThatCancelsItselfLetsTheNextOneBeCalled) {
    void* block = Alloc(16);
    Subscriber& a = Make("a");
    Subscriber& b = Make("b");
    Subscriber& c = Make("c");
    b.action = [&] { EXPECT_TRUE(UnwatchFree(block, Tell, &b)); };
    c.action = [&] { EXPECT_TRUE(UnwatchFree(block, Tell, &c)); };
    Watch(block, a);
    Watch(block, b);
    Watch(block, c);
    Release(block);
    EXPECT_EQ(events_, (Events{"-", "release", "tell a", "tell b", "tell c"}));
}

TEST_F(FreeHookTest, SubscriberThatCancelsAnEarlierOneSkipsNobody) {
    void* block = Alloc(16);
    Subscriber& a = Make("a");
    Subscriber& b = Make("b");
    Subscriber& c = Make("c");
    b.action = [&] { EXPECT_TRUE(UnwatchFree(block, Tell, &a)); };
    Watch(block, a);
    Watch(block, b);
    Watch(block, c);
    Release(block);
    EXPECT_EQ(events_, (Events{"-", "release", "tell a", "tell b", "tell c"}));
}

TEST_F(FreeHookTest, CancelledRegistrationIsNotTold) {
    void* block = Alloc(16);
    void* lone = Alloc(16);
    Subscriber& a = Make("a");
    Subscriber& b = Make("b");
    Subscriber& stranger = Make("stranger");
    Watch(block, a);
    Watch(block, b);
    Watch(block, a);
    Watch(lone, a);
    EXPECT_TRUE(UnwatchFree(block, Tell, &a));
    EXPECT_FALSE(UnwatchFree(block, Tell, &stranger));
    EXPECT_TRUE(UnwatchFree(lone, Tell, &a));
    EXPECT_FALSE(UnwatchFree(lone, Tell, &a));
    Release(lone);
    Release(block);
    EXPECT_EQ(events_, (Events{"-", "release", "-", "release", "tell b", "tell a"}));
}

TEST_F(FreeHookTest, RemovalWithWatchesLeftTellsNobody) {
    void* first = Alloc(16);
    void* second = Alloc(16);
    Subscriber& s = Make("s");
    Watch(first, s);
    Watch(second, s);
    RemoveFreeHook();
    EXPECT_FALSE(FreeHookInstalled());
    Release(first);
    Release(second);
    EXPECT_EQ(events_, (Events{"-", "release", "-", "release"}));
    EXPECT_FALSE(UnwatchFree(first, Tell, &s));
    EXPECT_THROW(WatchFree(first, Tell, &s), SetupError);
    InstallFreeHook();
}

} // namespace
} // namespace setupkit
