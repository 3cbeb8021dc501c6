#include "server_process.h"

#include "e2e_paths.h"

#include <gtest/gtest.h>

namespace qev::e2e {

bool ServerProcess::start(const std::wstring& arguments)
{
    std::string error;
    if (!process_.start(server_exe_path(), arguments, error)) {
        ADD_FAILURE() << "cannot start qEvSwServer.exe: " << error;
        return false;
    }
    return true;
}

}  // namespace qev::e2e
