#include "jobfiles/job_loader.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "jobfiles/word_scanner.h"
#include "platform/texts.h"
#include "platform/textnum.h"

namespace ks {
namespace {

constexpr const char* kFileError = KS_TEXT("jobfiles", "文件打开出错");
// Token buffers of the loaders: labels and markers 100 bytes, numbers 20
// (NC) or 24 (3B), each holding one byte less of text.
constexpr size_t kLabelChars = 99;
constexpr size_t kNcNumberChars = 19;
constexpr size_t k3BNumberChars = 23;
constexpr int32_t kCoordLimit = 1000000;

bool InBounds(int32_t x, int32_t y) {
    return x > -kCoordLimit && x < kCoordLimit && y > -kCoordLimit && y < kCoordLimit;
}

// The letter in front of a value is never checked, only dropped.
std::string_view WithoutFirst(std::string_view token) { return token.substr(1); }

// The moves of a 3B program add up like the controller's 32-bit registers.
int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t WrapNegate(int32_t a) { return static_cast<int32_t>(0u - static_cast<uint32_t>(a)); }

void CopyFirstHoleToSlotZero(HoleSlots& holes) {
    holes[0].nX = holes[1].nX;
    holes[0].nY = holes[1].nY;
}

bool OpenJob(const std::string& path, FileBytes& file, HoleSlots& holes, MessageSink& sink) {
    if (file.Open(path)) return true;
    int err = errno;
    std::fprintf(stderr, "%s \n", std::strerror(err));
    sink.ShowMessage(kFileError);
    CopyFirstHoleToSlotZero(holes);
    return false;
}

std::string Spaces(int count) { return count > 0 ? std::string(static_cast<size_t>(count), ' ') : std::string(); }

}  // namespace

void LoadNcJob(const std::string& path, HoleSlots& holes, int32_t& holeCount, MessageSink& sink) {
    holeCount = 0;
    FileBytes file;
    if (!OpenJob(path, file, holes, sink)) return;
    WordScanner in(file.Bytes());
    bool body = false;
    std::string_view token;
    while (!in.AtEnd()) {
        if (!body) {
            if (!in.ReadWord(token, kLabelChars)) break;
            if (token == "START") body = true;
            continue;
        }
        // A record cut short by the end of the file is dropped.
        std::string_view label, xText, yText, rText;
        if (!in.ReadWord(label, kLabelChars) || label == "STOP") break;
        if (!in.ReadWord(xText, kNcNumberChars) || xText == "STOP") break;
        if (!in.ReadWord(yText, kNcNumberChars) || yText == "STOP") break;
        if (!in.ReadWord(rText, kNcNumberChars) || rText == "STOP") break;
        const int32_t x = AtoiRule(WithoutFirst(xText));
        const int32_t y = AtoiRule(WithoutFirst(yText));
        const float radius = static_cast<float>(AtofRule(WithoutFirst(rText)) * 0.001);
        // Written so that a radius that is not a number fails as well.
        if (!(radius < 20.0 && radius > 0.01)) {
            sink.ShowMessage(kFileError);
            break;
        }
        const bool accept = InBounds(x, y);
        if (holeCount + 1 >= kHoleSlots) {
            if (!accept) continue;
            // No slot left: stop rather than run a job silently cut short.
            sink.ShowMessage(kFileError);
            break;
        }
        JobHole& slot = holes[static_cast<size_t>(holeCount + 1)];
        slot.nX = x;
        slot.nY = y;
        slot.fRadius = radius;
        if (accept) ++holeCount;
    }
    CopyFirstHoleToSlotZero(holes);
}

void Load3BJob(const std::string& path, HoleSlots& holes, int32_t& holeCount, MessageSink& sink) {
    holeCount = 0;
    FileBytes file;
    if (!OpenJob(path, file, holes, sink)) return;
    WordScanner in(file.Bytes());
    int32_t x = 0;
    int32_t y = 0;
    bool body = false;
    std::string_view token;
    // One token of a record; false ends the load ("DD" or the end of the file).
    auto next = [&](size_t maxChars) { return in.ReadWord(token, maxChars) && token != "DD"; };
    while (!in.AtEnd()) {
        if (!body) {
            if (!in.ReadWord(token, kLabelChars)) break;
            if (token == "N") body = true;
            continue;
        }
        if (!in.ReadWord(token, kLabelChars)) break;
        if (token == "N" && !in.ReadWord(token, kLabelChars)) break;
        if (token == "DD") break;
        if (!next(kLabelChars)) break;  // B
        if (!next(k3BNumberChars)) break;
        int32_t dx = AtoiRule(token);
        if (!next(kLabelChars)) break;  // B
        if (!next(k3BNumberChars)) break;
        int32_t dy = AtoiRule(token);
        if (!next(kLabelChars)) break;     // B
        if (!next(k3BNumberChars)) break;  // count length J
        if (!next(kLabelChars)) break;     // count direction GX / GY
        if (!next(kLabelChars)) break;     // quadrant L1..L4
        switch (AtoiRule(WithoutFirst(token))) {
            case 2: dx = WrapNegate(dx); break;
            case 3: dx = WrapNegate(dx); dy = WrapNegate(dy); break;
            case 4: dy = WrapNegate(dy); break;
            default: break;
        }
        x = WrapAdd(x, dx);
        y = WrapAdd(y, dy);
        const bool haveSlot = holeCount + 1 < kHoleSlots;
        if (haveSlot) {
            holes[static_cast<size_t>(holeCount + 1)].nX = x;
            holes[static_cast<size_t>(holeCount + 1)].nY = y;
        }
        if (!next(kLabelChars)) break;  // B
        if (!next(k3BNumberChars)) break;
        const double a = AtofRule(token);
        if (!next(kLabelChars)) break;  // B
        if (!next(k3BNumberChars)) break;
        const double b = AtofRule(token);
        const bool accept = InBounds(x, y);
        if (!haveSlot) {
            if (!accept) continue;
            sink.ShowMessage(kFileError);
            break;
        }
        holes[static_cast<size_t>(holeCount + 1)].fRadius = static_cast<float>(std::sqrt(a * a + b * b));
        if (accept) ++holeCount;
    }
    CopyFirstHoleToSlotZero(holes);
}

void LoadJob(const std::string& path, HoleSlots& holes, int32_t& holeCount, MessageSink& sink) {
    if (path.size() < 2) return;
    const std::string_view ending = std::string_view(path).substr(path.size() - 2);
    if (ending == "NC") {
        LoadNcJob(path, holes, holeCount, sink);
    } else if (ending == "3B") {
        Load3BJob(path, holes, holeCount, sink);
    }
}

std::string HoleListRow(int number, const JobHole& hole) {
    const std::string n = FormatInt(number);
    const std::string x = FormatInt(hole.nX);
    std::string row = "N" + n + Spaces(2 * (9 - static_cast<int>(n.size())));
    row += "X" + x + Spaces(2 * (12 - static_cast<int>(x.size())));
    if (hole.nX < 0) row += ' ';
    row += "Y" + FormatInt(hole.nY);
    return row;
}

}  // namespace ks
