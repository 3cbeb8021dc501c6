// Every test process that loads a machine leaves the prefix without one: ctest runs each test as
// its own process, and other test programs in the same prefix must not see simulated devices.
// Before that it fails the program if the simulator saw a call the documentation forbids (a
// contract violation, by the product or by a test) since the last program ended.
// Linked (as an object library, so the registration below is never dropped) into the simulator's
// tests and into the product's tests that run on the simulated machine. It clears in-process with
// the code of `qevsim clear`, so the clean-up does not depend on starting another process.
#include <gtest/gtest.h>

#include <string>

#include "contract.h"
#include "machine_editor.h"
#include "started_processes.h"

namespace qevsim::test {
namespace {

class MachineCleanupEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        for (const auto& violation : Contract::violations()) {
            ADD_FAILURE() << "simulator contract violation: " << std::string(violation.begin(), violation.end());
        }
        Contract::clearViolations();
        std::wstring error;
        const bool cleared = StartedProcesses::endAll(&error) && MachineEditor::clear(&error);
        EXPECT_TRUE(cleared) << "clearing the simulated machine after the tests: "
                             << std::string(error.begin(), error.end());
    }
};

// GoogleTest owns the environment once added.
::testing::Environment* const kMachineCleanup = ::testing::AddGlobalTestEnvironment(new MachineCleanupEnvironment);

}  // namespace
}  // namespace qevsim::test
