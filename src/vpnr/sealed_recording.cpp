#include "vpnr/sealed_recording.h"

#include <new>

#include "base/logging.h"
#include "vpnr/enrollment_container.h"
#include "vpnr/mszip_codec.h"

namespace qev::vpnr {

namespace {

// The last value of that type (readers let the last record count); empty when there is none.
std::span<const std::uint8_t> last_value(const std::vector<TlvRecord>& records, std::uint32_t type)
{
    const TlvRecord* const record = last_record_of_type(records, type);
    return record != nullptr ? std::span<const std::uint8_t>(record->value) : std::span<const std::uint8_t>();
}

}  // namespace

std::vector<std::uint8_t> seal_recording(const Crypter& crypter, std::span<const std::uint8_t> recording,
                                         std::vector<std::uint8_t>& last_iv)
{
    const std::vector<std::uint8_t> compressed = compress(recording);
    if (compressed.empty()) {
        base::log_printf("Failed to compress wave data\n");
        return {};
    }
    if (!crypter.ready()) {
        base::log_printf("Crypter is not initialized\n");
        base::log_printf("Failed to create initial vector\n");
        return {};
    }
    std::vector<std::uint8_t> iv = crypter.make_iv();
    if (iv.empty()) {
        base::log_printf("Failed to create initial vector\n");
        return {};
    }
    last_iv = iv;
    std::vector<std::uint8_t> cipher = crypter.encrypt(iv, compressed);
    if (cipher.empty()) {
        base::log_printf("Failed to encrypt compressed data\n");
        return {};
    }
    try {
        return build_record_list({{kIvRecord, std::move(iv)}, {kCipherRecord, std::move(cipher)}});
    } catch (const std::bad_alloc&) {
        base::log_printf("Failed to allocate memory for encrypted data\n");
        return {};
    }
}

std::vector<std::uint8_t> open_recording(const Crypter& crypter, const std::vector<TlvRecord>& sealed_records)
{
    // Decrypted straight from the records: no copies, so none can fail.
    const std::vector<std::uint8_t> plain =
        crypter.decrypt(last_value(sealed_records, kIvRecord), last_value(sealed_records, kCipherRecord));
    if (plain.empty()) {
        base::log_printf("Failed to decrypt wave content\n");
        return {};
    }
    std::vector<std::uint8_t> recording = decompress(plain);
    if (recording.empty()) {
        base::log_printf("Failed to decompress data\n");
        return {};
    }
    return recording;
}

}  // namespace qev::vpnr
