#include "vpnr/enrollment_container.h"
#include "vpnr/sealed_recording.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "recording_fixture.h"

namespace qev::vpnr {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes text(const std::string& value)
{
    return Bytes(value.begin(), value.end());
}

TEST(EnrollmentContainer, IsLittleEndianRecordsBetweenHeaderAndTrailer)
{
    const Bytes expected = {'v', 'e', 's', 't', 'a',  'R', 'i', 'o', 'n', 0xFF, 0xFF, 0xFF, 0x01, 0x02, 0,    0,   2, 0,
                            0,   0,   'a', 'b', 0x03, 0,   0,   0,   0,   0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(build_container({{0x201, text("ab")}, {3, {}}}), expected);
}

struct ContainerCase {
    const char* name;
    // Builds the file from a current version record and a sealed recording record list.
    std::function<Bytes(const Bytes& sealed)> file;
    bool framed;
    std::size_t records;
    bool opens;
};

class ContainerCases : public ::testing::TestWithParam<ContainerCase> {};

TEST_P(ContainerCases, FrameRecordsAndRecordingAsTheFileHasThem)
{
    Crypter crypter;
    test::prepare(crypter);
    const Bytes recording = test::tone(70000);
    Bytes last_iv;
    const Bytes file = GetParam().file(seal_recording(crypter, recording, last_iv));

    EXPECT_EQ(has_container_frame(file), GetParam().framed);
    const std::vector<TlvRecord> records = parse_container(file);
    ASSERT_EQ(records.size(), GetParam().records);
    const TlvRecord* const sealed = last_record_of_type(records, 3);
    EXPECT_EQ(sealed != nullptr && open_recording(crypter, parse_records(sealed->value)) == recording,
              GetParam().opens);
}

Bytes plain_file(const Bytes& sealed)
{
    return build_container({{1, text("1.2.3")}, {3, sealed}});
}

Bytes sealed_twice(const Bytes& first, const Bytes& second)
{
    Bytes both = first;
    both.insert(both.end(), second.begin(), second.end());
    return both;
}

const Bytes kBogusPair = build_record_list({{4, Bytes(16, 0x11)}, {5, Bytes(32, 0x22)}});

INSTANTIATE_TEST_SUITE_P(
    Files, ContainerCases,
    ::testing::Values(ContainerCase{"Good", plain_file, true, 2, true},
                      ContainerCase{"HeaderInOtherCase",
                                    [](const Bytes& s) {
                                        Bytes f = plain_file(s);
                                        f[0] = 'V';
                                        return f;
                                    },
                                    false, 0, false},
                      ContainerCase{"BadTrailer",
                                    [](const Bytes& s) {
                                        Bytes f = plain_file(s);
                                        f.back() = 0xFE;
                                        return f;
                                    },
                                    false, 0, false},
                      ContainerCase{"RecordRunsPastTrailer",
                                    [](const Bytes& s) {
                                        Bytes f = plain_file(s);
                                        f[19] = 0x7F;
                                        return f;
                                    },
                                    true, 0, false},
                      ContainerCase{"RecordHeaderCutByTrailer",
                                    [](const Bytes& s) {
                                        Bytes f = plain_file(s);
                                        f.insert(f.end() - 4, 4, 0x01);
                                        return f;
                                    },
                                    true, 0, false},
                      ContainerCase{"LastSealedPairCounts",
                                    [](const Bytes& s) { return plain_file(sealed_twice(kBogusPair, s)); }, true, 2,
                                    true},
                      ContainerCase{"LaterBogusPairCounts",
                                    [](const Bytes& s) { return plain_file(sealed_twice(s, kBogusPair)); }, true, 2,
                                    false}),
    [](const ::testing::TestParamInfo<ContainerCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qev::vpnr
