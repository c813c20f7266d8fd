// System metrics of the simulated desktop (classic look).
#include "core/internal.h"

namespace kxp {

using namespace detail;

std::int32_t GetSystemMetrics(std::int32_t index) {
    const Desktop& d = platform().desktop;
    std::int32_t work_w = d.work.right - d.work.left, work_h = d.work.bottom - d.work.top;
    switch (index) {
    case SM_CXSCREEN: return d.width;
    case SM_CYSCREEN: return d.height;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 16;
    case SM_CYCAPTION: return kCaption;
    case SM_CXBORDER:
    case SM_CYBORDER: return kBorder;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return kDlgFrame;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYMENU: return kMenu;
    case SM_CXFULLSCREEN: return work_w;
    case SM_CYFULLSCREEN: return work_h;
    case SM_MOUSEPRESENT: return 1;
    case SM_SWAPBUTTON: return 0;
    case SM_CXFRAME:
    case SM_CYFRAME: return kFrame;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_CXEDGE:
    case SM_CYEDGE: return kEdge;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CXMAXIMIZED: return work_w + 2 * kFrame;
    case SM_CYMAXIMIZED: return work_h + 2 * kFrame;
    case SM_MOUSEWHEELPRESENT: return 1;
    case SM_CMONITORS: return 1;
    default: return 0;
    }
}

} // namespace kxp
