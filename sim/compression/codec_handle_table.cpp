#include "codec_handle_table.h"

namespace qevsim {

namespace {

template <typename T>
void* add(std::map<void*, std::unique_ptr<T>>& table, std::unique_ptr<T> object)
{
    void* const handle = object.get();
    table.emplace(handle, std::move(object));
    return handle;
}

template <typename T>
T* lookUp(const std::map<void*, std::unique_ptr<T>>& table, void* handle)
{
    const auto it = table.find(handle);
    return it == table.end() ? nullptr : it->second.get();
}

}  // namespace

CodecHandleTable& CodecHandleTable::instance()
{
    static CodecHandleTable table;
    return table;
}

void* CodecHandleTable::addEncoder(std::unique_ptr<MszipEncoder> encoder)
{
    const std::lock_guard lock(mutex_);
    return add(encoders_, std::move(encoder));
}

void* CodecHandleTable::addDecoder(std::unique_ptr<MszipDecoder> decoder)
{
    const std::lock_guard lock(mutex_);
    return add(decoders_, std::move(decoder));
}

MszipEncoder* CodecHandleTable::encoder(void* handle) const
{
    const std::lock_guard lock(mutex_);
    return lookUp(encoders_, handle);
}

MszipDecoder* CodecHandleTable::decoder(void* handle) const
{
    const std::lock_guard lock(mutex_);
    return lookUp(decoders_, handle);
}

bool CodecHandleTable::closeEncoder(void* handle)
{
    const std::lock_guard lock(mutex_);
    return encoders_.erase(handle) == 1;
}

bool CodecHandleTable::closeDecoder(void* handle)
{
    const std::lock_guard lock(mutex_);
    return decoders_.erase(handle) == 1;
}

}  // namespace qevsim
