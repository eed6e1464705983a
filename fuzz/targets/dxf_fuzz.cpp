// The whole drawing-to-NC conversion on any drawing bytes: header pass,
// circle pass, ordering and writing into a scratch folder. The program it
// writes must load back through the NC loader as exactly the holes it holds,
// in serpentine order, whenever the diameter range keeps every radius inside
// what the loader accepts.
#include <unistd.h>

#include <cmath>
#include <ctime>
#include <string>

#include "fuzz/fuzz_support.h"
#include "jobfiles/dxf_converter.h"
#include "jobfiles/job_loader.h"
#include "platform/textnum.h"

namespace {

class CountingSink final : public ks::MessageSink {
public:
    void ShowMessage(const std::string&) override { ++count; }
    int count = 0;
};

const char* const kDiameterTexts[] = {"0.05", "0.5", "1", "2.5", "39", "0", "-1", "1e9", "abc", "nan", " 3,5", "0x10"};
constexpr size_t kDiameterTextCount = sizeof kDiameterTexts / sizeof kDiameterTexts[0];

std::string DiameterText(ks::fuzz::Input& in) {
    const uint8_t pick = in.Byte();
    if (pick < 0xF0) return kDiameterTexts[pick % kDiameterTextCount];
    return std::string(in.Take(pick & 0x0F));
}

// Checks the written program against the converter's table.
void CheckRoundTrip(const ks::DxfConverter& conv, const std::string& path, double minR, double maxR) {
    static ks::HoleSlots loaded;
    int32_t count = -1;
    CountingSink loadSink;
    ks::LoadNcJob(path, loaded, count, loadSink);
    KS_FUZZ_CHECK(loadSink.count == 0);

    int32_t expected = 0;
    bool haveRow = false;
    int32_t rowKey = 0;
    bool leftToRight = false;
    const ks::HoleRecord* prev = nullptr;
    for (int i = 0; i < conv.m_writeCount; ++i) {
        const ks::HoleRecord& h = conv.m_holes[static_cast<size_t>(i)];
        if (h.radius <= 0) continue;
        ++expected;
        KS_FUZZ_CHECK(expected <= count);
        const ks::JobHole& j = loaded[static_cast<size_t>(expected)];
        KS_FUZZ_CHECK(j.nX == h.x && j.nY == h.y);
        KS_FUZZ_CHECK(std::fabs(j.fRadius - h.radius * 0.001) < 1e-3);
        KS_FUZZ_CHECK(h.radius >= minR && h.radius <= maxR);
        KS_FUZZ_CHECK(h.rowKey == ks::RowKeyOf(h.y));
        // Serpentine: rows top to bottom, alternating direction, no
        // position twice in a row.
        if (!haveRow || h.rowKey != rowKey) {
            KS_FUZZ_CHECK(!haveRow || h.rowKey > rowKey);
            leftToRight = !haveRow || !leftToRight;
            haveRow = true;
            rowKey = h.rowKey;
        } else {
            KS_FUZZ_CHECK(prev != nullptr);
            KS_FUZZ_CHECK(leftToRight ? prev->x <= h.x : prev->x >= h.x);
            KS_FUZZ_CHECK(!(prev->x == h.x && prev->y == h.y));
        }
        prev = &h;
    }
    KS_FUZZ_CHECK(count == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = ks::fuzz::ScratchFolder() + "/nc";
    static const std::string drawing = ks::fuzz::ScratchFolder() + "/drawing.dxf";
    static CountingSink sink;
    static ks::DxfConverter* conv = [] {
        auto* c = new ks::DxfConverter(sink);
        c->SetLocalTimeSource([] {
            std::tm t{};
            t.tm_year = 126;
            t.tm_mon = 11;
            t.tm_mday = 8;
            return t;
        });
        return c;
    }();

    ks::fuzz::Input in(data, size);
    conv->m_diaMinText = DiameterText(in);
    conv->m_diaMaxText = DiameterText(in);
    ks::fuzz::WriteFileBytes(drawing, in.Rest());
    conv->m_dxfPath = drawing;
    conv->m_ncFolder = folder;
    conv->m_ncBaseName = "F";

    conv->ConvertDxf();
    const std::string written = conv->WrittenPath();
    KS_FUZZ_CHECK(!written.empty());
    KS_FUZZ_CHECK(conv->m_writeCount >= 0 && conv->m_writeCount <= ks::kConversionSlots);

    const double minR = ks::AtofRule(conv->m_diaMinText) * 500.0;
    const double maxR = ks::AtofRule(conv->m_diaMaxText) * 500.0;
    // The loader takes radii strictly between 0.01 and 20 mm.
    if (minR >= 11.0 && maxR <= 19990.0) CheckRoundTrip(*conv, written, minR, maxR);
    unlink(written.c_str());
    return 0;
}
