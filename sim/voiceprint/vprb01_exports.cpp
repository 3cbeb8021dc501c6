// VPRB01.dll for the simulated machine: stands in for the voice-print algorithm library the
// product loads from the effect component's folder. It honours the calls and structures of the
// real one; its voice print is the band energies of the 16 kHz recording (band_energies.h), and a
// test sets its version, its voice-print length and failing calls in the registry
// (library_settings.h). All state lives in the caller's instance blocks, so instances coexist.
#include <complex>
#include <cstring>

#include "band_energies.h"
#include "library_settings.h"
#include "vprb01.h"

namespace qevsim::vprb {
namespace {

constexpr std::uint32_t kMagic = 0x42525056;  // "VPRB"
constexpr std::int32_t kSimulatedFailure = 5;
constexpr std::int32_t kBadArgument = 2;
constexpr std::uint32_t kSignalSamples = 15 * 16000;

// The recording (mono, 16 kHz, 32-bit float) and a group no caller needs to pass.
const GroupDesc kInputs[] = {
    {"enrollment_signal", 1, kSignalSamples, 16000, 32, 0, 4, {}},
    {"enrollment_noise_floor", 1, 1, 0, 32, 0, 4, {}},
};
const GroupDesc kOutputs[] = {
    {"enrollment_stage_output", 1, 1, 0, 0, 0, sizeof(StageOutput), {}},
};

// The persistent block: this header, then the band energies.
struct State {
    std::uint32_t magic;
    std::uint32_t bands;
    std::uint32_t frame;
    std::uint32_t processed;
};

State* stateOf(const Instance* instance)
{
    if (instance == nullptr || instance->persistent == nullptr || instance->scratch == nullptr) {
        return nullptr;
    }
    auto* state = static_cast<State*>(instance->persistent);
    return state->magic == kMagic ? state : nullptr;
}

float* energiesOf(State* state)
{
    return reinterpret_cast<float*>(state + 1);
}

const Buffer* bufferNamed(std::uint32_t count, const Group* groups, const char* name)
{
    for (std::uint32_t i = 0; groups != nullptr && i < count; ++i) {
        if (groups[i].name != nullptr && std::strcmp(groups[i].name, name) == 0 && groups[i].bufferCount >= 1 &&
            groups[i].buffers != nullptr && groups[i].buffers->data != nullptr) {
            return groups[i].buffers;
        }
    }
    return nullptr;
}

}  // namespace
}  // namespace qevsim::vprb

using namespace qevsim::vprb;

extern "C" std::int32_t qev_get_interface_version(void* /*reserved*/, std::uint32_t* version)
{
    if (LibrarySettings::read().fails("qev_get_interface_version")) {
        return kSimulatedFailure;
    }
    if (version == nullptr) {
        return kBadArgument;
    }
    *version = 0x00010002;
    return 0;
}

extern "C" std::int32_t qev_get_comp_info(CompInfo* info)
{
    const LibrarySettings settings = LibrarySettings::read();
    if (settings.fails("qev_get_comp_info")) {
        return kSimulatedFailure;
    }
    if (info == nullptr) {
        return kBadArgument;
    }
    const std::uint32_t frame = frameLength(settings.digits);
    *info = CompInfo{1,
                     7,
                     0x20260601,
                     settings.major,
                     settings.minor,
                     settings.patch,
                     0x5E1F0B01,
                     0x00000003,
                     static_cast<std::uint32_t>(sizeof(State) + settings.digits * sizeof(float)),
                     static_cast<std::uint32_t>(frame * sizeof(std::complex<float>)),
                     2,
                     kInputs,
                     1,
                     kOutputs};
    return 0;
}

extern "C" std::int32_t qev_comp_alloc(Instance* instance, std::int32_t /*flags*/)
{
    const LibrarySettings settings = LibrarySettings::read();
    if (settings.fails("qev_comp_alloc")) {
        return kSimulatedFailure;
    }
    if (instance == nullptr || instance->persistent == nullptr || instance->scratch == nullptr) {
        return kBadArgument;
    }
    *static_cast<State*>(instance->persistent) = State{kMagic, settings.digits, frameLength(settings.digits), 0};
    return 0;
}

extern "C" std::int32_t qev_comp_dealloc(Instance* instance)
{
    if (State* state = stateOf(instance)) {
        state->magic = 0;
    }
    return 0;
}

extern "C" std::int32_t qev_comp_process(std::uint32_t count, Group* groups, Instance* instance)
{
    if (LibrarySettings::read().fails("qev_comp_process")) {
        return kSimulatedFailure;
    }
    State* state = stateOf(instance);
    const Buffer* signal = bufferNamed(count, groups, kInputs[0].name);
    if (state == nullptr || signal == nullptr || signal->elementSize != sizeof(float)) {
        return kBadArgument;
    }
    bandEnergies(static_cast<const float*>(signal->data), signal->elements, state->frame,
                 static_cast<std::complex<float>*>(instance->scratch), energiesOf(state), state->bands);
    state->processed = 1;
    return 0;
}

extern "C" std::int32_t qev_comp_result(std::uint32_t count, Group* groups, Instance* instance)
{
    const LibrarySettings settings = LibrarySettings::read();
    if (settings.fails("qev_comp_result")) {
        return kSimulatedFailure;
    }
    State* state = stateOf(instance);
    const Buffer* output = bufferNamed(count, groups, kOutputs[0].name);
    if (state == nullptr || output == nullptr || state->processed == 0) {
        return kBadArgument;
    }
    auto* stage = static_cast<StageOutput*>(output->data);
    if (stage->values == nullptr) {
        return kBadArgument;
    }
    std::memcpy(stage->values, energiesOf(state), state->bands * sizeof(float));
    stage->completed = settings.incomplete ? 0 : 1;
    return 0;
}

extern "C" std::int32_t qev_comp_params_get(ParamRequest* request, Instance* /*instance*/)
{
    const LibrarySettings settings = LibrarySettings::read();
    if (settings.fails("qev_comp_params_get")) {
        return kSimulatedFailure;
    }
    if (request == nullptr || request->name == nullptr || request->count < 1 || request->value == nullptr ||
        std::strcmp(request->name, "num_total_enrollment_digits") != 0) {
        return kBadArgument;
    }
    *static_cast<std::uint32_t*>(request->value) = settings.digits;
    return 0;
}

// Present as in the real library; the product never calls them.
extern "C" std::int32_t qev_comp_result_info(void)
{
    return 0;
}

extern "C" std::int32_t qev_comp_params_set(void)
{
    return 0;
}

extern "C" std::int32_t qev_comp_params_info(void)
{
    return 0;
}
