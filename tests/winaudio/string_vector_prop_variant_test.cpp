#include "winaudio/string_vector_prop_variant.h"

#include <gtest/gtest.h>

#include "base/prop_variant.h"

namespace qev::winaudio {
namespace {

TEST(StringVectorPropVariant, CopiesEveryStringInOrder)
{
    base::PropVariant value;
    ASSERT_EQ(InitStringVectorPropVariant({L"{A}", L"", L"{C}"}, value.get()), S_OK);
    ASSERT_EQ(value.type(), VT_VECTOR | VT_LPWSTR);
    ASSERT_EQ(value.value().calpwstr.cElems, 3u);
    EXPECT_STREQ(value.value().calpwstr.pElems[0], L"{A}");
    EXPECT_STREQ(value.value().calpwstr.pElems[1], L"");
    EXPECT_STREQ(value.value().calpwstr.pElems[2], L"{C}");
}

TEST(StringVectorPropVariant, NullTargetIsRefused)
{
    EXPECT_EQ(InitStringVectorPropVariant({L"x"}, nullptr), E_POINTER);
}

}  // namespace
}  // namespace qev::winaudio
