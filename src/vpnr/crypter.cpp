#include "vpnr/crypter.h"

#include <limits>
#include <new>

#include "base/logging.h"

namespace qev::vpnr {

namespace {

constexpr ULONG kKeyLength = 16;  // AES-128
constexpr ULONG kIterations = 1024;
constexpr UCHAR kSalt[] = {'N', 'o', 'r', 'd', 'i', 'c', ' ', 'P', 'l', 'u',
                           'm', ' ', 'O', 'r', 'c', 'h', 'a', 'r', 'd', '.'};
constexpr ULONG kAesBlock = 16;
// What CNG itself answers for these inputs; checked here so Windows and Wine agree.
constexpr NTSTATUS kInvalidParameter = static_cast<NTSTATUS>(0xC000000D);
constexpr NTSTATUS kInvalidBufferSize = static_cast<NTSTATUS>(0xC0000206);

// The product's fixed 8-digit password, put together on the stack and wiped after use so it
// is not one readable string in the image or left in memory.
class StackPassword {
public:
    StackPassword()
    {
        constexpr UCHAR kDigits[] = {4, 0, 7, 1, 8, 2, 6, 3};
        for (ULONG i = 0; i < sizeof(kDigits); ++i) {
            text_[i] = static_cast<UCHAR>('0' + kDigits[i]);
        }
    }
    ~StackPassword() { ::SecureZeroMemory(text_, sizeof(text_)); }
    StackPassword(const StackPassword&) = delete;
    StackPassword& operator=(const StackPassword&) = delete;

    PUCHAR data() { return text_; }
    ULONG size() const { return sizeof(text_); }

private:
    UCHAR text_[8];
};

unsigned hex(NTSTATUS status)
{
    return static_cast<unsigned>(status);
}

}  // namespace

Crypter::~Crypter()
{
    wipe_key();
}

bool Crypter::open_provider()
{
    if (aes_provider_) {
        return true;
    }
    const NTSTATUS status =
        ::BCryptOpenAlgorithmProvider(aes_provider_.put(), BCRYPT_AES_ALGORITHM, MS_PRIMITIVE_PROVIDER, 0);
    if (!BCRYPT_SUCCESS(status)) {
        aes_provider_.release();  // not opened: nothing to close
        base::log_printf("Failed to open algorithm provider, err: 0x%08X\n", hex(status));
        return false;
    }
    return true;
}

bool Crypter::ready() const
{
    return aes_provider_.valid();
}

bool Crypter::derive_key()
{
    if (!kdf_provider_) {
        const NTSTATUS status = ::BCryptOpenAlgorithmProvider(kdf_provider_.put(), BCRYPT_SHA256_ALGORITHM, nullptr,
                                                              BCRYPT_ALG_HANDLE_HMAC_FLAG);
        if (!BCRYPT_SUCCESS(status)) {
            kdf_provider_.release();
            base::log_printf("Failed to open algorithm provider for kdf, err: 0x%08X\n", hex(status));
            return false;
        }
    }
    std::vector<std::uint8_t> key;
    try {
        key.resize(kKeyLength);
    } catch (const std::bad_alloc&) {
        base::log_printf("Failed to allocate memory for aes key\n");
        return false;
    }
    StackPassword password;
    const NTSTATUS status =
        ::BCryptDeriveKeyPBKDF2(kdf_provider_.get(), password.data(), password.size(), const_cast<PUCHAR>(kSalt),
                                sizeof(kSalt), kIterations, key.data(), kKeyLength, 0);
    if (!BCRYPT_SUCCESS(status)) {
        ::SecureZeroMemory(key.data(), key.size());
        base::log_printf("Failed to derive key, err: 0x%08X\n", hex(status));
        return false;
    }
    wipe_key();
    key_ = std::move(key);
    return true;
}

std::vector<std::uint8_t> Crypter::make_iv() const
{
    DWORD length = 0;
    ULONG written = 0;
    const NTSTATUS status = ::BCryptGetProperty(aes_provider_.get(), BCRYPT_BLOCK_LENGTH,
                                                reinterpret_cast<PUCHAR>(&length), sizeof(length), &written, 0);
    if (!BCRYPT_SUCCESS(status)) {
        base::log_printf("Failed to get block length, err: 0x%08X\n", hex(status));
        return {};
    }
    std::vector<std::uint8_t> iv;
    try {
        iv.resize(length);
    } catch (const std::bad_alloc&) {
        base::log_printf("Failed to allocate memory for initial vector\n");
        return {};
    }
    const NTSTATUS random = ::BCryptGenRandom(nullptr, iv.data(), length, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (!BCRYPT_SUCCESS(random)) {
        base::log_printf("Failed to generate random IV, err: 0x%08X\n", hex(random));
        return {};
    }
    return iv;
}

std::vector<std::uint8_t> Crypter::encrypt(std::span<const std::uint8_t> iv, std::span<const std::uint8_t> plain) const
{
    return run(Direction::encrypt, iv, plain);
}

std::vector<std::uint8_t> Crypter::decrypt(std::span<const std::uint8_t> iv, std::span<const std::uint8_t> cipher) const
{
    return run(Direction::decrypt, iv, cipher);
}

UniqueCngKey Crypter::make_key_object() const
{
    UniqueCngKey key;
    NTSTATUS status = ::BCryptGenerateSymmetricKey(aes_provider_.get(), key.put(), nullptr, 0,
                                                   const_cast<PUCHAR>(key_.data()), kKeyLength, 0);
    if (!BCRYPT_SUCCESS(status)) {
        key.release();
        base::log_printf("Failed to generate symmetric key, err: 0x%08X\n", hex(status));
        return {};
    }
    status = ::BCryptSetProperty(key.get(), BCRYPT_CHAINING_MODE,
                                 reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_CBC)),
                                 sizeof(BCRYPT_CHAIN_MODE_CBC), 0);
    if (!BCRYPT_SUCCESS(status)) {
        base::log_printf("Failed to set chaining mode, err: 0x%08X\n", hex(status));
        return {};
    }
    return key;
}

