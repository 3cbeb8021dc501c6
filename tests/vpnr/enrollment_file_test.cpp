#include "enrollment_fixture.h"

#include "debug_output_capture.h"
#include "vpnr/crypter.h"
#include "vpnr/enrollment_container.h"
#include "vpnr/mszip_codec.h"
#include "vpnr/sealed_recording.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

namespace qev::vpnr::test {
namespace {

class EnrollmentFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        crypter_.open_provider();
        crypter_.derive_key();
    }

    std::vector<TlvRecord> seal(const Bytes& take)
    {
        Bytes iv;
        return parse_records(seal_recording(crypter_, take, iv));
    }

    Crypter crypter_;
};

TEST_F(EnrollmentFile, ContainerIsLittleEndianRecordsBetweenHeaderAndTrailer)
{
    const Bytes expected = {'v', 'e', 's', 't', 'a',  'R', 'i', 'o', 'n', 0xFF, 0xFF, 0xFF, 0x01, 0x02, 0,    0,   2, 0,
                            0,   0,   'a', 'b', 0x03, 0,   0,   0,   0,   0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(build_container({{0x201, {'a', 'b'}}, {3, {}}}), expected);
}

TEST_F(EnrollmentFile, FrameRecordsAndRecordingCountAsTheFileHasThem)
{
    const Bytes take = recording(1.1, 1);
    Bytes iv;
    const Bytes sealed = seal_recording(crypter_, take, iv);
    const Bytes bogus = build_record_list({{kIvRecord, Bytes(16, 0x11)}, {kCipherRecord, Bytes(32, 0x22)}});
    const auto file = [](const Bytes& first, const Bytes& second = {}) {
        Bytes both = first;
        both.insert(both.end(), second.begin(), second.end());
        return build_container({{1, {'1'}}, {3, both}});
    };
    const struct {
        const char* name;
        Bytes file;
        std::function<void(Bytes&)> damage;
        bool framed;
        std::size_t records;
        bool opens;
    } cases[] = {
        {"good", file(sealed), [](Bytes&) {}, true, 2, true},
        {"header in other case", file(sealed), [](Bytes& f) { f[0] = 'V'; }, false, 0, false},
        {"bad trailer", file(sealed), [](Bytes& f) { f.back() = 0xFE; }, false, 0, false},
        {"record past trailer", file(sealed), [](Bytes& f) { f[19] = 0x7F; }, true, 0, false},
        {"record header cut", file(sealed), [](Bytes& f) { f.insert(f.end() - 4, 4, 0x01); }, true, 0, false},
        {"last sealed pair counts", file(bogus, sealed), [](Bytes&) {}, true, 2, true},
        {"later bogus pair counts", file(sealed, bogus), [](Bytes&) {}, true, 2, false},
    };
    for (auto c : cases) {
        c.damage(c.file);
        EXPECT_EQ(has_container_frame(c.file), c.framed) << c.name;
        const std::vector<TlvRecord> records = parse_container(c.file);
        EXPECT_EQ(records.size(), c.records) << c.name;
        const TlvRecord* const pair = last_record_of_type(records, 3);
        EXPECT_EQ(pair != nullptr && open_recording(crypter_, parse_records(pair->value)) == take, c.opens) << c.name;
    }
}

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

TEST_F(EnrollmentFile, SealingIsStandardAesUnderThePbkdf2KeyWithAFreshIvEachTime)
{
    // hashlib.pbkdf2_hmac('sha256', b'40718263', b'Nordic Plum Orchard.', 1024, 16), on the build host.
    const Bytes key = {0x40, 0x03, 0xd9, 0xdb, 0xcc, 0x1c, 0x48, 0x65, 0x46, 0x1b, 0xfa, 0xc1, 0x7d, 0xdf, 0xde, 0x55};
    const Bytes take = recording(1.5, 2);
    Bytes last_iv;
    const std::vector<TlvRecord> first = parse_records(seal_recording(crypter_, take, last_iv));
    const std::vector<TlvRecord> second = seal(take);
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(first[0].type, kIvRecord);
    EXPECT_EQ(first[0].value, last_iv);
    EXPECT_EQ(last_iv.size(), 16u);
    EXPECT_EQ(first[1].type, kCipherRecord);
    EXPECT_EQ(decompress(decrypt_with(key, first[0].value, first[1].value)), take);
    EXPECT_NE(second[0].value, first[0].value);
    EXPECT_NE(second[1].value, first[1].value);
    EXPECT_EQ(open_recording(crypter_, second), take);
}

TEST_F(EnrollmentFile, DamagedSealsAreRefusedWithTheirMessages)
{
    // Flipping the top bit of the last byte of the next-to-last block flips it in the padding.
    const struct {
        std::function<void(std::vector<TlvRecord>&)> damage;
        std::vector<std::string> lines;
    } cases[] = {
        {[](auto& s) { s[1].value.pop_back(); },
         {"Failed to decrypt data, err: 0x", "Failed to decrypt wave content\n"}},
        {[](auto& s) { s[1].value[s[1].value.size() - 17] ^= 0x80; },
         {"Failed to decrypt data, err: 0x", "Failed to decrypt wave content\n"}},
        {[](auto& s) { s.erase(s.begin()); }, {"Failed to decrypt data, err: 0xC000000D\n", "Failed to decrypt wave"}},
        {[](auto& s) { s[0].value[0] ^= 0x01; },
         {"Failed to get decompress data size, err: 0x0000025D\n", "Failed to decompress data\n"}},
    };
    for (const auto& c : cases) {
        std::vector<TlvRecord> sealed = seal(recording(0.1, 3));
        c.damage(sealed);
        DebugOutputCapture capture;
        EXPECT_TRUE(open_recording(crypter_, sealed).empty()) << c.lines[0];
        const auto lines = capture.lines();
        for (const std::string& line : c.lines) {
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const auto& l) {
                return l.rfind("[qev] " + line, 0) == 0;
            })) << line;
        }
    }
}

