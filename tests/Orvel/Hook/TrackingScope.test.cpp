#include "Orvel/Hook/TrackingScope.h"

#include <new>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "AllocationCounter.h"

using namespace Orvel::Hook;
using Log = std::vector<std::string>;

namespace
{
    // Writes a saved value back into an int and logs what happens to it.
    struct SavedInt final : ITrackable
    {
        SavedInt(std::uintptr_t key, int* target, Log* log) : ITrackable(key), Target(target), Saved(*target), Out(log)
        {
        }
        ~SavedInt() override { Out->push_back("destroyed " + std::to_string(Saved)); }
        void Restore() noexcept override { Out->push_back("restored " + std::to_string(*Target = Saved)); }
        int* Target;
        int Saved;
        Log* Out;
    };
} // namespace

// One history of changes to `value` and `other` under keys 0x10 and 0x20. A scope that ends
// unreleased is one that an exception left.
TEST(TrackingScope, WritesBackOnlyWhatItSavedUnlessReleased)
{
    Log log; // outlives the registry, whose objects log their destruction
    log.reserve(16);
    int value = 1, other = 10;
    const auto change = [&log](TrackingScope& scope, int& target, int next) {
        scope.Emplace<SavedInt>(&target, &log);
        target = next;
    };
    {
        TrackingRegistry registry;
        {
            TrackingScope scope(0x10, registry);
            // A failed registration leaves the registry as it was: the first allocation makes the
            // object, the second grows the registry; the object made is destroyed, not restored.
            for (const std::size_t allowed : {0u, 1u})
            {
                NimbravaTest::AllocationCounter failure(allowed);
                EXPECT_THROW(scope.Emplace<SavedInt>(&value, &log), std::bad_alloc) << allowed;
            }
            EXPECT_EQ(registry.Size(), 0u);
            change(scope, value, 2);
            scope.Release();
        }
        EXPECT_EQ(value, 2) << "a released scope keeps the change";
        {
            // The same memory changed again under the same key: undoing the second change must not
            // undo the first.
            TrackingScope outer(0x10, registry);
            change(outer, value, 3);
            change(outer, value, 4);
            {
                TrackingScope inner(0x20, registry);
                change(inner, other, 11);
            }
            EXPECT_EQ(other, 10) << "a nested scope unwinds its own objects";
        }
        EXPECT_EQ(value, 2) << "newest first, so the oldest copy is written last";
        EXPECT_EQ(log, (Log{"destroyed 1", "restored 10", "destroyed 10", "restored 3", "restored 2", "destroyed 2",
                            "destroyed 3"}));
        ASSERT_EQ(registry.Size(), 1u);
        EXPECT_EQ(registry[0].GetKey(), 0x10u) << "the released object keeps the key it was registered under";
        EXPECT_FALSE(registry[0].IsRestored());
        log.clear();
    }
    EXPECT_EQ(log, (Log{"destroyed 1"})) << "destroying the registry writes nothing back";
    EXPECT_EQ(value, 2);
}
