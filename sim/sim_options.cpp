#include "sim/sim_options.h"

#include <charconv>

#include "platform/textnum.h"

namespace ks::sim {

namespace {

template <typename T>
bool Whole(const std::string& s, T* out) {
    if (s.empty()) return false;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
    return ec == std::errc() && p == s.data() + s.size();
}

bool Decimal(const std::string& s, double* out) {
    size_t used = 0;
    *out = AtofPrefix(s, &used);
    return !s.empty() && used == s.size();
}

// "MIN:MAX" in millimetres -> micrometres.
bool Range(const std::string& s, TravelRange* r) {
    size_t colon = s.find(':', 1);
    double lo, hi;
    if (colon == std::string::npos || !Decimal(s.substr(0, colon), &lo) ||
        !Decimal(s.substr(colon + 1), &hi) || lo > hi)
        return false;
    if (lo * 1000 < -2147483648.0 || hi * 1000 > 2147483647.0) return false;
    r->min = TruncToInt32(lo * 1000);
    r->max = TruncToInt32(hi * 1000);
    return true;
}

}  // namespace

const char* SimUsage() {
    return "usage: kestrane-sim --link PATH [options]\n"
           "A simulated machine controller: Modbus RTU slave 1 on a pseudo-terminal,\n"
           "reached through PATH (a symlink created here and removed on exit).\n"
           "\n"
           "Machine:\n"
           "  --drill-ms N          drilling time per hole (default 3000)\n"
           "  --drill-spread-ms N   each hole takes --drill-ms plus up to +-N ms, drawn\n"
           "                        for it from --drill-seed (default 0: no spread)\n"
           "  --drill-seed N        seed of the spread (default 1)\n"
           "  --z-feed N            Z sinks N um per second of drilling (default 0)\n"
           "  --hold-finished       keep the hole-finished bit through the next move,\n"
           "                        until the next drilling starts\n"
           "  --speed-scale X       axis speed in mm/s = X / speed value of register 62\n"
           "                        (default 600: value 20 -> 30 mm/s, 15 -> 40, 3 -> 200)\n"
           "  --limit AXIS=MIN:MAX  travel range of x, y, z or c in mm; leaving it stops\n"
           "                        the axes and sets the limit's signal code (1..8)\n"
           "  --event EVENT         scripted event; EVENT is comma-separated:\n"
           "                        at=MS | hole=N   when (ms after start, or when hole N\n"
           "                                         starts drilling)\n"
           "                        after=MS         extra delay\n"
           "                        signal=CODE      set register 50 (0..255)\n"
           "                        clear=MS         drop the signal again after MS\n"
           "                        pause            raise the pause request bit\n"
           "Line:\n"
           "  --baud N              answers take the transmission time at N baud (off)\n"
           "  --gap-ms N            silence ending a request of unknown length (3)\n"
           "Faults (N counts requests for slave 1 with a good CRC):\n"
           "  --drop-every N        carry out, lose the answer\n"
           "  --ignore-every N      lose the request\n"
           "  --corrupt-every N     damage the answer's CRC\n"
           "  --exception-every N   refuse with an exception (code --exception-code, 6)\n"
           "  --wrong-slave-every N answer as slave 2\n"
           "  --delay-ms N          send every answer N ms late\n"
           "  --vanish-after MS     close the line MS after start\n"
           "  --reappear-after MS   come back MS after vanishing (default: stay away)\n"
           "Output:\n"
           "  --log FILE            one line per command taken: ms code name params\n"
           "  --verbose             report link events on stderr\n"
           "  --help\n";
}

bool ParseEvent(const std::string& text, ScriptedEvent* ev, std::string* error) {
    *ev = ScriptedEvent{};
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t comma = text.find(',', pos);
        std::string item = text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        pos = comma == std::string::npos ? text.size() + 1 : comma + 1;
        size_t eq = item.find('=');
        std::string key = item.substr(0, eq);
        std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
        uint64_t u = 0;
        int i = 0;
        bool ok = true;
        if (key == "pause" && eq == std::string::npos) {
            ev->pauseRequest = true;
        } else if (key == "at" && Whole(value, &u)) {
            ev->atMs = u;
        } else if (key == "hole" && Whole(value, &i) && i > 0) {
            ev->atHole = i;
        } else if (key == "after" && Whole(value, &u)) {
            ev->offsetMs = u;
        } else if (key == "clear" && Whole(value, &u)) {
            ev->clearAfterMs = u;
        } else if (key == "signal" && Whole(value, &i) && i >= 0 && i <= 255) {
            ev->signalCode = i;
        } else {
            ok = false;
        }
        if (!ok) {
            *error = "bad event item '" + item + "' in '" + text + "'";
            return false;
        }
    }
    if (ev->atMs.has_value() == ev->atHole.has_value()) {
        *error = "event '" + text + "' needs exactly one of at=MS or hole=N";
        return false;
    }
    if (ev->signalCode < 0 && !ev->pauseRequest) {
        *error = "event '" + text + "' neither sets a signal nor asks for a pause";
        return false;
    }
    return true;
}

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* o, std::string* error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string* v) {
            if (i + 1 >= args.size()) {
                *error = a + " needs a value";
                return false;
            }
            *v = args[++i];
            return true;
        };
        auto number = [&](auto* out) {
            std::string v;
            if (!value(&v)) return false;
            if (!Whole(v, out)) {
                *error = a + ": not a number: " + v;
                return false;
            }
            return true;
        };
        std::string v;
        uint32_t n32 = 0;
        uint64_t n64 = 0;
        if (a == "--help" || a == "-h") {
            o->help = true;
        } else if (a == "--verbose") {
            o->verbose = true;
        } else if (a == "--link") {
            if (!value(&o->linkPath)) return false;
        } else if (a == "--log") {
            if (!value(&o->logPath)) return false;
        } else if (a == "--hold-finished") {
            o->config.holdFinishedUntilDrill = true;
        } else if (a == "--drill-ms") {
            if (!number(&o->config.drillTimeMs)) return false;
        } else if (a == "--drill-spread-ms") {
            if (!number(&o->config.drillSpreadMs)) return false;
        } else if (a == "--drill-seed") {
            if (!number(&o->config.drillSeed)) return false;
        } else if (a == "--z-feed") {
            if (!number(&o->config.zFeedUmPerS)) return false;
        } else if (a == "--speed-scale") {
            double d;
            if (!value(&v)) return false;
            if (!Decimal(v, &d) || !(d > 0) || d > 1e6) {
                *error = "--speed-scale wants a positive number: " + v;
                return false;
            }
            o->config.speedScale = d;
        } else if (a == "--limit") {
            if (!value(&v)) return false;
            static const char* names[4] = {"x", "y", "z", "c"};
            bool ok = false;
            for (int ax = 0; ax < 4 && !ok; ++ax) {
                std::string prefix = std::string(names[ax]) + "=";
                if (v.rfind(prefix, 0) == 0) ok = Range(v.substr(2), &o->config.travel[ax]);
            }
            if (!ok) {
                *error = "--limit wants AXIS=MIN:MAX in mm, e.g. x=-150:150: " + v;
                return false;
            }
        } else if (a == "--event") {
            ScriptedEvent ev;
            if (!value(&v) || !ParseEvent(v, &ev, error)) return false;
            o->events.push_back(ev);
        } else if (a == "--baud") {
            if (!number(&o->baud)) return false;
        } else if (a == "--gap-ms") {
            if (!number(&o->gapMs)) return false;
        } else if (a == "--drop-every") {
            if (!number(&o->faults.dropEveryN)) return false;
        } else if (a == "--ignore-every") {
            if (!number(&o->faults.ignoreEveryN)) return false;
        } else if (a == "--corrupt-every") {
            if (!number(&o->faults.corruptCrcEveryN)) return false;
        } else if (a == "--exception-every") {
            if (!number(&o->faults.exceptionEveryN)) return false;
        } else if (a == "--exception-code") {
            if (!number(&n32)) return false;
            if (n32 == 0 || n32 > 255) {
                *error = "--exception-code wants 1..255";
                return false;
            }
            o->faults.exceptionCode = static_cast<uint8_t>(n32);
        } else if (a == "--wrong-slave-every") {
            if (!number(&o->faults.wrongSlaveEveryN)) return false;
        } else if (a == "--delay-ms") {
            if (!number(&o->faults.delayMs)) return false;
        } else if (a == "--vanish-after") {
            if (!number(&n64)) return false;
            o->faults.vanishAfterMs = n64;
        } else if (a == "--reappear-after") {
            if (!number(&n64)) return false;
            o->reappearAfterMs = n64;
        } else {
            *error = "unknown option: " + a;
            return false;
        }
    }
    if (!o->help && o->linkPath.empty()) {
        *error = "--link PATH is required";
        return false;
    }
    return true;
}

}  // namespace ks::sim
