#include "winaudio/endpoint_key_paths.h"

#include <gtest/gtest.h>

namespace qev::winaudio {
namespace {

constexpr wchar_t kCaptureId[] = L"{0.0.1.00000000}.{8d4a0b2e-1c3f-4e5a-9b6c-7d8e9f0a1b2c}";
constexpr wchar_t kEffect[] = L"{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}";

TEST(EndpointKeyPaths, FollowTheEndpointIdFlowAndEffectContext)
{
    const std::wstring capture =
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Capture\\{8d4a0b2e-1c3f-4e5a-9b6c-"
        L"7d8e9f0a1b2c}";
    const std::wstring stores = capture + L"\\FxProperties\\" + kEffect;
    const struct {
        std::wstring id;
        EDataFlow flow;
        const wchar_t* effect;
        bool windows11;
        std::wstring endpoint;
        std::wstring defaultStore;  // the User and Volatile stores beside it
    } rows[] = {
        {kCaptureId, eCapture, kEffect, true, capture, stores + L"\\Default"},
        // Render tree, GUID case kept.
        {L"{0.0.0.00000000}.{AABBCCDD-1122-3344-5566-77889900AABB}", eRender, L"", false,
         L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render\\{AABBCCDD-1122-3344-5566-"
         L"77889900AABB}",
         L""},
        // Per-APO stores need Windows 11 and an effect context.
        {kCaptureId, eCapture, kEffect, false, capture, L""},
        {kCaptureId, eCapture, L"", true, capture, L""},
        // No GUID, a short one or no flow: nothing.
        {L"{0.0.1.00000000}.not-a-guid", eCapture, kEffect, true, L"", L""},
        {L"{0.0.1.00000000}.{8d4a0b2e-1c3f-4e5a-9b6c-7d8e9f0a1b}", eCapture, kEffect, true, L"", L""},
        {kCaptureId, eAll, kEffect, true, L"", L""},
    };
    for (const auto& row : rows) {
        const auto paths = EndpointKeyPaths::Build(row.id, row.flow, row.effect, row.windows11);
        const std::wstring stem = row.defaultStore.empty() ? L"" : stores + L"\\";
        EXPECT_EQ(paths.endpoint, row.endpoint);
        EXPECT_EQ(paths.properties, row.endpoint.empty() ? L"" : row.endpoint + L"\\Properties");
        EXPECT_EQ(paths.fxProperties, row.endpoint.empty() ? L"" : row.endpoint + L"\\FxProperties");
        EXPECT_EQ(paths.defaultStore, row.defaultStore);
        EXPECT_EQ(paths.userStore, stem.empty() ? L"" : stem + L"User");
        EXPECT_EQ(paths.volatileStore, stem.empty() ? L"" : stem + L"Volatile");
    }
}

}  // namespace
}  // namespace qev::winaudio
