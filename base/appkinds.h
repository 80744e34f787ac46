// The kinds of handset and the two views of the main window, as the numbers
// AppState holds. Byte-level, so the layout rules can name them natively.
#pragma once
#include <cstdint>

enum DeviceKindValue : int32_t {
    DeviceUnknown = 0,
    DevicePocketPC = 1,
    DeviceSmartphone = 2,
    DeviceOther = 3,
};

enum ViewMode : int32_t {
    ListMode = 0,     // selectors and thread list
    ThreadMode = 1,   // open-thread selector and response view
};
