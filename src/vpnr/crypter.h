#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vpnr/cng_handles.h"

namespace qev::vpnr {

// The enrollment manager's crypter: AES-128-CBC with PKCS#7 padding through CNG, the key derived
// from the product's fixed password by PBKDF2-HMAC-SHA256. Empty results mean failure, after a
// logged message. Handles and key bytes are released (the key wiped) on destruction.
class Crypter {
public:
    Crypter() = default;
    ~Crypter();
    Crypter(const Crypter&) = delete;
    Crypter& operator=(const Crypter&) = delete;

    // AES from "Microsoft Primitive Provider".
    bool open_provider();
    // The AES provider is open.
    bool ready() const;
    // Derives the 16-byte key (HMAC-SHA256 provider opened once, then BCryptDeriveKeyPBKDF2).
    bool derive_key();
    // A fresh random block of the AES block length.
    std::vector<std::uint8_t> make_iv() const;
    std::vector<std::uint8_t> encrypt(std::span<const std::uint8_t> iv, std::span<const std::uint8_t> plain) const;
    std::vector<std::uint8_t> decrypt(std::span<const std::uint8_t> iv, std::span<const std::uint8_t> cipher) const;

private:
    enum class Direction { encrypt, decrypt };
    std::vector<std::uint8_t> run(Direction direction, std::span<const std::uint8_t> iv,
                                  std::span<const std::uint8_t> input) const;
    UniqueCngKey make_key_object() const;
    void wipe_key();

    UniqueAlgorithmProvider kdf_provider_;
    UniqueAlgorithmProvider aes_provider_;
    std::vector<std::uint8_t> key_;  // empty until derive_key succeeds
};

}  // namespace qev::vpnr
