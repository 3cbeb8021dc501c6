#include "datapath/context/load_context_to_store.h"

#include "base/logging.h"
#include "datapath/context/feature_values.h"

namespace qev::datapath {

void LoadContextToStore(const QevDataPathCntx& cntx)
{
    if (cntx.status != QevDataPathCntx::kStatusStarted) {
        base::log_printf("flow error!! status is NOT start!! skip load context to reg\n");
        return;
    }
    if (!cntx.params) {
        return;
    }
    const std::string algorithm = cntx.params->algo_name();
    const FeatureValues values = BuildFeatureValues(algorithm, cntx.params->nr_level());
    if (values.empty()) {
        base::log_printf("error algo name:%s\n", algorithm.c_str());
        return;
    }
    if (!cntx.holder || !cntx.holder->enabled()) {
        return;
    }
    for (const auto& [feature, value] : values) {
        cntx.holder->setProperties(feature, value);
    }
}

}  // namespace qev::datapath
