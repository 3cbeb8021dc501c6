#include "vpnr/enrollment_container.h"
#include "vpnr/mszip_codec.h"
#include "vpnr/sealed_recording.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "debug_output_capture.h"
#include "recording_fixture.h"

namespace qev::vpnr {
namespace {

using Bytes = std::vector<std::uint8_t>;

// PBKDF2-HMAC-SHA256 of the product's password "40718263" with the salt "Nordic Plum Orchard.",
// 1024 iterations, 16 bytes, computed on the build host with Python:
//   hashlib.pbkdf2_hmac('sha256', b'40718263', b'Nordic Plum Orchard.', 1024, 16).hex()
const Bytes kExpectedKey = {0x40, 0x03, 0xd9, 0xdb, 0xcc, 0x1c, 0x48, 0x65,
                            0x46, 0x1b, 0xfa, 0xc1, 0x7d, 0xdf, 0xde, 0x55};

// Plain AES-128-CBC with PKCS#7 under a given key, through CNG but not through the product.
Bytes decrypt_with(const Bytes& key_bytes, Bytes iv, const Bytes& cipher)
{
    UniqueAlgorithmProvider aes;
    UniqueCngKey key;
    ULONG size = 0;
    Bytes plain(cipher.size());
    const bool ok =
        BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(aes.put(), BCRYPT_AES_ALGORITHM, nullptr, 0)) &&
        BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(aes.get(), key.put(), nullptr, 0,
                                                  const_cast<PUCHAR>(key_bytes.data()),
                                                  static_cast<ULONG>(key_bytes.size()), 0)) &&
        BCRYPT_SUCCESS(BCryptSetProperty(key.get(), BCRYPT_CHAINING_MODE, (PUCHAR)BCRYPT_CHAIN_MODE_CBC,
                                         sizeof(BCRYPT_CHAIN_MODE_CBC), 0)) &&
        BCRYPT_SUCCESS(BCryptDecrypt(key.get(), const_cast<PUCHAR>(cipher.data()), static_cast<ULONG>(cipher.size()),
                                     nullptr, iv.data(), static_cast<ULONG>(iv.size()), plain.data(),
                                     static_cast<ULONG>(plain.size()), &size, BCRYPT_BLOCK_PADDING));
    plain.resize(ok ? size : 0);
    return plain;
}

TEST(SealedRecording, DecryptsWithStandardAesUnderThePbkdf2Key)
{
    Crypter crypter;
    test::prepare(crypter);
    const Bytes recording = test::tone(96000);
    Bytes last_iv;
    const std::vector<TlvRecord> sealed = parse_records(seal_recording(crypter, recording, last_iv));

    ASSERT_EQ(sealed.size(), 2u);
    EXPECT_EQ(sealed[0].type, 4u);
    EXPECT_EQ(sealed[0].value, last_iv);
    EXPECT_EQ(sealed[1].type, 5u);
    EXPECT_EQ(decompress(decrypt_with(kExpectedKey, sealed[0].value, sealed[1].value)), recording);
}

TEST(SealedRecording, EachSealingHasItsOwnIvAndOpensToTheSameBytes)
{
    Crypter crypter;
    test::prepare(crypter);
    const Bytes recording = test::tone(40000);
    Bytes first_iv;
    Bytes second_iv;
    const std::vector<TlvRecord> first = parse_records(seal_recording(crypter, recording, first_iv));
    const std::vector<TlvRecord> second = parse_records(seal_recording(crypter, recording, second_iv));

    ASSERT_EQ(first_iv.size(), 16u);
    EXPECT_NE(first_iv, second_iv);
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_NE(first[1].value, second[1].value);
    EXPECT_EQ(open_recording(crypter, first), recording);
    EXPECT_EQ(open_recording(crypter, second), recording);
}

bool logged_starting_with(const DebugOutputCapture& capture, const std::string& prefix)
{
    for (const std::string& line : capture.lines()) {
        if (line.rfind("[qev] " + prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

struct OpenFailure {
    const char* name;
    std::function<void(std::vector<TlvRecord>& sealed)> damage;
    std::vector<std::string> messages;
};

class OpenFailures : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(OpenFailures, AreRefusedWithTheirMessages)
{
    Crypter crypter;
    test::prepare(crypter);
    Bytes last_iv;
    std::vector<TlvRecord> sealed = parse_records(seal_recording(crypter, test::tone(5000), last_iv));
    GetParam().damage(sealed);

    DebugOutputCapture capture;
    EXPECT_TRUE(open_recording(crypter, sealed).empty());
    for (const std::string& message : GetParam().messages) {
        EXPECT_TRUE(logged_starting_with(capture, message)) << message;
    }
}

// Flipping the top bit of the last byte of the next-to-last block flips it in the padding.
INSTANTIATE_TEST_SUITE_P(
    Damage, OpenFailures,
    ::testing::Values(OpenFailure{"CipherNotWholeBlocks",
                                  [](auto& s) { s[1].value.pop_back(); },
                                  {"Failed to decrypt data, err: 0x", "Failed to decrypt wave content\n"}},
                      OpenFailure{"WrongPadding",
                                  [](auto& s) { s[1].value[s[1].value.size() - 17] ^= 0x80; },
                                  {"Failed to decrypt data, err: 0x", "Failed to decrypt wave content\n"}},
                      OpenFailure{"NoIv",
                                  [](auto& s) { s.erase(s.begin()); },
                                  {"Failed to decrypt data, err: 0xC000000D\n", "Failed to decrypt wave content\n"}},
                      OpenFailure{
                          "IvOfAnotherSealing",
                          [](auto& s) { s[0].value[0] ^= 0x01; },
                          {"Failed to get decompress data size, err: 0x0000025D\n", "Failed to decompress data\n"}}),
    [](const ::testing::TestParamInfo<OpenFailure>& info) { return std::string(info.param.name); });

struct SealFailure {
    const char* name;
    std::function<void(Crypter&)> prepare;
    std::vector<std::string> messages;
};

class SealFailures : public ::testing::TestWithParam<SealFailure> {};

TEST_P(SealFailures, LeaveNothingSealed)
{
    Crypter crypter;
    GetParam().prepare(crypter);
    Bytes last_iv;

    DebugOutputCapture capture;
    EXPECT_TRUE(seal_recording(crypter, test::tone(4000), last_iv).empty());
    for (const std::string& message : GetParam().messages) {
        EXPECT_TRUE(capture.contains("[qev] " + message)) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Crypters, SealFailures,
    ::testing::Values(SealFailure{"NoProvider",
                                  [](Crypter&) {},
                                  {"Crypter is not initialized\n", "Failed to create initial vector\n"}},
                      SealFailure{"NoKey",
                                  [](Crypter& c) { c.open_provider(); },
                                  {"AES key hasn't been created\n", "Failed to encrypt compressed data\n"}}),
    [](const ::testing::TestParamInfo<SealFailure>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qev::vpnr
