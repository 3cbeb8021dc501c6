#include "vpnr/serialized_param_verifier.h"

#include "base/logging.h"

#include <string>

namespace qev::vpnr {
namespace {

constexpr flatbuffers::uoffset_t kMaxDepth = 64;
constexpr flatbuffers::uoffset_t kMaxTables = 1000000;

template <typename Table>
const Table* verified_root(const SerializedParamView& record)
{
    flatbuffers::Verifier verifier(record.bytes.data(), record.bytes.size(), kMaxDepth, kMaxTables);
    if (record.bytes.empty() || !verifier.VerifyBuffer<Table>(nullptr)) {
        base::log_printf("Failed to verify serialized param: %s\n", std::string(record.name).c_str());
        return nullptr;
    }
    return flatbuffers::GetRoot<Table>(record.bytes.data());
}

}  // namespace

const wire::BiasFileTable* verified_bias_file_table(const SerializedParamView& record)
{
    return verified_root<wire::BiasFileTable>(record);
}

const wire::WinRegTable* verified_win_reg_table(const SerializedParamView& record)
{
    return verified_root<wire::WinRegTable>(record);
}

}  // namespace qev::vpnr
