#include "Orvel/Hook/TrackingScope.h"

#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "AllocationCounter.h"

using Orvel::Hook::ITrackable;
using Orvel::Hook::TrackingRegistry;
using Orvel::Hook::TrackingScope;

namespace
{
    // Writes a saved value back into an int and logs what happens to it.
    class SavedInt final : public ITrackable
    {
    public:
        SavedInt(std::uintptr_t key, int* target, std::vector<std::string>* log)
            : ITrackable(key), m_target(target), m_saved(*target), m_log(log)
        {
        }
        ~SavedInt() override { m_log->push_back("destroyed " + std::to_string(m_saved)); }
        void Restore() noexcept override
        {
            *m_target = m_saved;
            m_log->push_back("restored " + std::to_string(m_saved));
        }

    private:
        int* m_target;
        int m_saved;
        std::vector<std::string>* m_log;
    };

    using Log = std::vector<std::string>;
} // namespace

TEST(TrackingScope, AnExceptionWritesBackAndRemovesWhatTheScopeSaved)
{
    Log log; // outlives the registry, whose objects log their destruction
    TrackingRegistry registry;
    int value = 1;
    int other = 10;
    {
        TrackingScope earlier(0x20, registry);
        earlier.Emplace<SavedInt>(&other, &log);
        earlier.Release();
    }
    EXPECT_THROW(
        {
            TrackingScope scope(0x10, registry);
            scope.Emplace<SavedInt>(&value, &log);
            value = 2;
            scope.Emplace<SavedInt>(&value, &log);
            value = 3;
            throw std::runtime_error("cut short");
        },
        std::runtime_error);
    EXPECT_EQ(value, 1) << "the oldest copy is written last";
    EXPECT_EQ(log, (Log{"restored 2", "restored 1", "destroyed 1", "destroyed 2"}));
    ASSERT_EQ(registry.Size(), 1u) << "the released object of another key stays";
    EXPECT_EQ(registry[0].GetKey(), 0x20u);
    EXPECT_FALSE(registry[0].IsRestored());
}

TEST(TrackingScope, AReleasedScopeLeavesItsObjectsUnrestored)
{
    Log log; // outlives the registry, whose objects log their destruction
    TrackingRegistry registry;
    int value = 1;
    {
        TrackingScope scope(0x10, registry);
        scope.Emplace<SavedInt>(&value, &log);
        value = 2;
        scope.Release();
        EXPECT_EQ(scope.GetKey(), 0u);
    }
    EXPECT_EQ(value, 2);
    ASSERT_EQ(registry.Size(), 1u);
    EXPECT_EQ(registry[0].GetKey(), 0x10u) << "the object keeps the key it was registered under";
    EXPECT_FALSE(registry[0].IsRestored());
    EXPECT_TRUE(log.empty());
}

TEST(TrackingScope, ALaterScopeWithTheSameKeyLeavesEarlierChangesAlone)
{
    // The same memory changed twice: the second change fails and must not undo the first.
    Log log; // outlives the registry, whose objects log their destruction
    TrackingRegistry registry;
    int slot = 1;
    {
        TrackingScope first(0x10, registry);
        first.Emplace<SavedInt>(&slot, &log);
        slot = 2;
        first.Release();
    }
    {
        TrackingScope second(0x10, registry);
        second.Emplace<SavedInt>(&slot, &log);
        slot = 3;
    }
    EXPECT_EQ(slot, 2);
    EXPECT_EQ(registry.Size(), 1u);
    EXPECT_EQ(log, (Log{"restored 2", "destroyed 2"}));
}

TEST(TrackingScope, NestedScopesUnwindTheirOwnObjects)
{
    Log log; // outlives the registry, whose objects log their destruction
    TrackingRegistry registry;
    int a = 1, b = 10;
    {
        TrackingScope outer(0x1, registry);
        outer.Emplace<SavedInt>(&a, &log);
        a = 2;
        {
            TrackingScope inner(0x2, registry);
            inner.Emplace<SavedInt>(&b, &log);
            b = 20;
        }
        EXPECT_EQ(b, 10);
        EXPECT_EQ(registry.Size(), 1u);
        outer.Emplace<SavedInt>(&b, &log);
        b = 30;
    }
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 10);
    EXPECT_EQ(registry.Size(), 0u);
}

TEST(TrackingScope, AFailedRegistrationLeavesTheRegistryUnchanged)
{
    Log log; // outlives the registry, whose objects log their destruction
    TrackingRegistry registry;
    log.reserve(8);
    int value = 1;
    TrackingScope scope(0x10, registry);
    // The first allocation makes the object, the second grows the registry.
    for (std::size_t allowed : {0u, 1u})
    {
        NimbravaTest::AllocationFailure failure(allowed);
        EXPECT_THROW(scope.Emplace<SavedInt>(&value, &log), std::bad_alloc) << allowed;
        EXPECT_TRUE(failure.Triggered());
    }
    EXPECT_EQ(registry.Size(), 0u);
    EXPECT_EQ(log, (Log{"destroyed 1"})) << "the object that could not be added is destroyed, not restored";
}

TEST(TrackingRegistry, DestructionDestroysWithoutRestoring)
{
    Log log;
    int value = 1;
    {
        TrackingRegistry registry;
        TrackingScope scope(0x10, registry);
        scope.Emplace<SavedInt>(&value, &log);
        value = 2;
        scope.Release();
    }
    EXPECT_EQ(value, 2);
    EXPECT_EQ(log, (Log{"destroyed 1"}));
}
