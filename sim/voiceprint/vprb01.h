// The stand-in voice-print library's own view of its interface: the structures as its callers
// lay them out (64-bit) and the ten exports. Every export returns 0 for success.
#pragma once

#include <cstdint>

namespace qevsim::vprb {

struct Instance {
    void* persistent;
    void* scratch;
};

struct GroupDesc {
    const char* name;
    std::uint32_t channels;  // a
    std::uint32_t elements;  // b
    std::uint32_t rate;      // c
    std::uint32_t bits;      // d
    std::uint32_t reserved;
    std::uint32_t elementSize;  // e
    std::uint8_t padding[16];
};

struct CompInfo {
    std::uint32_t structVersion;
    std::uint32_t source;
    std::uint32_t date;
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t patch;
    std::uint32_t commitId;
    std::uint32_t tag;
    std::uint32_t persistentSize;
    std::uint32_t scratchSize;
    std::uint32_t inputCount;
    const GroupDesc* inputs;
    std::uint32_t outputCount;
    const GroupDesc* outputs;
};

struct Buffer {
    std::uint32_t channels;
    std::uint32_t elements;
    std::uint32_t rate;
    std::uint32_t bits;
    std::uint32_t elementSize;
    void* data;
};

struct Group {
    const char* name;
    std::uint32_t bufferCount;
    Buffer* buffers;
};

struct StageOutput {
    std::uint32_t completed;
    float* values;
};

struct ParamRequest {
    const char* name;
    std::uint8_t reserved[16];
    std::uint32_t count;
    void* value;
};

static_assert(sizeof(GroupDesc) == 48 && sizeof(CompInfo) == 72 && sizeof(Buffer) == 32 && sizeof(Group) == 24 &&
              sizeof(StageOutput) == 16 && sizeof(ParamRequest) == 40);

}  // namespace qevsim::vprb

extern "C" {
std::int32_t qev_get_interface_version(void* reserved, std::uint32_t* version);
std::int32_t qev_get_comp_info(qevsim::vprb::CompInfo* info);
std::int32_t qev_comp_alloc(qevsim::vprb::Instance* instance, std::int32_t flags);
std::int32_t qev_comp_dealloc(qevsim::vprb::Instance* instance);
std::int32_t qev_comp_process(std::uint32_t count, qevsim::vprb::Group* groups, qevsim::vprb::Instance* instance);
std::int32_t qev_comp_result_info(void);
std::int32_t qev_comp_result(std::uint32_t count, qevsim::vprb::Group* groups, qevsim::vprb::Instance* instance);
std::int32_t qev_comp_params_set(void);
std::int32_t qev_comp_params_get(qevsim::vprb::ParamRequest* request, qevsim::vprb::Instance* instance);
std::int32_t qev_comp_params_info(void);
}
