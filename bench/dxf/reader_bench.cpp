// The drawing-to-NC conversion in process: the written reader's passes
// alone (each a read of the file, ordering, the program written), the
// default run (the same passes and the full reading for the check in one
// read of the file) and the full reader's run; best of several rounds, in
// seconds, one "name seconds" line each for run_bench.py.
//
// usage: ks_dxf_reader_bench DRAWING.dxf OUTDIR DMIN DMAX [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "jobfiles/dxf_converter.h"

namespace {

using Clock = std::chrono::steady_clock;

class Quiet final : public ks::MessageSink {
public:
    void ShowMessage(const std::string&) override {}
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: ks_dxf_reader_bench DRAWING.dxf OUTDIR DMIN DMAX [ROUNDS]\n");
        return 64;
    }
    const std::string drawing = argv[1], out = argv[2];
    const int rounds = argc > 5 ? std::max(1, std::atoi(argv[5])) : 7;
    Quiet quiet;
    auto conv = std::make_unique<ks::DxfConverter>(quiet);
    conv->m_dxfPath = drawing;
    conv->m_diaMinText = argv[3];
    conv->m_diaMaxText = argv[4];
    conv->m_ncFolder = out;
    conv->m_ncBaseName = ks::NcBaseNameOf(drawing);

    double written = 1e9, checked = 1e9, full = 1e9;
    const auto best = [](double& slot, Clock::time_point since) {
        slot = std::min(slot, Seconds(Clock::now() - since));
    };
    for (int round = 0; round < rounds; ++round) {
        auto t = Clock::now();
        conv->ClearHoleTable();
        conv->ReadDxfHeader();
        conv->ReadDxfCircles();
        conv->OrderHoles();
        conv->CreateNcFile();
        conv->WriteNcProgram();
        best(written, t);

        conv->m_reader = ks::DxfReaderKind::Written;
        t = Clock::now();
        conv->ConvertDxf();
        best(checked, t);

        conv->m_reader = ks::DxfReaderKind::Full;
        t = Clock::now();
        conv->ConvertDxf();
        best(full, t);
        std::error_code ec;
        for (const auto& f : std::filesystem::directory_iterator(out, ec)) std::filesystem::remove(f.path(), ec);
    }
    std::printf("written %.4f\ncheck %.4f\nfull %.4f\n", written, checked - written, full);
    return 0;
}
