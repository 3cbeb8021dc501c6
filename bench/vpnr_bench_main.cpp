// qev_vpnr_bench: sealing and opening a 30 s enrollment recording (MSZIP through the Compression
// API, AES-128-CBC through CNG, the record list) against the floor of the same work: raw zlib
// deflate/inflate and raw CNG AES of the same bytes. Rounds alternate between the two so both see
// the same machine; prints the p50 of each and their ratio.
//   usage: qev_vpnr_bench [rounds]     (default 21)
#include "latency_stats.h"
#include "raw_seal_baseline.h"
#include "speech_like_recording.h"

#include "vpnr/crypter.h"
#include "vpnr/enrollment_container.h"
#include "vpnr/sealed_recording.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

double microseconds_of(const std::function<bool()>& work, bool& ok)
{
    const auto start = Clock::now();
    ok = work() && ok;
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 21;
    if (rounds < 1) {
        std::fprintf(stderr, "usage: qev_vpnr_bench [rounds]\n");
        return 2;
    }
    const Bytes recording = qev::bench::speech_like_recording(30);
    qev::vpnr::Crypter crypter;
    const qev::bench::RawSealBaseline baseline;
    if (!crypter.open_provider() || !crypter.derive_key() || !baseline.ready()) {
        std::fprintf(stderr, "qev_vpnr_bench: CNG is not usable\n");
        return 1;
    }
    Bytes last_iv;
    std::size_t sealed_size = 0;
    const auto product = [&] {
        const Bytes sealed = qev::vpnr::seal_recording(crypter, recording, last_iv);
        sealed_size = sealed.size();
        return qev::vpnr::open_recording(crypter, qev::vpnr::parse_records(sealed)) == recording;
    };
    const auto floor = [&] { return baseline.open(baseline.seal(recording), recording.size()) == recording; };

    bool ok = true;
    microseconds_of(product, ok);  // warm-up: first use of CNG, the DLLs and the allocator
    microseconds_of(floor, ok);
    std::vector<double> product_us;
    std::vector<double> floor_us;
    for (int i = 0; i < rounds; ++i) {
        product_us.push_back(microseconds_of(product, ok));
        floor_us.push_back(microseconds_of(floor, ok));
    }
    if (!ok) {
        std::fprintf(stderr, "qev_vpnr_bench: a round did not give the recording back\n");
        return 1;
    }
    const double product_p50 = qev::bench::summarize(product_us, {}).p50_us;
    const double floor_p50 = qev::bench::summarize(floor_us, {}).p50_us;
    std::printf("recording %zu bytes, sealed %zu bytes, %d rounds\n", recording.size(), sealed_size, rounds);
    std::printf("seal+open (MSZIP, AES, records)   p50 %10.0f us\n", product_p50);
    std::printf("raw deflate/inflate + raw CNG AES p50 %10.0f us\n", floor_p50);
    std::printf("ratio %.2f\n", product_p50 / floor_p50);
    return 0;
}
