#include "client/result_code.h"

#include "rpc/wire_constants.h"

namespace qev::client {

std::string_view result_meaning(std::uint32_t code)
{
    switch (code) {
    case wire::kResultSuccess:
        return "success";
    case wire::kResultNotCarriedOut:
        return "not carried out";
    case wire::kResultInvalidArgument:
        return "invalid argument";
    case wire::kResultUnknownEnumType:
        return "unknown enumeration type";
    }
    return "unknown result";
}

}  // namespace qev::client
