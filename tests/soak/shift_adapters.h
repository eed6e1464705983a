#pragma once
// The shift soak's line: the one port name of the console leading to one of
// two USB adapters in front of the same simulated controller.
#include <cerrno>
#include <functional>
#include <map>
#include <string>

#include "link/serial_driver.h"
#include "sim/in_process_driver.h"

namespace ks::soak {

// The console opens the port by its COM name, which leads (as a symlink to
// a /dev/serial/by-id entry would) to the device path of the adapter
// plugged in now, or nowhere while none is. Two adapters, each with its own
// device path, stand in front of the one controller; only the one plugged
// in opens. Handles are the wrapper's own, so a stale handle of the pulled
// adapter never reaches the other one.
class Adapters final : public SerialDriver {
public:
    static constexpr const char* kPaths[2] = {"/dev/ttyUSB0", "/dev/ttyUSB1"};

    Adapters(sim::InProcessDriver& first, sim::InProcessDriver& second) : m_devices{&first, &second} {
        second.SetPresent(false);
    }
    sim::InProcessDriver& Plugged() { return *m_devices[m_plugged]; }
    int PluggedIndex() const { return m_plugged; }
    // Pulled out: its open handle breaks and the name leads nowhere.
    void Pull() {
        Plugged().Vanish();
        Plugged().SetPresent(false);
        m_nameLeads = false;
    }
    // The other adapter plugged in; the name leads to its device path now.
    void PlugTheOther() {
        m_plugged = 1 - m_plugged;
        Plugged().SetPresent(true);
        m_nameLeads = true;
    }
    // Opens of a name other than the first: the console has one port.
    int strayNames = 0;
    // The next write of a request (function 16) finds the controller
    // switched off again: a return that lasts one status read.
    bool offAtNextWrite = false;

    SerialHandle Open(const std::string& name) override {
        if (m_name.empty()) m_name = name;
        if (name != m_name) ++strayNames;
        if (!m_nameLeads) {
            m_error = ENOENT;
            return kInvalidSerialHandle;
        }
        const SerialHandle inner = Plugged().Open(kPaths[m_plugged]);
        if (inner == kInvalidSerialHandle) {
            m_error = Plugged().LastError();
            return kInvalidSerialHandle;
        }
        m_open[++m_lastHandle] = {m_devices[m_plugged], inner};
        return m_lastHandle;
    }
    bool SetLineSettings(SerialHandle h, const LineSettings& l) override {
        const Handle* o = Find(h);
        return o && o->device->SetLineSettings(o->inner, l);
    }
    void SetQueueSizes(SerialHandle h, uint32_t i, uint32_t out) override {
        if (const Handle* o = Find(h)) o->device->SetQueueSizes(o->inner, i, out);
    }
    bool SetTimeouts(SerialHandle h, const CommTimeouts& t) override {
        const Handle* o = Find(h);
        return o && o->device->SetTimeouts(o->inner, t);
    }
    bool Purge(SerialHandle h) override {
        const Handle* o = Find(h);
        return o && o->device->Purge(o->inner);
    }
    bool Read(SerialHandle h, uint8_t* b, uint32_t n, uint32_t* got) override {
        if (got) *got = 0;
        const Handle* o = Find(h);
        return o && o->device->Read(o->inner, b, n, got);
    }
    bool Write(SerialHandle h, const uint8_t* b, uint32_t n, uint32_t* put) override {
        if (put) *put = 0;
        if (offAtNextWrite && n > 1 && b[1] == 16) {
            offAtNextWrite = false;
            Plugged().Vanish();
            Plugged().SetPresent(false);
        }
        const Handle* o = Find(h);
        return o && o->device->Write(o->inner, b, n, put);
    }
    void Close(SerialHandle h) override {
        auto it = m_open.find(h);
        if (it == m_open.end()) return;
        it->second.device->Close(it->second.inner);
        m_open.erase(it);
    }
    int LastError() const override { return m_error; }

private:
    struct Handle {
        sim::InProcessDriver* device;
        SerialHandle inner;
    };
    const Handle* Find(SerialHandle h) {
        auto it = m_open.find(h);
        if (it != m_open.end()) return &it->second;
        m_error = EBADF;
        return nullptr;
    }

    sim::InProcessDriver* m_devices[2];
    int m_plugged = 0;
    bool m_nameLeads = true;
    std::string m_name;
    std::map<SerialHandle, Handle> m_open;
    SerialHandle m_lastHandle = 1000;
    int m_error = 0;
};

}  // namespace ks::soak
