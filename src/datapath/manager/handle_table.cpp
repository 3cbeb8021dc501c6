#include "datapath/manager/handle_table.h"

#include <utility>

namespace qev::datapath {

uint32_t HandleTable::issue()
{
    // Past 2^32 - 1 the counter wraps; 0 is never a handle and a live id is never issued twice.
    do {
        ++last_issued_;
    } while (last_issued_ == 0 || contexts_.count(last_issued_) != 0);
    QevDataPathCntx context;
    context.handle = last_issued_;
    contexts_.emplace(last_issued_, std::move(context));
    return last_issued_;
}

QevDataPathCntx* HandleTable::find(uint32_t handle)
{
    if (handle == 0) {
        return nullptr;
    }
    const auto it = contexts_.find(handle);
    return it == contexts_.end() ? nullptr : &it->second;
}

bool HandleTable::erase(uint32_t handle)
{
    return handle != 0 && contexts_.erase(handle) != 0;
}

}  // namespace qev::datapath
