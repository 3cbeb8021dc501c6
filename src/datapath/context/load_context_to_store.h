#pragma once

#include "datapath/context/qev_data_path_cntx.h"

namespace qev::datapath {

// Writes the feature values of the handle's shared algorithm and level through its holder, only
// while the handle is started; write failures are not reported.
void LoadContextToStore(const QevDataPathCntx& cntx);

}  // namespace qev::datapath
