#include "panels/machining_param_dlg.h"

#include "res/ids.h"

namespace ks::panels {

CMachiningParamDlg::CMachiningParamDlg() : Dialog(ks::res::IDD_MACHINING_PARAM) {}

}  // namespace ks::panels