TEST(SealRecording, CrypterNotReadyLeavesNothingSealed)
{
    const struct {
        bool provider;
        std::vector<std::string> lines;
    } cases[] = {
        {false, {"Crypter is not initialized\n", "Failed to create initial vector\n"}},
        {true, {"AES key hasn't been created\n", "Failed to encrypt compressed data\n"}},
    };
    for (const auto& c : cases) {
        Crypter crypter;
        if (c.provider) {
            crypter.open_provider();
        }
        Bytes iv;
        DebugOutputCapture capture;
        EXPECT_TRUE(seal_recording(crypter, recording(0.1, 4), iv).empty());
        for (const std::string& line : c.lines) {
            EXPECT_TRUE(capture.contains("[qev] " + line)) << line;
        }
    }
}

TEST(MszipCodec, RoundTripsAcrossBlockBoundariesAndRefusesDamagedImages)
{
    std::mt19937 generator(7);
    Bytes noise(100000);
    for (auto& byte : noise) {
        byte = static_cast<std::uint8_t>(generator());
    }
    for (const std::size_t size : {std::size_t{1}, std::size_t{32768}, std::size_t{32769}, std::size_t{300000}}) {
        Bytes input = recording(5, 5);
        input.resize(size);
        EXPECT_EQ(decompress(compress(input)), input) << size;
    }
    EXPECT_EQ(decompress(compress(noise)), noise);
    Bytes damaged = compress(recording(0.7, 6));
    damaged[30] ^= 0x55;
    noise.resize(64);
    for (const auto& [image, line] : {std::pair{noise, "Failed to get decompress data size, err: 0x0000025D\n"},
                                      std::pair{damaged, "Failed to get decompress data, err: 0x0000025D\n"}}) {
        DebugOutputCapture capture;
        EXPECT_TRUE(decompress(image).empty()) << line;
        EXPECT_TRUE(capture.contains(std::string("[qev] ") + line)) << line;
    }
}

}  // namespace
}  // namespace qev::vpnr::test
