#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "include_rule.h"
#include "include_scan.h"
#include "layer_table.h"

namespace qev::tools {
namespace {

TEST(Layers, NoIncludeOfTheTreeReachesAHigherLayer)
{
    // Wine maps drive Z: to the Unix root.
    const std::filesystem::path root = std::string("Z:") + QEV_SOURCE_DIR_UNIX;
    std::ifstream file(root / "cmake" / "layers.txt");
    ASSERT_TRUE(file) << "cannot read cmake/layers.txt";
    std::stringstream text;
    text << file.rdbuf();
    const auto violations = scan_includes(LayerTable::parse(text.str()), root);
    for (const auto& violation : violations) {
        ADD_FAILURE() << violation;
    }
}

TEST(Layers, RuleAllowsOnlyTheSameLayerAndBelowAndTheFloorOutsideSrc)
{
    const LayerTable table = LayerTable::parse(
        "base 0 floor\nrpc/wire.h 0 floor\nwinsys 0\ndatapath/catalogue 1\ndatapath/manager 7 # a comment\nrpc 8\n");
    const struct {
        const char* includer;
        const char* header;
        bool allowed;
    } cases[] = {
        {"src/rpc/pipe.cpp", "datapath/manager/interface.h", true},
        {"src/datapath/manager/m.cpp", "datapath/catalogue/c.h", true},
        {"src/winsys/registry.cpp", "base/logging.h", true},
        {"src/datapath/catalogue/c.cpp", "datapath/manager/m.h", false},
        {"src/base/logging.cpp", "winsys/registry.h", false},
        {"src/rpc/wire.h", "rpc/pipe.h", false},
        {"src/effects/e.cpp", "base/logging.h", false},
        {"client/qev_client.cpp", "rpc/wire.h", true},
        {"tools/qevlog/reader.cpp", "winsys/registry.h", false},
        {"client/qev_client.cpp", "rpcx/other.h", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(!include_violation(table, c.includer, c.header).has_value(), c.allowed)
            << c.includer << " includes " << c.header;
    }
    for (const char* text : {"base 0\nrpc\n", "base 0\nrpc eight\n", "base 0\nrpc 8 roof\n", "base -1\n"}) {
        EXPECT_THROW(LayerTable::parse(text), std::invalid_argument) << text;
    }
}

}  // namespace
}  // namespace qev::tools
