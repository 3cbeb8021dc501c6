#pragma once

#include <cstddef>

namespace qev::rpc {

// Lets the system take back the committed stack pages of the calling thread below its current
// frame (keeping a margin for the calls still to come at this depth). Wine makes about 1 MiB of
// every new thread's stack resident before the thread runs; for the many read-loop threads that
// spend their life waiting that was most of an idle client's memory. The pages stay committed and
// come back zero-filled when the stack grows into them again. Returns the bytes handed back.
size_t release_unused_stack_pages();

}  // namespace qev::rpc
