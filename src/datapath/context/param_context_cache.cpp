#include "datapath/context/param_context_cache.h"

#include <wrl/client.h>

#include <cwchar>
#include <map>
#include <mutex>

#include "winaudio/endpoint_queries.h"

namespace qev::datapath {

namespace {

struct CaseInsensitiveLess {
    bool operator()(const std::wstring& left, const std::wstring& right) const
    {
        return _wcsicmp(left.c_str(), right.c_str()) < 0;
    }
};

struct Cache {
    std::mutex mutex;
    std::map<std::wstring, std::weak_ptr<QevAlgoParamCntx>, CaseInsensitiveLess> contexts;  // guarded by mutex
};

Cache& cache()
{
    static Cache instance;
    return instance;
}

std::shared_ptr<QevAlgoParamCntx> build(const std::wstring& endpoint_id, IMMDevice* device)
{
    Microsoft::WRL::ComPtr<IMMDevice> found(device);
    if (!found) {
        winaudio::GetDeviceById(endpoint_id, found);
    }
    return std::make_shared<QevAlgoParamCntx>(found.Get());
}

}  // namespace

std::shared_ptr<QevAlgoParamCntx> ParamContextCache::Lookup(const std::wstring& endpoint_id, IMMDevice* device)
{
    Cache& shared = cache();
    const std::lock_guard<std::mutex> lock(shared.mutex);
    const auto entry = shared.contexts.find(endpoint_id);
    if (entry != shared.contexts.end()) {
        if (std::shared_ptr<QevAlgoParamCntx> alive = entry->second.lock()) {
            return alive;
        }
        shared.contexts.erase(entry);
    }
    std::shared_ptr<QevAlgoParamCntx> created = build(endpoint_id, device);
    shared.contexts.emplace(endpoint_id, created);
    return created;
}

}  // namespace qev::datapath
