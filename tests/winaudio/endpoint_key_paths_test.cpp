#include "winaudio/endpoint_key_paths.h"

#include <gtest/gtest.h>

namespace qev::winaudio {
namespace {

constexpr wchar_t kCaptureId[] = L"{0.0.1.00000000}.{8d4a0b2e-1c3f-4e5a-9b6c-7d8e9f0a1b2c}";
constexpr wchar_t kRenderId[] = L"{0.0.0.00000000}.{AABBCCDD-1122-3344-5566-77889900AABB}";
constexpr wchar_t kEffect[] = L"{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}";
constexpr wchar_t kMmDevices[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\";

TEST(EndpointKeyPaths, CaptureEndpointOnWindows11GetsAllSixPaths)
{
    const auto paths = EndpointKeyPaths::Build(kCaptureId, eCapture, kEffect, true);
    const std::wstring endpoint = std::wstring(kMmDevices) + L"Capture\\{8d4a0b2e-1c3f-4e5a-9b6c-7d8e9f0a1b2c}";
    EXPECT_EQ(paths.endpoint, endpoint);
    EXPECT_EQ(paths.properties, endpoint + L"\\Properties");
    EXPECT_EQ(paths.fxProperties, endpoint + L"\\FxProperties");
    EXPECT_EQ(paths.defaultStore, endpoint + L"\\FxProperties\\" + kEffect + L"\\Default");
    EXPECT_EQ(paths.userStore, endpoint + L"\\FxProperties\\" + kEffect + L"\\User");
    EXPECT_EQ(paths.volatileStore, endpoint + L"\\FxProperties\\" + kEffect + L"\\Volatile");
}

TEST(EndpointKeyPaths, RenderEndpointUsesRenderTreeAndKeepsGuidCase)
{
    const auto paths = EndpointKeyPaths::Build(kRenderId, eRender, L"", false);
    EXPECT_EQ(paths.endpoint, std::wstring(kMmDevices) + L"Render\\{AABBCCDD-1122-3344-5566-77889900AABB}");
    EXPECT_EQ(paths.fxProperties, paths.endpoint + L"\\FxProperties");
}

TEST(EndpointKeyPaths, EffectStoreKeysNeedWindows11AndAnEffectContext)
{
    for (const auto& [context, windows11] :
         {std::pair<std::wstring, bool>{kEffect, false}, std::pair<std::wstring, bool>{L"", true}}) {
        const auto paths = EndpointKeyPaths::Build(kCaptureId, eCapture, context, windows11);
        EXPECT_FALSE(paths.fxProperties.empty());
        EXPECT_TRUE(paths.defaultStore.empty());
        EXPECT_TRUE(paths.userStore.empty());
        EXPECT_TRUE(paths.volatileStore.empty());
    }
}

TEST(EndpointKeyPaths, NoGuidOrUnknownFlowLeavesEveryPathEmpty)
{
    const EndpointKeyPaths withoutGuid =
        EndpointKeyPaths::Build(L"{0.0.1.00000000}.not-a-guid", eCapture, kEffect, true);
    const EndpointKeyPaths shortGuid =
        EndpointKeyPaths::Build(L"{0.0.1.00000000}.{8d4a0b2e-1c3f-4e5a-9b6c-7d8e9f0a1b}", eCapture, kEffect, true);
    const EndpointKeyPaths anyFlow = EndpointKeyPaths::Build(kCaptureId, eAll, kEffect, true);
    for (const EndpointKeyPaths& paths : {withoutGuid, shortGuid, anyFlow}) {
        EXPECT_TRUE(paths.endpoint.empty());
        EXPECT_TRUE(paths.properties.empty());
        EXPECT_TRUE(paths.fxProperties.empty());
        EXPECT_TRUE(paths.defaultStore.empty());
    }
}

}  // namespace
}  // namespace qev::winaudio
