// Numbers the windows agree on: the meter window's private messages, the
// page codes of an applied options page, and the command ranges given to
// connections at run time. Plain numbers, so the portable core can name them.
#pragma once
#include <cstdint>

// Private messages of the meter window.
constexpr unsigned WM_LOG_OPEN_FAILED = 0x0400 + 111;  // WM_USER + 111
constexpr unsigned WM_SERVICE_NOT_RUNNING = 0x0400 + 112;
constexpr unsigned WM_LOG_DAMAGED = 0x0400 + 113;      // the check at opening found damage
constexpr unsigned WM_OPTIONS_APPLIED = 0x481;
constexpr unsigned WM_MAIL_DONE = 0x485;
constexpr unsigned WM_APPLY_TOPMOST = 0x49F;
// The log was cleared: the reports window sends it to the meter and to its own pages.
constexpr unsigned WM_LOG_CLEARED = 0x5BC;  // WM_USER + 444
constexpr unsigned WM_TRAY_NOTIFY = 0x800A;

constexpr int kHotkeyId = 8978;

// Page codes of WM_OPTIONS_APPLIED.
constexpr uintptr_t kPageGeneral = 201;
constexpr uintptr_t kPageGraphText = 202;
constexpr uintptr_t kPageAdapters = 203;
constexpr uintptr_t kPageNotification = 204;
constexpr uintptr_t kPageService = 205;
constexpr uintptr_t kPageMonitoring = 206;

// Per-connection items of the connections and reset-rate-range sub-menus.
constexpr int32_t kFirstAdapterMenuId = 9000;
constexpr int32_t kLastAdapterMenuId = 9299;
constexpr int32_t kFirstResetMenuId = 9300;
constexpr int32_t kLastResetMenuId = 9599;
