// The machine-file reader: the .reg forms it accepts and the errors it reports with line numbers.
#include <gtest/gtest.h>

#include "property_codec.h"
#include "reg_file_parser.h"
#include "reg_key.h"

namespace qevsim {
namespace {

TEST(RegFileParserTest, ReadsKeysValuesAndShortForms)
{
    const std::wstring text =
        L"Windows Registry Editor Version 5.00\r\n"
        L"; comment\r\n"
        L"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\r\n"
        L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Key]\r\n"
        L"\"Text\"=\"a \\\"quoted\\\" C:\\\\path\"\r\n"
        L"\"Number\"=dword:0000001f\r\n"
        L"\"Bytes\"=hex:01,02,\\\r\n"
        L"  03\r\n"
        L"\"List\"=multi:\"one\",\"two\"\r\n"
        L"\"Signed\"=i4:-5\r\n"
        L"\"Typed\"=hex(ffff0012):41,00,00,00\r\n"
        L"@=\"default\"\r\n"
        L"\"Gone\"=-\r\n";
    const auto ops = RegFileParser::parse(text);
    ASSERT_EQ(ops.size(), 10u);
    EXPECT_EQ(ops[0].kind, RegOperation::Kind::DeleteKey);
    EXPECT_EQ(ops[0].path, L"SOFTWARE\\Old");
    EXPECT_EQ(ops[1].kind, RegOperation::Kind::CreateKey);
    EXPECT_EQ(ops[2].name, L"Text");
    EXPECT_EQ(bytesToString(ops[2].data), L"a \"quoted\" C:\\path");
    EXPECT_EQ(ops[3].type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(ops[3].data, (std::vector<std::uint8_t>{0x1f, 0, 0, 0}));
    EXPECT_EQ(ops[4].data, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(bytesToMultiString(ops[5].data), (std::vector<std::wstring>{L"one", L"two"}));
    PROPVARIANT signedValue;
    ASSERT_EQ(PropertyCodec::decode(RegValue{L"", ops[6].type, ops[6].data}, &signedValue), S_OK);
    EXPECT_EQ(signedValue.vt, VT_I4);
    EXPECT_EQ(signedValue.lVal, -5);
    EXPECT_EQ(ops[7].type, 0xffff0012u);
    EXPECT_EQ(ops[8].name, L"");
    EXPECT_EQ(ops[9].kind, RegOperation::Kind::DeleteValue);
}

TEST(RegFileParserTest, ReportsBadInputWithItsLine)
{
    const std::wstring key = L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\x]\r\n";
    const std::pair<std::wstring, const char*> cases[] = {
        {L"\"Orphan\"=\"x\"\r\n", "line 1: value outside of a key"},
        {L"[HKEY_CLASSES_ROOT\\x]\r\n", "unsupported root key"},
        {L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\x\r\n", "must end with ]"},
        {key + L"\r\n\"v\"=dword:1234567890\r\n", "line 3: bad hexadecimal"},
        {key + L"\"v\"=hex:1,2\r\n", "line 2: bad hex byte"},
        {key + L"\"v\"=\"unterminated\r\n", "unterminated string"},
        {key + L"\"v\"=i4:12abc\r\n", "bad i4 number"},
        {key + L"\"v\"=float:1.5\r\n", "unknown value data"},
        {key + L"\"v\" \"w\"\r\n", "expected ="},
        {L"[HKEY_LOCAL_MACHINE]\r\n", "a key below the root"},
        {key + L"\"v\"=multi:\"a\",\"\",\"b\"\r\n", "line 2: multi: strings must not be empty"},
    };
    for (const auto& [text, fragment] : cases) {
        try {
            RegFileParser::parse(text);
            ADD_FAILURE() << "no error for: " << fragment;
        } catch (const RegFileError& e) {
            EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace qevsim
