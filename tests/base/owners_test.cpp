#include "base/com_init.h"
#include "base/unique_handle.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace qev::base {
namespace {

int closed = 0;

// A closer that, like a failing CloseHandle, changes the thread's last error.
void close_counted(int* /*value*/)
{
    ++closed;
    SetLastError(ERROR_GEN_FAILURE);
}

using CountedHandle = UniqueHandle<int*, &close_counted>;

TEST(UniqueHandle, ClosesExactlyOnceAndKeepsTheLastError)
{
    static int resource = 0;
    const struct {
        const char* name;
        std::function<void(CountedHandle&)> let_go;
        int closes;
    } cases[] = {
        {"reset", [](CountedHandle& h) { h.reset(); }, 1},
        {"reset to another", [](CountedHandle& h) { h.reset(&resource + 1); }, 1},
        {"put", [](CountedHandle& h) { *h.put() = nullptr; }, 1},
        {"moved away", [](CountedHandle& h) { CountedHandle other(std::move(h)); }, 1},
        {"released", [](CountedHandle& h) { static_cast<void>(h.release()); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CountedHandle handle(&resource);
        closed = 0;
        SetLastError(ERROR_ACCESS_DENIED);
        c.let_go(handle);
        EXPECT_EQ(closed, c.closes);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        const bool still_held = handle.valid();
        handle.reset();
        EXPECT_EQ(closed, c.closes + (still_held ? 1 : 0));
    }
    // Neither empty value is ever closed.
    closed = 0;
    CountedHandle(nullptr).reset(static_cast<int*>(INVALID_HANDLE_VALUE));
    EXPECT_EQ(closed, 0);
}

TEST(ComInit, FallsBackOnlyWhenAskedAndUndoesOnlyItsOwnCall)
{
    const struct {
        const char* name;
        bool thread_in_mta;
        DWORD flags;
        std::optional<DWORD> fallback;
        HRESULT result;
    } cases[] = {
        {"fresh thread", false, COINIT_APARTMENTTHREADED, std::nullopt, S_OK},
        {"other apartment", true, COINIT_APARTMENTTHREADED, std::nullopt, RPC_E_CHANGED_MODE},
        {"other apartment, fallback", true, COINIT_APARTMENTTHREADED, COINIT_MULTITHREADED, S_FALSE},
        {"same apartment", true, COINIT_MULTITHREADED, std::nullopt, S_FALSE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::thread([&c] {
            std::optional<ComInit> outer;
            if (c.thread_in_mta) {
                outer.emplace(COINIT_MULTITHREADED);
            }
            {
                const ComInit com(c.flags, c.fallback);
                EXPECT_EQ(com.result(), c.result);
                EXPECT_EQ(com.initialized(), SUCCEEDED(c.result));
            }
            // The thread is back where it was: still in the outer apartment, or without COM.
            APTTYPE type{};
            APTTYPEQUALIFIER qualifier{};
            const HRESULT state = CoGetApartmentType(&type, &qualifier);
            EXPECT_EQ(state, c.thread_in_mta ? S_OK : CO_E_NOTINITIALIZED);
        }).join();
    }
}

}  // namespace
}  // namespace qev::base
