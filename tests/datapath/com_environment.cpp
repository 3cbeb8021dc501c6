// The process keeps a multithreaded COM apartment for the whole run, as the server's entry point
// does, so COM objects held in lists outlive the calls that created them.

#include <objbase.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/com_init.h"

namespace qev::datapath {

namespace {

class ComEnvironment : public ::testing::Environment {
public:
    void SetUp() override { com_ = std::make_unique<base::ComInit>(COINIT_MULTITHREADED); }
    void TearDown() override { com_.reset(); }

private:
    std::unique_ptr<base::ComInit> com_;
};

[[maybe_unused]] ::testing::Environment* const kComEnvironment =
    ::testing::AddGlobalTestEnvironment(new ComEnvironment);

}  // namespace

}  // namespace qev::datapath
