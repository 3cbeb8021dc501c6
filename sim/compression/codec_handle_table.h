#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "mszip_decoder.h"
#include "mszip_encoder.h"

namespace qevsim {

// The compressors and decompressors this process holds. A handle is the object's address, and it
// is only used while the table lists it with the right kind, so a closed, foreign or mismatched
// handle fails with ERROR_INVALID_HANDLE instead of touching freed memory.
class CodecHandleTable {
public:
    static CodecHandleTable& instance();

    void* addEncoder(std::unique_ptr<MszipEncoder> encoder);
    void* addDecoder(std::unique_ptr<MszipDecoder> decoder);
    MszipEncoder* encoder(void* handle) const;
    MszipDecoder* decoder(void* handle) const;
    // False when the handle is not a live one of that kind.
    bool closeEncoder(void* handle);
    bool closeDecoder(void* handle);

private:
    mutable std::mutex mutex_;
    std::map<void*, std::unique_ptr<MszipEncoder>> encoders_;  // guarded by mutex_
    std::map<void*, std::unique_ptr<MszipDecoder>> decoders_;  // guarded by mutex_
};

}  // namespace qevsim
