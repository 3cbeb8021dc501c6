#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace qev::bench {

// Malformed requests for the soak run, in turns: valid requests of every function with random bits
// flipped, cut short, with a notification union whose tag names another table (or none), with a
// vector whose length claims far more than the message holds, with a serialized size larger than
// its data, with a genuinely large vector, and plain random bytes. Reproducible from the seed.
class RequestMutator {
public:
    enum class Kind { bit_flips, truncated, wrong_union_tag, huge_length, size_beyond_data, large_vector, noise };
    static constexpr std::size_t kKinds = 7;

    explicit RequestMutator(std::uint32_t seed) : random_(seed) {}

    std::vector<std::uint8_t> next();
    Kind last_kind() const { return last_kind_; }

private:
    std::vector<std::uint8_t> valid_request();
    std::vector<std::uint8_t> flip_bits(std::vector<std::uint8_t> bytes);
    std::vector<std::uint8_t> truncate(std::vector<std::uint8_t> bytes);
    std::vector<std::uint8_t> wrong_union_tag();
    std::vector<std::uint8_t> huge_length();
    std::vector<std::uint8_t> size_beyond_data();
    std::vector<std::uint8_t> large_vector();
    std::vector<std::uint8_t> noise();
    std::uint32_t below(std::uint32_t bound) { return static_cast<std::uint32_t>(random_() % bound); }

    std::mt19937 random_;
    std::size_t turn_ = 0;
    Kind last_kind_ = Kind::bit_flips;
};

}  // namespace qev::bench
