// The registry form of property values: each type survives a round trip and keeps its type.
#include <gtest/gtest.h>

#include <propvarutil.h>

#include <cstring>

#include "property_codec.h"
#include "sim_test_support.h"

namespace qevsim {
namespace {

PROPVARIANT roundTrip(const PROPVARIANT& in, DWORD* storedType)
{
    RegValue stored;
    EXPECT_EQ(PropertyCodec::encode(in, &stored), S_OK);
    *storedType = stored.type;
    PROPVARIANT out;
    EXPECT_EQ(PropertyCodec::decode(stored, &out), S_OK);
    return out;
}

TEST(PropertyCodecTest, KeepsEachTypeAndValue)
{
    DWORD type = 0;
    PROPVARIANT text;
    ASSERT_EQ(InitPropVariantFromString(L"hello", &text), S_OK);
    PROPVARIANT back = roundTrip(text, &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    ASSERT_EQ(back.vt, VT_LPWSTR);
    EXPECT_STREQ(back.pwszVal, L"hello");
    PropVariantClear(&back);
    PropVariantClear(&text);

    // Four-byte scalars share one union slot; regType 0 means any registry type.
    const struct {
        VARTYPE vt;
        ULONG bits;
        DWORD regType;
    } scalars[] = {{VT_UI4, 0xDEADBEEF, REG_DWORD}, {VT_I4, static_cast<ULONG>(-42), REG_BINARY}, {VT_UINT, 7, 0}};
    for (const auto& row : scalars) {
        PROPVARIANT number;
        PropVariantInit(&number);
        number.vt = row.vt;
        number.ulVal = row.bits;
        back = roundTrip(number, &type);
        if (row.regType != 0) {
            EXPECT_EQ(type, row.regType) << row.vt;
        }
        EXPECT_EQ(back.vt, row.vt);
        EXPECT_EQ(back.ulVal, row.bits) << row.vt;
    }
}

TEST(PropertyCodecTest, KeepsStringListsGuidsAndBlobs)
{
    DWORD type = 0;
    PROPVARIANT list = test::stringList({L"{A}", L"{B}", L"third"});
    PROPVARIANT back = roundTrip(list, &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    ASSERT_EQ(back.vt, VT_VECTOR | VT_LPWSTR);
    ASSERT_EQ(back.calpwstr.cElems, 3u);
    EXPECT_STREQ(back.calpwstr.pElems[2], L"third");
    PropVariantClear(&back);
    PropVariantClear(&list);

    const GUID guid = {0x4D99D9D2, 0xC5DE, 0x4A46, {0x8E, 0x6E, 0x6D, 0x73, 0x07, 0xFE, 0x73, 0xFF}};
    PROPVARIANT clsid;
    ASSERT_EQ(InitPropVariantFromCLSID(guid, &clsid), S_OK);
    back = roundTrip(clsid, &type);
    ASSERT_EQ(back.vt, VT_CLSID);
    EXPECT_TRUE(IsEqualGUID(*back.puuid, guid));
    PropVariantClear(&back);
    PropVariantClear(&clsid);

    BYTE bytes[] = {1, 2, 3, 0, 5};
    PROPVARIANT blob;
    PropVariantInit(&blob);
    blob.vt = VT_BLOB;
    blob.blob.cbSize = sizeof(bytes);
    blob.blob.pBlobData = bytes;
    back = roundTrip(blob, &type);
    ASSERT_EQ(back.vt, VT_BLOB);
    ASSERT_EQ(back.blob.cbSize, sizeof(bytes));
    EXPECT_EQ(std::memcmp(back.blob.pBlobData, bytes, sizeof(bytes)), 0);
    PropVariantClear(&back);
}

TEST(PropertyCodecTest, RefusesUnsupportedTypesAndReadsForeignBinaryAsBlob)
{
    PROPVARIANT unknown;
    PropVariantInit(&unknown);
    unknown.vt = VT_UNKNOWN;
    RegValue stored;
    EXPECT_EQ(PropertyCodec::encode(unknown, &stored), E_INVALIDARG);

    // Binary data without a valid type header (e.g. written by a driver INF) reads as a blob.
    const RegValue foreign{L"x", REG_BINARY, {0x13, 0x00, 0x00, 0x00, 0xFF}};
    PROPVARIANT back;
    ASSERT_EQ(PropertyCodec::decode(foreign, &back), S_OK);
    ASSERT_EQ(back.vt, VT_BLOB);
    EXPECT_EQ(back.blob.cbSize, 5u);
    PropVariantClear(&back);

    // A header whose size does not fit its type is not trusted either.
    const RegValue lying{L"y", REG_BINARY, {0x03, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8}};
    ASSERT_EQ(PropertyCodec::decode(lying, &back), S_OK);
    EXPECT_EQ(back.vt, VT_BLOB);
    PropVariantClear(&back);
}

TEST(PropertyCodecTest, ValueNamesParseBackAndRejectJunk)
{
    const PROPERTYKEY key = {{0xE3C9C164, 0xAD30, 0x4AEE, {0x86, 0x3E, 0x01, 0xE4, 0xB0, 0x84, 0x7F, 0x62}}, 9980};
    const std::wstring name = PropertyCodec::valueName(key);
    EXPECT_EQ(name, L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9980");
    const auto parsed = PropertyCodec::parseValueName(L"{E3C9C164-AD30-4AEE-863E-01E4B0847F62},9980");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(IsEqualPropertyKey(*parsed, key));
    EXPECT_FALSE(PropertyCodec::parseValueName(L"DeviceState").has_value());
    EXPECT_FALSE(PropertyCodec::parseValueName(L"Role:0").has_value());
    EXPECT_FALSE(PropertyCodec::parseValueName(L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},").has_value());
    EXPECT_FALSE(PropertyCodec::parseValueName(L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},12x").has_value());
    EXPECT_FALSE(PropertyCodec::parseValueName(L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},99999999999").has_value());
}

}  // namespace
}  // namespace qevsim
