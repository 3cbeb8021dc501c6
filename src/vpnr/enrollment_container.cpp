#include "vpnr/enrollment_container.h"

#include <algorithm>
#include <limits>

namespace qev::vpnr {

namespace {

constexpr std::uint8_t kHeader[] = {'v', 'e', 's', 't', 'a', 'R', 'i', 'o', 'n', 0xFF, 0xFF, 0xFF};
constexpr std::uint8_t kTrailer[] = {0xFF, 0xFF, 0xFF, 0xFF};
constexpr std::size_t kRecordHeaderSize = 8;

void append_u32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint32_t read_u32(const std::uint8_t* in)
{
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

}  // namespace

std::vector<std::uint8_t> build_record_list(const std::vector<TlvRecord>& records)
{
    std::size_t size = 0;
    for (const TlvRecord& record : records) {
        if (record.value.size() > std::numeric_limits<std::uint32_t>::max()) {
            return {};
        }
        size += kRecordHeaderSize + record.value.size();
    }
    std::vector<std::uint8_t> out;
    out.reserve(size);
    for (const TlvRecord& record : records) {
        append_u32(out, record.type);
        append_u32(out, static_cast<std::uint32_t>(record.value.size()));
        out.insert(out.end(), record.value.begin(), record.value.end());
    }
    return out;
}

std::vector<std::uint8_t> build_container(const std::vector<TlvRecord>& records)
{
    const std::vector<std::uint8_t> list = build_record_list(records);
    if (list.empty() && !records.empty()) {
        return {};
    }
    std::vector<std::uint8_t> out(std::begin(kHeader), std::end(kHeader));
    out.reserve(sizeof(kHeader) + list.size() + sizeof(kTrailer));
    out.insert(out.end(), list.begin(), list.end());
    out.insert(out.end(), std::begin(kTrailer), std::end(kTrailer));
    return out;
}

std::vector<TlvRecord> parse_records(std::span<const std::uint8_t> range)
{
    std::vector<TlvRecord> records;
    std::size_t offset = 0;
    while (offset < range.size()) {
        if (range.size() - offset < kRecordHeaderSize) {
            return {};
        }
        const std::uint32_t type = read_u32(range.data() + offset);
        const std::uint32_t length = read_u32(range.data() + offset + 4);
        offset += kRecordHeaderSize;
        if (length > range.size() - offset) {
            return {};
        }
        const auto value = range.subspan(offset, length);
        records.push_back({type, std::vector<std::uint8_t>(value.begin(), value.end())});
        offset += length;
    }
    return records;
}

bool has_container_frame(std::span<const std::uint8_t> file)
{
    return file.size() >= sizeof(kHeader) + sizeof(kTrailer) &&
           std::equal(std::begin(kHeader), std::end(kHeader), file.begin()) &&
           std::equal(std::begin(kTrailer), std::end(kTrailer), file.end() - sizeof(kTrailer));
}

std::vector<TlvRecord> parse_container(std::span<const std::uint8_t> file)
{
    if (!has_container_frame(file)) {
        return {};
    }
    return parse_records(file.subspan(sizeof(kHeader), file.size() - sizeof(kHeader) - sizeof(kTrailer)));
}

const TlvRecord* last_record_of_type(const std::vector<TlvRecord>& records, std::uint32_t type)
{
    const auto it =
        std::find_if(records.rbegin(), records.rend(), [type](const TlvRecord& record) { return record.type == type; });
    return it == records.rend() ? nullptr : &*it;
}

}  // namespace qev::vpnr
