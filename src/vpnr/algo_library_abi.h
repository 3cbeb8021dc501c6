#pragma once

#include <cstddef>
#include <cstdint>

// The structures and calls of the voice-print algorithm library "VPRB01.dll", laid out exactly as
// the library reads and writes them (64-bit).
namespace qev::vpnr {

// The library's working memory, allocated by the caller with the sizes the library reports.
struct AlgoInstance {
    void* persistent = nullptr;
    void* scratch = nullptr;
};

// One data group the library takes or gives; an element of an array in the library's memory.
struct GroupDescriptor {
    const char* name;
    std::uint32_t a;
    std::uint32_t b;  // element count
    std::uint32_t c;
    std::uint32_t d;
    std::uint32_t unused0;
    std::uint32_t e;  // bytes per element
    std::uint8_t unused1[16];
};

struct AlgoCompInfo {
    std::uint32_t struct_version;
    std::uint32_t source;
    std::uint32_t date;
    std::uint32_t version_major;
    std::uint32_t version_minor;
    std::uint32_t version_patch;
    std::uint32_t commit_id;
    std::uint32_t tag;
    std::uint32_t persistent_memory_size;
    std::uint32_t scratch_memory_size;
    std::uint32_t input_group_count;
    const GroupDescriptor* input_groups;
    std::uint32_t output_group_count;
    const GroupDescriptor* output_groups;
};

// One buffer of a group: the descriptor's numbers and the data.
struct DataBuffer {
    std::uint32_t a;
    std::uint32_t b;
    std::uint32_t c;
    std::uint32_t d;
    std::uint32_t e;
    void* data;
};

// An element of the group arrays passed to the library.
struct DataGroupEntry {
    const char* name;
    std::uint32_t buffer_count;
    DataBuffer* buffers;
};

// The data of the "enrollment_stage_output" group.
struct StageOutputRecord {
    std::uint32_t completed;  // only the first byte counts
    void* vector;             // voice-print values, 4 bytes each
};

// A parameter read through qev_comp_params_get.
struct ParamAccess {
    const char* name;
    std::uint8_t unused[16];
    std::uint32_t value_count;
    void* value;
};

static_assert(sizeof(void*) == 8, "the library is 64-bit");
static_assert(sizeof(AlgoInstance) == 16);
static_assert(offsetof(GroupDescriptor, a) == 8 && offsetof(GroupDescriptor, b) == 12 &&
              offsetof(GroupDescriptor, c) == 16 && offsetof(GroupDescriptor, d) == 20 &&
              offsetof(GroupDescriptor, e) == 28 && sizeof(GroupDescriptor) == 48);
static_assert(offsetof(AlgoCompInfo, scratch_memory_size) == 36 && offsetof(AlgoCompInfo, input_group_count) == 40 &&
              offsetof(AlgoCompInfo, input_groups) == 48 && offsetof(AlgoCompInfo, output_group_count) == 56 &&
              offsetof(AlgoCompInfo, output_groups) == 64 && sizeof(AlgoCompInfo) == 72);
static_assert(offsetof(DataBuffer, e) == 16 && offsetof(DataBuffer, data) == 24 && sizeof(DataBuffer) == 32);
static_assert(offsetof(DataGroupEntry, buffer_count) == 8 && offsetof(DataGroupEntry, buffers) == 16 &&
              sizeof(DataGroupEntry) == 24);
static_assert(offsetof(StageOutputRecord, vector) == 8 && sizeof(StageOutputRecord) == 16);
static_assert(offsetof(ParamAccess, value_count) == 24 && offsetof(ParamAccess, value) == 32);

// The ten exports, as they are called. Every one returns a status, 0 for success.
using GetInterfaceVersionFn = std::int32_t (*)(void* reserved, std::uint32_t* version);
using GetCompInfoFn = std::int32_t (*)(AlgoCompInfo* info);
using CompAllocFn = std::int32_t (*)(AlgoInstance* instance, std::int32_t flags);
using CompDeallocFn = std::int32_t (*)(AlgoInstance* instance);
using CompRunFn = std::int32_t (*)(std::uint32_t group_count, DataGroupEntry* groups, AlgoInstance* instance);
using CompParamsGetFn = std::int32_t (*)(ParamAccess* access, AlgoInstance* instance);
// Exports that must be present but are never called.
using UncalledFn = std::int32_t (*)();

}  // namespace qev::vpnr
