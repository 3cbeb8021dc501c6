#include "rpc/cmd_packet.h"

namespace qev::rpc {

std::wstring CmdPacket::to_text() const
{
    std::wstring text = name;
    for (const std::wstring& arg : args) {
        text += L':';
        text += arg;
    }
    return text;
}

std::shared_ptr<CmdPacket> CmdPacket::parse(std::wstring_view text)
{
    auto packet = std::make_shared<CmdPacket>();
    size_t colon = text.find(L':');
    packet->name = std::wstring(text.substr(0, colon));
    while (colon != std::wstring_view::npos) {
        const size_t begin = colon + 1;
        if (begin == text.size()) {
            break;
        }
        colon = text.find(L':', begin);
        packet->args.emplace_back(text.substr(begin, colon == std::wstring_view::npos ? colon : colon - begin));
    }
    return packet;
}

}  // namespace qev::rpc
