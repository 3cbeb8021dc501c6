#pragma once

#include <gtest/gtest.h>

#include "sim_machine.h"
#include "winaudio/com_init_guard.h"

namespace qev::winaudio::test {

// A test on a simulated machine of its own, with COM initialised for the test thread.
class SimTest : public ::testing::Test {
protected:
    static constexpr unsigned kWindows10Build = 19045;
    static constexpr unsigned kWindows11Build = 22631;

    static constexpr wchar_t kSpeakersGuid[] = L"{11111111-2222-3333-4444-555555555501}";
    static constexpr wchar_t kHeadphonesGuid[] = L"{11111111-2222-3333-4444-555555555502}";
    static constexpr wchar_t kMicrophoneGuid[] = L"{11111111-2222-3333-4444-555555555503}";
    static constexpr wchar_t kHandsFreeGuid[] = L"{11111111-2222-3333-4444-555555555504}";
    static constexpr wchar_t kEffectContext[] = L"{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}";

    base::ComInit com_{kAudioComFlags, kAudioComFallbackFlags};
};

}  // namespace qev::winaudio::test
