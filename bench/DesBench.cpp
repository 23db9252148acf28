// Throughput of the exported DES functions, each next to OpenSSL's DES doing the
// same work on the same data in the same run; the ratios are printed at the end.
// Our functions build the key schedule on every call, so the OpenSSL side sets its
// key once per call as well: per block for ECB, per 4 KiB buffer for CBC and MAC.

// OpenSSL's low-level DES serves as the yardstick here only.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "TVRSC20.h"

#include <openssl/des.h>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kBufferSize = 4096;
constexpr int32_t kEncipher = 0;

struct Workload {
    DES_cblock key = {0x3B, 0x38, 0x98, 0x37, 0x15, 0x20, 0xF7, 0x5E};
    DES_cblock iv = {0xA1, 0x02, 0x7C, 0x44, 0x90, 0x0E, 0xD3, 0x65};
    std::array<uint8_t, kBufferSize> data{};
    std::array<uint8_t, kBufferSize> out{};

    Workload()
    {
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>(i * 37 + 11);
    }
};

void finish(benchmark::State &state, Workload &work)
{
    benchmark::DoNotOptimize(work.out.data());
    benchmark::ClobberMemory();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBufferSize));
}

void oursEcb(benchmark::State &state)
{
    Workload work;
    for (auto _ : state) {
        for (std::size_t i = 0; i < kBufferSize; i += 8)
            TVRSC_des_ecb(work.key, work.data.data() + i, work.out.data() + i, kEncipher);
        benchmark::ClobberMemory();
    }
    finish(state, work);
}

void opensslEcb(benchmark::State &state)
{
    Workload work;
    for (auto _ : state) {
        for (std::size_t i = 0; i < kBufferSize; i += 8) {
            DES_key_schedule schedule;
            DES_set_key_unchecked(&work.key, &schedule);
            DES_ecb_encrypt(reinterpret_cast<const_DES_cblock *>(work.data.data() + i),
                            reinterpret_cast<DES_cblock *>(work.out.data() + i), &schedule, DES_ENCRYPT);
        }
        benchmark::ClobberMemory();
    }
    finish(state, work);
}

void oursCbc(benchmark::State &state)
{
    Workload work;
    for (auto _ : state) {
        TVRSC_des_cbc(work.key, work.data.data(), work.out.data(), kBufferSize / 8, work.iv, kEncipher);
        benchmark::ClobberMemory();
    }
    finish(state, work);
}

void opensslCbc(benchmark::State &state)
{
    Workload work;
    for (auto _ : state) {
        DES_key_schedule schedule;
        DES_set_key_unchecked(&work.key, &schedule);
        DES_cblock chain;
        std::memcpy(chain, work.iv, sizeof chain);
        DES_ncbc_encrypt(work.data.data(), work.out.data(), kBufferSize, &schedule, &chain, DES_ENCRYPT);
        benchmark::ClobberMemory();
    }
    finish(state, work);
}

void oursMac(benchmark::State &state)
{
    Workload work;
    for (auto _ : state) {
        TVRSC_des_mac(work.key, work.data.data(), work.out.data(), kBufferSize);
        benchmark::ClobberMemory();
    }
    finish(state, work);
}

void opensslMac(benchmark::State &state)
{
    Workload work;
    for (auto _ : state) {
        DES_key_schedule schedule;
        DES_set_key_unchecked(&work.key, &schedule);
        DES_cblock zero{};
        DES_cbc_cksum(work.data.data(), reinterpret_cast<DES_cblock *>(work.out.data()), kBufferSize, &schedule,
                      &zero);
        benchmark::ClobberMemory();
    }
    finish(state, work);
}

struct Comparison {
    const char *name;
    void (*ours)(benchmark::State &);
    void (*openssl)(benchmark::State &);
};

const Comparison kComparisons[] = {
    {"des_ecb", oursEcb, opensslEcb},
    {"des_cbc", oursCbc, opensslCbc},
    {"des_mac", oursMac, opensslMac},
};

std::string oursName(const Comparison &comparison)
{
    return std::string(comparison.name) + "/TVRSC";
}

std::string opensslName(const Comparison &comparison)
{
    return std::string(comparison.name) + "/OpenSSL";
}

// Shows the runs as usual and keeps each benchmark's rate in bytes per second for
// the ratios: the mean over its repetitions, taken from the mean aggregate when
// only aggregates are reported.
class RateCollector : public benchmark::ConsoleReporter {
public:
    RateCollector() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            const auto rate = run.counters.find("bytes_per_second");
            if (run.error_occurred || rate == run.counters.end())
                continue;
            Rate &total = rates_[run.run_name.str()];
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "mean")
                    total = Rate{rate->second.value, 1};
                continue;
            }
            total.sum += rate->second.value;
            ++total.count;
        }
    }

    void printRatios()
    {
        std::ostream &out = GetOutputStream();
        out << '\n' << std::fixed << std::setprecision(2);
        for (const Comparison &comparison : kComparisons) {
            const auto ours = rates_.find(oursName(comparison));
            const auto openssl = rates_.find(opensslName(comparison));
            if (ours == rates_.end() || openssl == rates_.end())
                continue;
            out << comparison.name << " / OpenSSL: " << ours->second.mean() / openssl->second.mean() << '\n';
        }
    }

private:
    struct Rate {
        double sum = 0;
        int count = 0;
        double mean() const { return sum / count; }
    };

    std::map<std::string, Rate> rates_;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    for (const Comparison &comparison : kComparisons) {
        benchmark::RegisterBenchmark(oursName(comparison).c_str(), comparison.ours);
        benchmark::RegisterBenchmark(opensslName(comparison).c_str(), comparison.openssl);
    }
    RateCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
