#include "bias_file_payload.h"

#include "serialized_param_generated.h"

namespace qev::client::qevctl {

std::vector<std::uint8_t> bias_file_payload(const std::string& file_name, const std::vector<std::uint8_t>& content)
{
    flatbuffers::FlatBufferBuilder builder;
    const auto name = builder.CreateString(file_name);
    const auto bytes = builder.CreateVector(content);
    vpnr::wire::BiasFileTableBuilder table(builder);
    table.add_file_name(name);
    table.add_size(static_cast<std::uint32_t>(content.size()));
    table.add_content(bytes);
    builder.Finish(table.Finish());
    return std::vector<std::uint8_t>(builder.GetBufferPointer(), builder.GetBufferPointer() + builder.GetSize());
}

}  // namespace qev::client::qevctl
