#include "winaudio/com_init_guard.h"

namespace qev::winaudio {

ComInitGuard::ComInitGuard() : init_(kAudioComFlags, kAudioComFallbackFlags)
{}

ComInitGuard& ComInitGuard::Instance()
{
    static ComInitGuard guard;
    return guard;
}

}  // namespace qev::winaudio
