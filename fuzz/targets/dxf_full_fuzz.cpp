// The full DXF reader on any drawing bytes: the parse, the placement of the
// model space circles through blocks, and the conversion with the full
// reader into a scratch folder. Nothing may crash or run on without end;
// what is kept stays inside the record limit and refers only to blocks
// that exist; the table holds only holes inside the window and the range.
#include <unistd.h>

#include <ctime>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "jobfiles/dxf_converter.h"
#include "jobfiles/dxf_place.h"

namespace {

class CountingSink final : public ks::MessageSink {
public:
    void ShowMessage(const std::string&) override { ++count; }
    int count = 0;
};

void CheckDrawing(const ks::dxf::Drawing& d) {
    size_t records = d.model.size() + d.blocks.size();
    const auto blockOk = [&d](const ks::dxf::Entity& e) {
        return e.kind != ks::dxf::EntityKind::Insert || (e.block >= -1 && e.block < static_cast<int32_t>(d.blocks.size()));
    };
    for (const ks::dxf::Entity& e : d.model) KS_FUZZ_CHECK(blockOk(e));
    for (const ks::dxf::Block& b : d.blocks) {
        records += b.entities.size();
        for (const ks::dxf::Entity& e : b.entities) KS_FUZZ_CHECK(blockOk(e) && e.kind != ks::dxf::EntityKind::Arc);
    }
    KS_FUZZ_CHECK(records <= ks::dxf::kMaxRecords);
    size_t placed = 0;
    const ks::dxf::PlaceEnd end = ks::dxf::PlaceModelCircles(
        d,
        [&placed](const ks::dxf::PlacedCircle& c) {
            ks::dxf::ToMicrometres(c, 0, 0);
            ++placed;
            return true;
        },
        50000);
    KS_FUZZ_CHECK(placed <= 50000);
    KS_FUZZ_CHECK(end != ks::dxf::PlaceEnd::Stopped);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = ks::fuzz::ScratchFolder() + "/nc";
    static const std::string drawing = ks::fuzz::ScratchFolder() + "/drawing.dxf";
    static CountingSink sink;
    static ks::DxfConverter* conv = [] {
        auto* c = new ks::DxfConverter(sink);
        c->SetLocalTimeSource([] { return std::tm{}; });
        c->m_reader = ks::DxfReaderKind::Full;
        c->m_diaMinText = "0.01";
        c->m_diaMaxText = "100";
        c->m_ncFolder = folder;
        c->m_ncBaseName = "F";
        return c;
    }();

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ks::dxf::Drawing d;
    const ks::dxf::ReadStatus status = ks::dxf::ReadDrawing(bytes, d);
    KS_FUZZ_CHECK(status == d.status);
    CheckDrawing(d);

    ks::fuzz::WriteFileBytes(drawing, bytes);
    conv->m_dxfPath = drawing;
    conv->ClearHoleTable();
    conv->ReadDxfFull();
    KS_FUZZ_CHECK(conv->m_writeCount >= 0 && conv->m_writeCount <= ks::kConversionSlots);
    const ks::RadiusBounds bounds = ks::RadiusBoundsOf(conv->m_diaMinText, conv->m_diaMaxText);
    for (int i = 0; i < conv->m_writeCount; ++i) {
        const ks::HoleRecord& h = conv->m_holes[static_cast<size_t>(i)];
        KS_FUZZ_CHECK(ks::InsideWindow(h.x, h.y) && bounds.Contains(h.radius) && h.rowKey == ks::RowKeyOf(h.y));
    }
    conv->ConvertDxf();
    KS_FUZZ_CHECK(!conv->WrittenPath().empty());
    unlink(conv->WrittenPath().c_str());
    return 0;
}
