#include "vpnr/bias_file_reply.h"

#include "vpnr/code_page_text.h"

#include "serialized_param_generated.h"

#include <windows.h>

namespace qev::vpnr {
namespace {

constexpr std::string_view kBiasFilePathParam = "vpnr_bias_file_path";

}  // namespace

bool create_serialized_param(const std::wstring& path, std::string_view name, SerializedParamReply& out)
{
    if (name.size() != kBiasFilePathParam.size() ||
        _strnicmp(name.data(), kBiasFilePathParam.data(), name.size()) != 0) {
        return false;
    }
    const size_t separator = path.find_last_of(L"\\/");
    const std::wstring directory = separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
    const std::wstring file_name = separator == std::wstring::npos ? path : path.substr(separator + 1);
    std::string narrow_directory;
    std::string narrow_name;
    const UINT code_page = file_api_code_page();
    if (!wide_to_narrow(code_page, directory, narrow_directory) || !wide_to_narrow(code_page, file_name, narrow_name)) {
        return false;
    }
    flatbuffers::FlatBufferBuilder builder(kReplyBuilderSize);
    const auto directory_offset = builder.CreateString(narrow_directory);
    const auto name_offset = builder.CreateString(narrow_name);
    wire::BiasFileTableBuilder table(builder);
    table.add_directory(directory_offset);
    table.add_file_name(name_offset);
    builder.Finish(table.Finish());
    out = make_reply(name, builder);
    return true;
}

}  // namespace qev::vpnr
