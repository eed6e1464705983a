#include "panels/positioning_dlg.h"

#include "res/ids.h"

namespace ks::panels {

CPositioningDlg::CPositioningDlg() : Dialog(ks::res::IDD_POSITIONING) {}

}  // namespace ks::panels
