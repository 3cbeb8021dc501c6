#pragma once

#include <memory>

#include "winaudio/scoped_com_init.h"

namespace qev::winaudio {

// Process-wide COM initialisation, made once on first use and undone at process exit. Code that
// makes COM calls touches it first.
class ComInitGuard {
public:
    static ComInitGuard& Instance();

    bool initialized() const { return init_->initialized(); }

private:
    ComInitGuard();

    std::unique_ptr<ScopedComInit> init_;
};

}  // namespace qev::winaudio
