#include "client/result_code.h"

namespace qev::client {

std::string_view result_meaning(std::uint32_t code)
{
    switch (static_cast<ResultCode>(code)) {
    case ResultCode::kSuccess:
        return "success";
    case ResultCode::kNotCarriedOut:
        return "not carried out";
    case ResultCode::kInvalidArgument:
        return "invalid argument";
    case ResultCode::kUnknownEnumType:
        return "unknown enumeration type";
    }
    return "unknown result";
}

}  // namespace qev::client
