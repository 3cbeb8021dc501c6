#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qev::datapath {

// A property back-end: reads and writes one endpoint's APO settings by feature name. Every
// operation reports failure as false and leaves its output untouched; a feature without a row
// in the catalogue fails too. Not thread-safe: used by the thread that holds its owner.
class QevPropIntf {
public:
    virtual ~QevPropIntf() = default;
    QevPropIntf(const QevPropIntf&) = delete;
    QevPropIntf& operator=(const QevPropIntf&) = delete;

    virtual bool getProperties(std::string_view feature, std::wstring* value) const = 0;
    virtual bool getProperties(std::string_view feature, uint32_t* value) const = 0;
    virtual bool getProperties_multiSZ(std::string_view feature, std::vector<std::wstring>* values) const = 0;
    virtual bool setProperties(std::string_view feature, const std::wstring& value) const = 0;
    virtual bool setProperties(std::string_view feature, uint32_t value) const = 0;

    // Whether the back-end found its store location; no operation depends on it.
    bool ready() const { return ready_; }
    IMMDevice* device() const { return device_.Get(); }

protected:
    explicit QevPropIntf(IMMDevice* device) : device_(device) {}

    bool ready_ = false;

private:
    const Microsoft::WRL::ComPtr<IMMDevice> device_;
};

}  // namespace qev::datapath
