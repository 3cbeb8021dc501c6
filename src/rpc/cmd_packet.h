#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qev::rpc {

// One command of the command pipe: a name and its arguments. On the pipe it is the name followed
// by ":" and each argument, in UTF-16 without terminator, so an argument cannot hold a colon.
struct CmdPacket {
    std::wstring name;
    std::vector<std::wstring> args;

    std::wstring to_text() const;
    // Splits at every colon: the first piece is the name, each later one an argument (empty pieces
    // between colons are empty arguments; a trailing colon adds none).
    static std::shared_ptr<CmdPacket> parse(std::wstring_view text);
};

}  // namespace qev::rpc
