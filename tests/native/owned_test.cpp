// The owning holder with a fake resource whose "free" only writes down what it was given, so
// that every test can say exactly which handles were freed and how often.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "base/owned.h"

namespace qln {
namespace {

std::vector<int> g_freed;
std::vector<void*> g_freedPointers;

void FreeInt(int handle) { g_freed.push_back(handle); }
void FreePointer(void* handle) { g_freedPointers.push_back(handle); }

// As for file handles: -1 is no handle, 0 is a real one.
struct MinusOneIsEmpty {
    static int value() { return -1; }
};
// As INVALID_HANDLE_VALUE: a pointer made from -1, which no template argument can be.
struct AllOnesIsEmpty {
    static void* value() { return reinterpret_cast<void*>(static_cast<std::intptr_t>(-1)); }
};

using Held = Owned<int, FreeInt>;
using HeldFile = Owned<int, FreeInt, MinusOneIsEmpty>;
using HeldPointer = Owned<void*, FreePointer, AllOnesIsEmpty>;

void* Pointer(std::intptr_t value) { return reinterpret_cast<void*>(value); }

class OwnedTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_freed.clear();
        g_freedPointers.clear();
    }
};

TEST_F(OwnedTest, AHandleIsFreedOnceWhenItsHolderGoesAndAnEmptyHolderFreesNothing) {
    {
        Held held(7);
        Held empty;
        EXPECT_TRUE(held);
        EXPECT_FALSE(empty);
        EXPECT_EQ(held.get(), 7);
        EXPECT_TRUE(g_freed.empty());
    }
    EXPECT_EQ(g_freed, std::vector<int>{7});
}

TEST_F(OwnedTest, MovesHandOverTheHandleSoThatOnlyTheLastOwnerFreesIt) {
    {
        Held first(1);
        Held second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.get(), 1);
        EXPECT_TRUE(g_freed.empty());

        Held third(3);
        third = std::move(second);  // 3 goes now, 1 stays owned by `third`
        EXPECT_EQ(g_freed, std::vector<int>{3});
        EXPECT_FALSE(second);
        EXPECT_EQ(third.get(), 1);

        Held& alias = third;
        third = std::move(alias);  // onto itself: nothing freed, nothing lost
        EXPECT_EQ(third.get(), 1);
        EXPECT_EQ(g_freed, std::vector<int>{3});
    }
    EXPECT_EQ(g_freed, (std::vector<int>{3, 1}));
}

TEST_F(OwnedTest, ResetReleaseAndReceiveFreeExactlyTheHandleGivenUp) {
    Held held(10);
    held.reset(11);
    EXPECT_EQ(g_freed, std::vector<int>{10});
    EXPECT_EQ(held.get(), 11);

    EXPECT_EQ(held.release(), 11);  // the caller owns it now
    EXPECT_FALSE(held);
    held.reset();
    EXPECT_EQ(g_freed, std::vector<int>{10});

    held.reset(12);
    int* slot = held.receive();  // as a creation function answering through a pointer
    EXPECT_EQ(g_freed, (std::vector<int>{10, 12}));
    EXPECT_FALSE(held);
    *slot = 13;
    EXPECT_EQ(held.get(), 13);
    held.reset();
    EXPECT_EQ(g_freed, (std::vector<int>{10, 12, 13}));
}

TEST_F(OwnedTest, WithAnotherEmptyValueNullIsARealHandleAndTheEmptyOneIsNeverFreed) {
    {
        HeldFile empty;
        EXPECT_FALSE(empty);
        EXPECT_EQ(empty.get(), -1);
        HeldFile zero(0);
        EXPECT_TRUE(zero);
        HeldFile moved(std::move(zero));
        EXPECT_EQ(zero.get(), -1);
        *empty.receive() = -1;  // a creation that failed
        EXPECT_FALSE(empty);
    }
    EXPECT_EQ(g_freed, std::vector<int>{0});

    {
        HeldPointer empty;
        EXPECT_FALSE(empty);
        HeldPointer null(nullptr);
        EXPECT_TRUE(null);
        HeldPointer held(Pointer(0x40));
        held = std::move(empty);  // 0x40 goes; the empty value comes across and is not freed
        EXPECT_FALSE(held);
        EXPECT_EQ(empty.get(), Pointer(-1));
        EXPECT_EQ(null.release(), nullptr);
    }
    EXPECT_EQ(g_freedPointers, std::vector<void*>{Pointer(0x40)});
}

}  // namespace
}  // namespace qln
