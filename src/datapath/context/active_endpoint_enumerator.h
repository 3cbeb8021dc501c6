#pragma once

#include "datapath/context/endpoint_entry.h"

#include <mmdeviceapi.h>

#include <vector>

namespace qev::datapath {

// Lists the active endpoints of one data flow. Any failure of the enumerator gives a shorter or
// empty list, never an error; an endpoint whose id or friendly name cannot be read is skipped.
// COM must be initialised on the calling thread.
class ActiveEndpointEnumerator {
public:
    explicit ActiveEndpointEnumerator(IMMDeviceEnumerator* enumerator);

    std::vector<EndpointEntry> list(EDataFlow flow) const;

private:
    bool read_entry(IMMDevice* device, EndpointEntry* entry) const;

    IMMDeviceEnumerator* enumerator_;  // not owned; may be null
};

}  // namespace qev::datapath
