#include "rpc/api_names.h"
#include "rpc/fnv_hash.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(FnvHash, MatchesPublishedFnv1aVectorsForAscii)
{
    EXPECT_EQ(fnv1a_hash(""), 0xcbf29ce484222325ULL);
    EXPECT_EQ(fnv1a_hash("a"), 0xaf63dc4c8601ec8cULL);
    EXPECT_EQ(fnv1a_hash("foobar"), 0x85944171f73967e8ULL);
    EXPECT_EQ(fnv1a_hash("QevIntfCreate"), 0xbfac1ca27656234eULL);
}

TEST(FnvHash, HighBytesAreSignExtended)
{
    // Reference values: the byte XORed in as a sign-extended signed char.
    EXPECT_EQ(fnv1a_hash("\xE9t\xE9"), 0x5aa5c818b5281ffbULL);
    EXPECT_EQ(fnv1a_hash("Qev\xFFX"), 0x4cedf3014b79b600ULL);
    // The unsigned reading of the same bytes gives another hash.
    EXPECT_NE(fnv1a_hash("\xE9t\xE9"), 0x8072001b9fe5a1fbULL);
}

TEST(FnvHash, StopsAtFirstNul)
{
    EXPECT_EQ(fnv1a_hash(std::string("QevIntfStart\0junk", 17)), fnv1a_hash("QevIntfStart"));
}

TEST(FnvHash, ThirteenFunctionNamesHashApart)
{
    using namespace api_names;
    const std::set<uint64_t> hashes = {
        fnv1a_hash(kCreate), fnv1a_hash(kDestroy),   fnv1a_hash(kStart),         fnv1a_hash(kStop),
        fnv1a_hash(kConfig), fnv1a_hash(kSet),       fnv1a_hash(kGet),           fnv1a_hash(kGetStatus),
        fnv1a_hash(kGetInfo), fnv1a_hash(kEnum),     fnv1a_hash(kGetSerialized), fnv1a_hash(kSetSerialized),
        fnv1a_hash(kNotify)};
    EXPECT_EQ(hashes.size(), 13u);
}

} // namespace
