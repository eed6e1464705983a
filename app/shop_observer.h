#pragma once
// What watches the console from outside without ever steering it: the
// shop's publisher (publish/) reads the state each status tick leaves and
// the job record's lines as they are written. Both calls come on the
// console's own thread, between its work, and must return at once: the
// watcher copies what it needs and hands it on; it never waits on anything.
#include <string>

namespace ks::app {

class CConsoleDlg;

class ShopObserver {
public:
    virtual ~ShopObserver() = default;
    // After every status tick, with the console as the tick left it.
    virtual void OnTick(const CConsoleDlg& console) = 0;
    // One job record line as it was appended to the record (CR LF included),
    // whether or not the disk took it.
    virtual void OnRecordLine(const std::string& line) = 0;
};

}  // namespace ks::app