namespace {

const char* failure_message(bool encrypting)
{
    return encrypting ? "Failed to encrypt data, err: 0x%08X\n" : "Failed to decrypt data, err: 0x%08X\n";
}

// Refuses, as CNG would, an IV that is not one block and a ciphertext that is not whole blocks.
bool input_acceptable(bool encrypting, std::span<const std::uint8_t> iv, std::span<const std::uint8_t> input)
{
    if (iv.size() != kAesBlock) {
        base::log_printf(failure_message(encrypting), hex(kInvalidParameter));
        return false;
    }
    const bool whole_blocks = !input.empty() && input.size() % kAesBlock == 0;
    if (input.size() > std::numeric_limits<ULONG>::max() - kAesBlock || (!encrypting && !whole_blocks)) {
        base::log_printf(failure_message(encrypting), hex(kInvalidBufferSize));
        return false;
    }
    return true;
}

// Asks CNG for the output size, then runs the operation into a buffer of that size.
std::vector<std::uint8_t> transform(BCRYPT_KEY_HANDLE key, bool encrypting, std::vector<std::uint8_t>& chain,
                                    std::span<const std::uint8_t> input)
{
    const auto call = [&](PUCHAR output, ULONG capacity, ULONG* result) {
        const auto data = const_cast<PUCHAR>(input.data());
        const auto length = static_cast<ULONG>(input.size());
        return encrypting ? ::BCryptEncrypt(key, data, length, nullptr, chain.data(), kAesBlock, output, capacity,
                                            result, BCRYPT_BLOCK_PADDING)
                          : ::BCryptDecrypt(key, data, length, nullptr, chain.data(), kAesBlock, output, capacity,
                                            result, BCRYPT_BLOCK_PADDING);
    };
    ULONG needed = 0;
    NTSTATUS status = call(nullptr, 0, &needed);
    if (!BCRYPT_SUCCESS(status)) {
        base::log_printf(encrypting ? "Failed to get cipher data length, err: 0x%08X\n"
                                    : "Failed to get plain data length, err: 0x%08X\n",
                         hex(status));
        return {};
    }
    std::vector<std::uint8_t> output;
    try {
        output.assign(needed, 0);
    } catch (const std::bad_alloc&) {
        base::log_printf(encrypting ? "Failed to allocate memory for cipher data\n"
                                    : "Failed to allocate memory for plain data\n");
        return {};
    }
    ULONG produced = 0;
    status = call(output.data(), needed, &produced);
    if (!BCRYPT_SUCCESS(status)) {
        ::SecureZeroMemory(output.data(), output.size());
        base::log_printf(failure_message(encrypting), hex(status));
        return {};
    }
    output.resize(produced);
    return output;
}

}  // namespace

// One encryption or decryption with its own key object; the IV is copied because CNG updates it.
std::vector<std::uint8_t> Crypter::run(Direction direction, std::span<const std::uint8_t> iv,
                                       std::span<const std::uint8_t> input) const
{
    const bool encrypting = direction == Direction::encrypt;
    if (key_.empty()) {
        base::log_printf("AES key hasn't been created\n");
        return {};
    }
    const UniqueCngKey key = make_key_object();
    if (!key) {
        return {};
    }
    std::vector<std::uint8_t> chain;
    try {
        chain.assign(iv.begin(), iv.end());
    } catch (const std::bad_alloc&) {
        base::log_printf("Failed to allocate memory for copying IV\n");
        return {};
    }
    if (!input_acceptable(encrypting, chain, input)) {
        return {};
    }
    return transform(key.get(), encrypting, chain, input);
}

void Crypter::wipe_key()
{
    if (!key_.empty()) {
        ::SecureZeroMemory(key_.data(), key_.size());
    }
    key_.clear();
}

}  // namespace qev::vpnr
