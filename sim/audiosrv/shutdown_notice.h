#pragma once

namespace qevsim {

// What the audio service tells its clients when it stops: every session that is not disconnected
// already hears OnSessionDisconnected(DisconnectReasonServerShutdown)
// (IAudioSessionEvents::OnSessionDisconnected). The sessions themselves stay on the machine: the
// applications behind them open them again once the service runs again.
class ShutdownNotice {
public:
    static void announce();
};

}  // namespace qevsim
