#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "datapath/context/apo_reg_control.h"

namespace qev::datapath {

// The parameters of one endpoint, shared by every handle opened on it: "algo_name", "nr_level"
// and "bypass". Construction reads the algorithm and the level from the endpoint's store.
// Each value is read and written under the value lock; a change is announced to the subscribers
// after that lock is let go, under the subscriber lock, on the thread that made the change. A
// subscriber must not subscribe or unsubscribe from within its call.
class QevAlgoParamCntx {
public:
    // Called with the name of the value that changed and the subscriber's context.
    using Subscriber = std::function<bool(const std::string& name, void* context)>;
    using Token = uint64_t;

    explicit QevAlgoParamCntx(IMMDevice* device);

    QevAlgoParamCntx(const QevAlgoParamCntx&) = delete;
    QevAlgoParamCntx& operator=(const QevAlgoParamCntx&) = delete;

    // Absent values read as the empty string, 0 and false.
    std::string algo_name() const;
    uint32_t nr_level() const;
    bool bypass() const;

    // Announces "algo_name".
    void set_algo_name(const std::string& name);
    // Announces "nr_level" when `notify` is set.
    void set_nr_level(uint32_t level, bool notify);
    void set_bypass(bool bypass);

    Token subscribe(Subscriber subscriber, void* context);
    // An unknown token is ignored. Once this returns, the subscriber is not running and is not
    // called again.
    void unsubscribe(Token token);

    // The holder the values were first read through.
    const APORegControl& holder() const { return holder_; }

private:
    struct Subscription {
        Subscriber subscriber;
        void* context = nullptr;
    };

    void notify(const std::string& name) const;

    const APORegControl holder_;

    mutable std::mutex values_mutex_;
    std::string algo_name_;  // guarded by values_mutex_
    uint32_t nr_level_ = 0;  // guarded by values_mutex_
    bool bypass_ = false;    // guarded by values_mutex_

    mutable std::mutex subscribers_mutex_;
    std::map<Token, Subscription> subscribers_;  // guarded by subscribers_mutex_
    Token next_token_ = 1;                       // guarded by subscribers_mutex_
};

}  // namespace qev::datapath
