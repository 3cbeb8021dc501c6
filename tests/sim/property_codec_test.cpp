// Stored values the codec must not trust or cannot keep. (The registry forms the product writes are
// checked through its endpoint property store, tests/winaudio.)
#include <gtest/gtest.h>

#include <propvarutil.h>

#include "property_codec.h"

namespace qevsim {
namespace {

TEST(PropertyCodecTest, RefusesUnsupportedTypesAndReadsForeignBinaryAsBlob)
{
    PROPVARIANT unknown;
    PropVariantInit(&unknown);
    unknown.vt = VT_UNKNOWN;
    RegValue stored;
    EXPECT_EQ(PropertyCodec::encode(unknown, &stored), E_INVALIDARG);
    // Binary data without a valid header (written by a driver INF), or whose size does not fit its type.
    const std::vector<std::uint8_t> foreign[] = {
        {0x13, 0x00, 0x00, 0x00, 0xFF}, {0x03, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8}};
    for (const auto& data : foreign) {
        PROPVARIANT back;
        ASSERT_EQ(PropertyCodec::decode(RegValue{L"x", REG_BINARY, data}, &back), S_OK);
        ASSERT_EQ(back.vt, VT_BLOB);
        EXPECT_EQ(back.blob.cbSize, data.size());
        PropVariantClear(&back);
    }
}

TEST(PropertyCodecTest, ValueNamesParseBackAndRejectJunk)
{
    const PROPERTYKEY key = {{0xE3C9C164, 0xAD30, 0x4AEE, {0x86, 0x3E, 0x01, 0xE4, 0xB0, 0x84, 0x7F, 0x62}}, 9980};
    EXPECT_EQ(PropertyCodec::valueName(key), L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9980");
    const auto parsed = PropertyCodec::parseValueName(L"{E3C9C164-AD30-4AEE-863E-01E4B0847F62},9980");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(IsEqualPropertyKey(*parsed, key));
    for (const wchar_t* junk :
         {L"DeviceState", L"Role:0", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},",
          L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},12x", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},99999999999"}) {
        EXPECT_FALSE(PropertyCodec::parseValueName(junk).has_value()) << std::string(junk, junk + wcslen(junk));
    }
}

}  // namespace
}  // namespace qevsim
