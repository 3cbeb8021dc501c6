// Every test process leaves the prefix without a machine: ctest runs each test as its own
// process, and other test programs in the same prefix must not see simulated devices.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace qevsim::test {
namespace {

class MachineCleanupEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        const ToolResult cleared = runQevsim({L"clear"});
        EXPECT_EQ(cleared.exitCode, 0u) << "qevsim clear after the tests: " << cleared.output;
    }
};

// GoogleTest owns the environment once added.
::testing::Environment* const kMachineCleanup = ::testing::AddGlobalTestEnvironment(new MachineCleanupEnvironment);

}  // namespace
}  // namespace qevsim::test
