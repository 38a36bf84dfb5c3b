// The guard on Windows: the named mutex, seen by name from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include "util/instanceguard.h"

using namespace Tormvale;

TEST(InstanceGuardWin, TheNamedMutexStopsTheNextCopy) {
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, L"Varnopile/Tormvale"), nullptr) << "no copy runs in the test's prefix";
    ASSERT_EQ(AcquireInstanceGuard(GuardName), GuardState::Acquired);
    // The exact name, without a namespace prefix, as another copy opens it.
    const HANDLE seen = OpenMutexW(SYNCHRONIZE, FALSE, L"Varnopile/Tormvale");
    EXPECT_NE(seen, nullptr);
    if (seen) CloseHandle(seen);
    EXPECT_EQ(AcquireInstanceGuard(GuardName), GuardState::HeldElsewhere);
    EXPECT_EQ(AcquireInstanceGuard(GuardName), GuardState::HeldElsewhere) << "the second copy's open was closed";
    EXPECT_EQ(AcquireInstanceGuard("Varnopile/Other"), GuardState::Acquired);
}
