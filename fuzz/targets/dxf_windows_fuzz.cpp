// Both readers and the check on any drawing bytes, read in windows of any
// size: the program written and every message are those of a reading in
// one window, the drawing the full reader keeps is the same, and passing
// over pairs stops where reading them one by one does.
#include <unistd.h>

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "jobfiles/drawing_stream.h"
#include "jobfiles/dxf_converter.h"
#include "jobfiles/dxf_drawing.h"
#include "jobfiles/dxf_pairs.h"

namespace {

class KeepingSink final : public ks::MessageSink {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

struct Outcome {
    std::string program;
    std::vector<std::string> messages;
};

Outcome Convert(ks::DxfConverter& conv, KeepingSink& sink, size_t window) {
    sink.messages.clear();
    conv.SetWindowSize(window);
    conv.ConvertDxf();
    KS_FUZZ_CHECK(!conv.WrittenPath().empty());
    Outcome out{ks::fuzz::ReadFileBytes(conv.WrittenPath()), sink.messages};
    unlink(conv.WrittenPath().c_str());
    return out;
}

bool SameEntity(const ks::dxf::Entity& a, const ks::dxf::Entity& b) {
    const auto same = [](const ks::dxf::Vec3& p, const ks::dxf::Vec3& q) {
        return std::string_view(reinterpret_cast<const char*>(&p), sizeof p) ==
               std::string_view(reinterpret_cast<const char*>(&q), sizeof q);
    };
    return a.kind == b.kind && a.layout == b.layout && same(a.point, b.point) && a.radius == b.radius &&
           same(a.extrusion, b.extrusion) && a.block == b.block && a.offset == b.offset && a.rows == b.rows &&
           a.columns == b.columns;
}

bool SameDrawing(const ks::dxf::Drawing& a, const ks::dxf::Drawing& b) {
    if (a.status != b.status || a.fault != b.fault || a.damageOffset != b.damageOffset || a.insUnits != b.insUnits ||
        a.measurement != b.measurement || a.model.size() != b.model.size() || a.blocks.size() != b.blocks.size()) {
        return false;
    }
    for (size_t i = 0; i < a.model.size(); ++i) {
        if (!SameEntity(a.model[i], b.model[i])) return false;
    }
    for (size_t i = 0; i < a.blocks.size(); ++i) {
        if (a.blocks[i].name != b.blocks[i].name || a.blocks[i].entities.size() != b.blocks[i].entities.size()) return false;
        for (size_t j = 0; j < a.blocks[i].entities.size(); ++j) {
            if (!SameEntity(a.blocks[i].entities[j], b.blocks[i].entities[j])) return false;
        }
    }
    return true;
}

bool StopAtZ(std::string_view value) { return value == "Z" || value == "SECTION"; }

// Offsets of the code-0 pairs that stop, then how reading ended.
std::vector<size_t> Stops(std::string_view bytes, bool skipping) {
    std::vector<size_t> stops;
    ks::dxf::PairScanner in(bytes, 0, 0, true);
    for (;;) {
        ks::dxf::Pair pair;
        ks::dxf::PairScanner::Step step;
        if (skipping) {
            step = in.SkipTo(pair, &StopAtZ);
        } else {
            const size_t at = in.Offset();
            const size_t lf = bytes.find('\n', at);
            const size_t next = lf == std::string_view::npos ? lf : bytes.find('\n', lf + 1);
            if (lf != std::string_view::npos && lf + 1 < bytes.size() && ks::dxf::PlainCodeLine(bytes.substr(at, lf - at))) {
                in = ks::dxf::PairScanner(bytes, 0, next == std::string_view::npos ? bytes.size() : next + 1, true);
                continue;
            }
            step = in.Next(pair);
            if (step == ks::dxf::PairScanner::Step::Pair && !(pair.code == 0 && StopAtZ(pair.value))) continue;
        }
        if (step != ks::dxf::PairScanner::Step::Pair) {
            stops.push_back(static_cast<size_t>(step));
            stops.push_back(in.Offset());
            return stops;
        }
        stops.push_back(pair.offset);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = ks::fuzz::ScratchFolder() + "/nc";
    static const std::string path = ks::fuzz::ScratchFolder() + "/drawing.dxf";
    static KeepingSink sink;
    static ks::DxfConverter* conv = [] {
        auto* c = new ks::DxfConverter(sink);
        c->SetLocalTimeSource([] { return std::tm{}; });
        c->m_diaMinText = "0.01";
        c->m_diaMaxText = "100";
        c->m_ncFolder = folder;
        c->m_ncBaseName = "W";
        return c;
    }();

    ks::fuzz::Input in(data, size);
    const size_t window = 1 + in.Byte();
    const uint8_t flags = in.Byte();
    const std::string_view bytes = in.Rest();
    ks::fuzz::WriteFileBytes(path, bytes);
    conv->m_dxfPath = path;
    conv->m_reader = (flags & 1) != 0 ? ks::DxfReaderKind::Full : ks::DxfReaderKind::Written;
    conv->m_units = (flags & 2) != 0 ? ks::DxfUnits::Drawing : ks::DxfUnits::Millimetres;

    const Outcome whole = Convert(*conv, sink, size_t{1} << 20);
    const Outcome windowed = Convert(*conv, sink, window);
    KS_FUZZ_CHECK(windowed.program == whole.program);
    KS_FUZZ_CHECK(windowed.messages == whole.messages);

    ks::dxf::Drawing one, pieces;
    ks::dxf::ReadDrawing(bytes, one);
    ks::DrawingStream stream(window);
    KS_FUZZ_CHECK(stream.Open(path));
    ks::dxf::DrawingReader reader(pieces);
    for (;;) {
        reader.Feed(stream.Window());
        if (reader.Done()) break;
        KS_FUZZ_CHECK(!stream.Window().last);
        KS_FUZZ_CHECK(stream.Advance(reader.Resume()));
    }
    KS_FUZZ_CHECK(SameDrawing(one, pieces));

    KS_FUZZ_CHECK(Stops(bytes, true) == Stops(bytes, false));
    return 0;
}
