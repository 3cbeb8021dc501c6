#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datapath/context/endpoint_entry.h"
#include "datapath/context/qev_prop_intf.h"

namespace qev::datapath {

// The property holder of one endpoint: the back-end chosen from the APO environment of the
// endpoint's direction ("this is v3 env!!": the per-APO stores; "this is v2 env!!": the FX
// properties key). Without a device no back-end exists, the holder stays disabled and every
// operation fails. Used by one thread at a time, like its back-end.
class APORegControl {
public:
    explicit APORegControl(IMMDevice* device);

    APORegControl(const APORegControl&) = delete;
    APORegControl& operator=(const APORegControl&) = delete;

    bool enabled() const { return backend_ != nullptr; }
    // Capture, render, or both when the data flow could not be read.
    EndpointType type() const { return type_; }
    // The back-end, or null when disabled.
    const QevPropIntf* backend() const { return backend_.get(); }

    // The back-end's operations; false when disabled.
    bool getProperties(std::string_view feature, std::wstring* value) const;
    bool getProperties(std::string_view feature, uint32_t* value) const;
    bool getProperties_multiSZ(std::string_view feature, std::vector<std::wstring>* values) const;
    bool setProperties(std::string_view feature, const std::wstring& value) const;
    bool setProperties(std::string_view feature, uint32_t value) const;

private:
    static std::unique_ptr<QevPropIntf> create_backend(IMMDevice* device, EndpointType type);

    EndpointType type_ = kEndpointBoth;
    std::unique_ptr<QevPropIntf> backend_;
};

}  // namespace qev::datapath
