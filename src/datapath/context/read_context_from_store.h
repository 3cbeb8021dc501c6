#pragma once

#include <cstdint>
#include <string>

#include "datapath/context/apo_reg_control.h"
#include "datapath/context/feature_values.h"

namespace qev::datapath {

// The algorithm an endpoint's store selects: its level and enable features are read through the
// holder (none when it is disabled) and decided by DecideAlgorithm.
std::string ReadContextFromStore(const APORegControl& holder);

// The algorithm of the one enable feature at 1, looked up for the endpoint's kind; with none or
// several at 1 the kind's default ("listen" for render, "general" otherwise), the latter logged as
// invalid with every value in name order.
std::string DecideAlgorithm(const FeatureValues& enables, EndpointType type, uint32_t nr_level);

}  // namespace qev::datapath
