#include "wav_recording.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

namespace qev::client::qevctl {
namespace {

constexpr std::uint32_t kSampleRate = 16000;
constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kFloat = 3;
constexpr std::uint16_t kExtensible = 0xFFFE;

std::uint32_t read_u32(const std::vector<std::uint8_t>& bytes, size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint16_t read_u16(const std::vector<std::uint8_t>& bytes, size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

struct Chunk {
    size_t offset = 0;
    size_t size = 0;
};

std::optional<Chunk> find_chunk(const std::vector<std::uint8_t>& bytes, const char* id)
{
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const size_t size = read_u32(bytes, at + 4);
        if (std::memcmp(bytes.data() + at, id, 4) == 0) {
            return size <= bytes.size() - at - 8 ? std::optional<Chunk>(Chunk{at + 8, size}) : std::nullopt;
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

void append_float(std::vector<std::uint8_t>& out, float value)
{
    std::uint8_t bytes[4];
    std::memcpy(bytes, &value, sizeof(bytes));
    out.insert(out.end(), bytes, bytes + 4);
}

}  // namespace

bool read_wav_recording(const std::string& path, std::vector<std::uint8_t>& samples, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(file), {});
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        error = "not a WAV file: " + path;
        return false;
    }
    const std::optional<Chunk> format = find_chunk(bytes, "fmt ");
    const std::optional<Chunk> data = find_chunk(bytes, "data");
    if (!format || format->size < 16 || !data) {
        error = "no format or data chunk in " + path;
        return false;
    }
    std::uint16_t tag = read_u16(bytes, format->offset);
    if (tag == kExtensible && format->size >= 26) {
        tag = read_u16(bytes, format->offset + 24);  // first bytes of the sub-format GUID
    }
    const std::uint16_t channels = read_u16(bytes, format->offset + 2);
    const std::uint32_t rate = read_u32(bytes, format->offset + 4);
    const std::uint16_t bits = read_u16(bytes, format->offset + 14);
    const bool pcm16 = tag == kPcm && bits == 16;
    const bool float32 = tag == kFloat && bits == 32;
    if (channels != 1 || rate != kSampleRate || (!pcm16 && !float32)) {
        error = path + ": expected 16 kHz mono with 16-bit PCM or 32-bit float samples";
        return false;
    }
    std::vector<std::uint8_t> converted;
    const size_t step = bits / 8;
    for (size_t at = data->offset; at + step <= data->offset + data->size; at += step) {
        float value = 0.0f;
        if (pcm16) {
            value = static_cast<float>(static_cast<std::int16_t>(read_u16(bytes, at))) / 32768.0f;
        } else {
            std::memcpy(&value, bytes.data() + at, sizeof(value));
        }
        append_float(converted, value);
    }
    samples = std::move(converted);
    return true;
}

}  // namespace qev::client::qevctl
