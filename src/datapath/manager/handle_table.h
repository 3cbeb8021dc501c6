#pragma once

#include "datapath/context/qev_data_path_cntx.h"

#include <cstddef>
#include <cstdint>
#include <map>

namespace qev::datapath {

// The per-handle contexts by handle id. Ids start at 1 and are never reused within a run. Not
// thread-safe: the datapath manager serialises every access.
class HandleTable {
public:
    // Issues the next id and stores a default context under it.
    uint32_t issue();
    // Null for handle 0 or an id not in the table.
    QevDataPathCntx* find(uint32_t handle);
    bool erase(uint32_t handle);
    size_t size() const { return contexts_.size(); }
    uint32_t last_issued() const { return last_issued_; }

private:
    std::map<uint32_t, QevDataPathCntx> contexts_;
    uint32_t last_issued_ = 0;
};

}  // namespace qev::datapath
