#include "datapath/context/read_context_from_store.h"

#include "base/logging.h"
#include "datapath/catalogue/catalogue.h"

namespace qev::datapath {

namespace {

// The seven enable features of the capture algorithms, all 0.
FeatureValues capture_enables()
{
    FeatureValues enables;
    for (const auto& [algorithm, feature] : Catalogue::capture_algorithm_features()) {
        enables[feature] = 0;
    }
    return enables;
}

void read_capture(const APORegControl& holder, FeatureValues& enables, uint32_t* nr_level)
{
    uint32_t aec_enable = 0;
    holder.getProperties("nr_level", nr_level);
    holder.getProperties("aec_enable", &aec_enable);
    for (auto& [feature, value] : enables) {
        holder.getProperties(feature, &value);
    }
}

void read_render(const APORegControl& holder, FeatureValues& enables, uint32_t* nr_level)
{
    holder.getProperties("nr_level", nr_level);
    holder.getProperties("ff_enable", &enables["ff_enable"]);
}

const std::string* algorithm_of(const std::string& feature, EndpointType type)
{
    return type == kEndpointRender ? Catalogue::find_render_algorithm(feature)
                                   : Catalogue::find_capture_algorithm(feature);
}

void log_several(const FeatureValues& enables)
{
    std::string values = "multiple algo selected: ";
    for (const auto& [feature, value] : enables) {
        values += std::to_string(value) + ", ";
    }
    base::log_printf("%sthis is invalid\n", values.c_str());
}

}  // namespace

std::string ReadContextFromStore(const APORegControl& holder)
{
    FeatureValues enables = capture_enables();
    uint32_t nr_level = 0;
    const EndpointType type = holder.enabled() ? holder.type() : kEndpointBoth;
    if (type == kEndpointCapture) {
        read_capture(holder, enables, &nr_level);
    } else if (type == kEndpointRender) {
        read_render(holder, enables, &nr_level);
    }
    return DecideAlgorithm(enables, type, nr_level);
}

std::string DecideAlgorithm(const FeatureValues& enables, EndpointType type, uint32_t nr_level)
{
    const std::string fallback(type == kEndpointRender ? kDefaultRenderAlgorithm : kDefaultCaptureAlgorithm);
    const std::string* selected = nullptr;
    size_t count = 0;
    for (const auto& [feature, value] : enables) {
        if (value == 1) {
            ++count;
            selected = &feature;
        }
    }
    if (count > 1) {
        log_several(enables);
    }
    if (count != 1) {
        return fallback;
    }
    const std::string* algorithm = algorithm_of(*selected, type);
    if (algorithm == nullptr) {
        return fallback;
    }
    base::log_printf("algo: %s, nr_level: %d\n", algorithm->c_str(), static_cast<int>(nr_level));
    return *algorithm;
}

}  // namespace qev::datapath
