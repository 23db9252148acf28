// Throughput of the data conversion engine on a 64 MiB file over the virtual
// card (no processing time), next to our own DES doing the card's least work
// on the same bytes (DES CFB-8, one block per byte) in the same run; and the
// cost of one card exchange through the whole stack (the card command library,
// the device link, the kernel calls, the virtual driver and its card files).
// The ratios are printed at the end.
#include "Des.h"
#include "RecordingUiHost.h"
#include "RunConversion.h"
#include "TVRCM20.h"
#include "Profile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <iomanip>
#include <map>
#include <ostream>
#include <vector>

namespace {

using namespace veyra;
using namespace veyra::agent;

constexpr int kFileSize = 64 << 20;
constexpr uint8_t kResetKeepLogin = 0;

// A home of its own with a main card in the slot and "alice" logged in.
struct Setup {
    QTemporaryDir dir;
    tagCM_SYSTEMINFO system{};
    tagCM_STATUSINFO status{};
    tagCM_TMPBUFFER buffer{};
    ui::RecordingUiHost host;
    QString source;

    CardRecords records() { return {&system, &status, &buffer}; }

    bool prepare()
    {
        const QString root = dir.path();
        for (const char *folder : {"/.config", "/.local/state", "/run", "/Docs", "/Out"}) {
            QDir().mkpath(root + QLatin1String(folder));
        }
        QFile::setPermissions(root + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("HOME", root.toUtf8());
        qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/.config")).toUtf8());
        qputenv("XDG_STATE_HOME", (root + QStringLiteral("/.local/state")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", (root + QStringLiteral("/run")).toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root + QStringLiteral("/.config"));
        if (QProcess::execute(QStringLiteral(VEYRA_CARD_TOOL),
                              {"insert", "--kind", "0", "--user", "alice:secret"}) != 0) {
            return false;
        }
        QFile file(root + QStringLiteral("/Docs/big.bin"));
        file.open(QIODevice::WriteOnly);
        QByteArray bytes(kFileSize, '\0');
        for (int i = 0; i < kFileSize; ++i) {
            bytes[i] = char(i * 31 + (i >> 9));
        }
        file.write(bytes);
        source = QStringLiteral("C:\\Docs\\big.bin");

        tagCM_PASSWORDINPUT request{};
        PutCardText(request.UserId, "alice", 5);
        PutCardText(request.Password, "secret", 6);
        tagCM_PASSWORDINPUT_STATUS result;
        return CallCard(records(), TVRCM_PasswordInput, request, result) == 1;
    }
};

Setup *setup = nullptr;

void conversion(benchmark::State &state)
{
    ConversionJob job;
    job.groupId = "sales";
    job.userId = "bob";
    job.sourceFiles = {setup->source};
    job.destination = QStringLiteral("C:\\Out");
    std::array<uint8_t, kBlockSize> block{};
    QWidget dialog;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(setup->dir.path() + QStringLiteral("/Out/big.bin"));
        state.ResumeTiming();
        if (!RunConversion(&dialog, setup->records(), job, block)) {
            state.SkipWithError("the conversion failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}

void ourDes(benchmark::State &state)
{
    const uint8_t key[8] = {0x3B, 0x38, 0x98, 0x37, 0x15, 0x20, 0xF7, 0x5E};
    std::vector<uint8_t> data(kFileSize, 0x5A);
    for (auto _ : state) {
        uint8_t shiftRegister[8] = {};
        des::cfb8(key, data.data(), data.data(), data.size(), shiftRegister, des::Direction::Encipher);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}

// The smallest card command: a card state reset that keeps the login.
void cardExchange(benchmark::State &state)
{
    const tagCM_CARDSTATERESET request{kResetKeepLogin};
    tagCM_CARDSTATERESET_STATUS result;
    for (auto _ : state) {
        if (CallCard(setup->records(), TVRCM_CardStateReset, request, result) != 1) {
            state.SkipWithError("the card call failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

class RateCollector : public benchmark::ConsoleReporter {
public:
    RateCollector() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            for (const char *counter : {"bytes_per_second", "items_per_second"}) {
                if (const auto rate = run.counters.find(counter); !run.error_occurred && rate != run.counters.end()) {
                    rates_[run.run_name.function_name] = rate->second.value;
                }
            }
        }
    }

    void printRatios()
    {
        std::ostream &out = GetOutputStream();
        out << '\n' << std::fixed << std::setprecision(3);
        if (rates_.contains("conversion") && rates_.contains("ourDes")) {
            out << "conversion over the virtual card / our DES CFB-8 on the same bytes: "
                << rates_["conversion"] / rates_["ourDes"] << '\n';
        }
        if (rates_.contains("cardExchange")) {
            out << std::setprecision(0) << "card exchanges per second through the whole stack: "
                << rates_["cardExchange"] << '\n';
        }
    }

private:
    std::map<std::string, double> rates_;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("VeyraAP"));
    win32::SetRegistryKey(QStringLiteral("NORVEX"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    Setup prepared;
    if (!prepared.prepare()) {
        std::fprintf(stderr, "the virtual card could not be set up\n");
        return 1;
    }
    setup = &prepared;
    // The card's files are written on every exchange: the wall clock counts.
    benchmark::RegisterBenchmark("conversion", conversion)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
    benchmark::RegisterBenchmark("ourDes", ourDes)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
    benchmark::RegisterBenchmark("cardExchange", cardExchange)->Unit(benchmark::kMicrosecond)->UseRealTime();
    RateCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
