#pragma once
// The one call a console's main() makes for the shop: publishing starts
// when the settings file's [Shop] section names a broker. Without one the
// result is null and nothing at all differs from a console without this
// feature. Builds without an MQTT client (the Windows build) always give
// null; they need no other change.
#include <memory>
#include <string>

#include "app/shop_observer.h"
#include "platform/clock.h"

namespace ks::publish {

// iniPath: the console's settings file; clock: the console's. The result
// watches the console (CConsoleDlg::SetShopObserver) and must outlive it.
// A [Shop] section that cannot be used is told on standard error.
std::unique_ptr<app::ShopObserver> StartShopPublishing(const std::string& iniPath, Clock& clock);

}  // namespace ks::publish
