#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_machine.h"
#include "winaudio/com_init_guard.h"

namespace qev::effects::test {

// qevsim command lines applied to the machine after loading it.
using Edits = std::vector<std::vector<std::wstring>>;

// Endpoints of sim/machines/default.reg.
inline constexpr wchar_t kSpeakers[] = L"{0.0.0.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E01}";
inline constexpr wchar_t kMicArray[] = L"{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}";
inline constexpr wchar_t kUsbSpeakers[] = L"{0.0.0.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E03}";
inline constexpr wchar_t kHandsFree[] = L"{0.0.0.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E05}";
inline constexpr wchar_t kStereoMix[] = L"{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E07}";
inline constexpr wchar_t kNotOnMachine[] = L"{0.0.0.00000000}.{00000000-0000-0000-0000-0000000000FF}";

// The simulated laptop, loaded afresh for every case, with COM for the test thread.
class EffectsOnLaptop : public ::testing::Test {
protected:
    static void Load(const Edits& edits = {})
    {
        winaudio::test::SimMachine::Load("default");
        for (const auto& edit : edits) {
            winaudio::test::SimMachine::Must(edit);
        }
    }

    base::ComInit com_{winaudio::kAudioComFlags, winaudio::kAudioComFallbackFlags};
};

}  // namespace qev::effects::test
