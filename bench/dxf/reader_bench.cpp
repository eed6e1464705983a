// The drawing-to-NC conversion in process, step by step: the written
// reader's run (both passes, ordering, the program written), the check that
// follows it (the drawing read again by the full reader and compared) and
// the full reader's run; best of several rounds, in seconds, one
// "name seconds" line each for run_bench.py.
//
// usage: ks_dxf_reader_bench DRAWING.dxf OUTDIR DMIN DMAX [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "jobfiles/dxf_converter.h"
#include "jobfiles/word_scanner.h"

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

    double written = 1e9, check = 1e9, full = 1e9;
    size_t missed = 0;
    for (int round = 0; round < rounds; ++round) {
        conv->ClearHoleTable();
        const auto t0 = Clock::now();
        conv->ReadDxfHeader();
        conv->ReadDxfCircles();
        const auto t1 = Clock::now();
        ks::FileBytes file;
        ks::dxf::Drawing parsed;
        if (file.Open(drawing)) ks::dxf::ReadDrawing(file.Bytes(), parsed);
        const ks::DrawingCheck result = ks::CheckHoleTable(
            parsed, std::span(conv->m_holes).first(static_cast<size_t>(conv->m_holeCount)),
            ks::RadiusBoundsOf(conv->m_diaMinText, conv->m_diaMaxText),
            ks::TableReading{conv->m_ucsOriginX, conv->m_ucsOriginY, ks::TableReading::Stop::None, 0});
        missed = ks::DrawingCheckMessage(result).size();
        const auto t2 = Clock::now();
        conv->OrderHoles();
        conv->CreateNcFile();
        conv->WriteNcProgram();
        const auto t3 = Clock::now();
        written = std::min(written, Seconds((t1 - t0) + (t3 - t2)));
        check = std::min(check, Seconds(t2 - t1));

        conv->m_reader = ks::DxfReaderKind::Full;
        const auto t4 = Clock::now();
        conv->ConvertDxf();
        full = std::min(full, Seconds(Clock::now() - t4));
        conv->m_reader = ks::DxfReaderKind::Written;
        std::error_code ec;
        for (const auto& f : std::filesystem::directory_iterator(out, ec)) std::filesystem::remove(f.path(), ec);
    }
    std::printf("written %.4f\ncheck %.4f\nfull %.4f\ncheck-message-bytes %zu\n", written, check, full, missed);
    return 0;
}
