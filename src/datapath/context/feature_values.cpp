#include "datapath/context/feature_values.h"

#include "datapath/catalogue/catalogue.h"

namespace qev::datapath {

namespace {

FeatureValues capture_template()
{
    return {{"nr_level", 0},           {"aec_enable", 0},  {"bf_enable", 0},   {"ff_enable", 0},
            {"3mics_bf_enable", 0},    {"vpnr_enable", 0}, {"dmvp_enable", 0}, {"nb_as_speakerphone_enable", 0},
            {"euphonic_mic_enable", 0}};
}

FeatureValues render_template()
{
    return {{"nr_level", 0}, {"ff_enable", 0}};
}

void set_level(FeatureValues& values, uint32_t nr_level)
{
    values["nr_level"] = nr_level;
    values["aec_enable"] = nr_level != 0 ? 1 : 0;
}

}  // namespace

FeatureValues BuildFeatureValues(std::string_view algorithm, uint32_t nr_level)
{
    FeatureValues capture = capture_template();
    FeatureValues render = render_template();
    if (algorithm == kCaptureBypassAlgorithm) {
        return capture;
    }
    if (algorithm == kRenderBypassAlgorithm) {
        return render;
    }
    set_level(capture, nr_level);
    set_level(render, nr_level);
    if (algorithm == kDefaultCaptureAlgorithm) {
        return capture;
    }
    if (algorithm == kDefaultRenderAlgorithm) {
        return render;
    }
    if (const std::string* enable = Catalogue::find_capture_enable_feature(algorithm)) {
        capture[*enable] = 1;
        return capture;
    }
    if (const std::string* enable = Catalogue::find_render_enable_feature(algorithm)) {
        render[*enable] = 1;
        return render;
    }
    return {};
}

}  // namespace qev::datapath
