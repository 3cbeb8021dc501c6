#include "rpc/fnv_hash.h"
#include "rpc/wire_constants.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace qev::rpc {

namespace {

TEST(FnvHash, MatchesFnv1aWithSignExtendedBytesAndStopsAtNul)
{
    const struct {
        std::string text;
        uint64_t hash;
    } cases[] = {
        {"", 0xcbf29ce484222325ULL},
        {"a", 0xaf63dc4c8601ec8cULL},
        {"foobar", 0x85944171f73967e8ULL},
        {"QevIntfCreate", 0xbfac1ca27656234eULL},
        // High bytes are XORed in as sign-extended signed chars (unsigned would give 0x8072001b9fe5a1fb).
        {"\xE9t\xE9", 0x5aa5c818b5281ffbULL},
        {"Qev\xFFX", 0x4cedf3014b79b600ULL},
        {std::string("QevIntfStart\0junk", 17), fnv1a_hash("QevIntfStart")},
    };
    for (const auto& [text, hash] : cases) {
        EXPECT_EQ(fnv1a_hash(text), hash) << text;
    }
}

TEST(FnvHash, ThirteenFunctionNamesHashApart)
{
    using namespace wire::function_name;
    std::set<uint64_t> hashes;
    for (const auto* name : {kCreate, kDestroy, kStart, kStop, kConfig, kSet, kGet, kGetStatus, kGetInfo, kEnum,
                             kGetSerialized, kSetSerialized, kNotify}) {
        hashes.insert(fnv1a_hash(name));
    }
    EXPECT_EQ(hashes.size(), 13u);
}

}  // namespace

}  // namespace qev::rpc
