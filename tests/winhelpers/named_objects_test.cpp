// Named mutexes and semaphores of the helper layer on Wine's real kernel
// objects: the global names, an existing object, abandonment, all-or-none
// acquisition and probes that leave the count alone.
#include "winhelpers/named_objects.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// The count of a semaphore, read by a release and a take-back.
LONG count_of(HANDLE semaphore)
{
    LONG previous = -1;
    if (ReleaseSemaphore(semaphore, 1, &previous))
        WaitForSingleObject(semaphore, 0);
    return previous;
}

TEST(NamedObjects, GlobalNamesAndExistingObjects)
{
    EXPECT_EQ(tw::global_object_prefix(), L"Global\\");
    tw::scoped_handle first(tw::create_mutex(false, L"tw-test-mutex"));
    ASSERT_TRUE(first.valid());
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    tw::scoped_handle second(tw::create_mutex(false, L"tw-test-mutex"));
    ASSERT_TRUE(second.valid());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    // The prefix is part of the name others open.
    tw::scoped_handle byName(OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\tw-test-mutex"));
    EXPECT_TRUE(byName.valid());

    tw::scoped_handle semaphore(tw::create_semaphore(2, 5, L"tw-test-semaphore"));
    ASSERT_TRUE(semaphore.valid());
    EXPECT_EQ(count_of(semaphore.get()), 2);
}

TEST(NamedObjects, MutexOwnership)
{
    tw::named_mutex mine(L"tw-test-owned", true, true);
    EXPECT_TRUE(mine.owned);
    std::thread other([] {
        tw::named_mutex theirs(L"tw-test-owned", false, true);
        EXPECT_FALSE(theirs.owned);
        EXPECT_FALSE(theirs.try_lock()) << "held by the other thread";
    });
    other.join();
}

TEST(NamedObjects, AnAbandonedMutexCountsAsOwned)
{
    std::thread crashed([] {
        HANDLE h = tw::create_mutex(true, L"tw-test-abandoned");
        // The thread ends holding the mutex, as a crashed installer would.
        (void)h;
    });
    crashed.join();
    tw::named_mutex next(L"tw-test-abandoned", false, true);
    EXPECT_TRUE(next.try_lock());
    EXPECT_TRUE(next.owned);
}

TEST(NamedObjects, AcquireIsAllOrNone)
{
    tw::semaphore_units units(tw::create_semaphore(2, 10, L"tw-test-units"));
    ASSERT_TRUE(units.handle.valid());
    units.units = 3;
    EXPECT_FALSE(units.acquire(3));
    EXPECT_EQ(units.units, 3);
    EXPECT_EQ(count_of(units.handle.get()), 2) << "the two units taken were given back";
    EXPECT_TRUE(units.acquire(2));
    EXPECT_EQ(units.units, 1);
    EXPECT_EQ(count_of(units.handle.get()), 0);
}

TEST(NamedObjects, UnitsGoBackWithTheHolder)
{
    tw::scoped_handle watcher(tw::create_semaphore(0, 10, L"tw-test-return"));
    {
        tw::semaphore_units added(tw::create_semaphore(0, 10, L"tw-test-return"));
        ASSERT_TRUE(ReleaseSemaphore(added.handle.get(), 2, nullptr));
        added.units = 2;
        EXPECT_EQ(count_of(watcher.get()), 2);
    }
    EXPECT_EQ(count_of(watcher.get()), 0);
    {
        tw::semaphore_units taken(tw::create_semaphore(0, 10, L"tw-test-return"));
        ASSERT_TRUE(ReleaseSemaphore(watcher.get(), 1, nullptr));
        ASSERT_TRUE(taken.acquire(1));
        EXPECT_EQ(taken.units, -1);
        EXPECT_EQ(count_of(watcher.get()), 0);
    }
    EXPECT_EQ(count_of(watcher.get()), 1) << "a unit taken is given back";
}

TEST(NamedObjects, ProbeLeavesTheCount)
{
    tw::scoped_handle semaphore(tw::create_semaphore(0, 0x7FFFFFFF, L"tw-test-probe"));
    ASSERT_TRUE(ReleaseSemaphore(semaphore.get(), 2, nullptr));
    EXPECT_EQ(tw::count_running_instances(semaphore.get()), 2);
    EXPECT_EQ(tw::count_running_instances(semaphore.get()), 2);
    EXPECT_EQ(tw::count_running_instances(nullptr), 0);
}

} // namespace
