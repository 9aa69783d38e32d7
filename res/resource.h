// Resource and command ids, grouped by window. The numbers are fixed: stored
// settings, the running copy's show command and the menu ranges rely on them.
#pragma once

// ---- Meter window (dialog 102) and its popup menu -------------------------
#define IDD_METER 102
#define IDI_APP 128
#define IDR_ACCEL 129
#define IDR_POPUP 130
#define IDB_MENU_IMAGES 136
#define IDI_TRAY_IDLE 140
#define IDI_TRAY_UP 141
#define IDI_TRAY_DOWN 142
#define IDI_TRAY_BOTH 143

#define ID_SHOW_WINDOW 32771
#define ID_HIDE_WINDOW 32772
#define ID_OPTIONS 32773
#define ID_REPORTS 32774
#define ID_VIEW_TITLE 32776
#define ID_VIEW_GRAPH 32777
#define ID_VIEW_SCALE 32778
#define ID_VIEW_TEXT 32779
#define ID_UNIT_BYTES 32780
#define ID_UNIT_BITS 32781
#define ID_VIEW_GRID 32782
#define ID_VIEW_MAX_RATE 32783
#define ID_ALWAYS_ON_TOP 32784
#define ID_STOPWATCH 32786
#define ID_NO_ADAPTER 32791
#define ID_VIEW_CAPTION 32794
#define ID_EXIT 32795
#define ID_RATES_RECORDER 32802
#define ID_TCP_CONNECTIONS 32803
#define ID_VIEW_IP_ADDRESS 32804
#define ID_SHOW_ALERT_AGAIN 32805
#define ID_OPEN_POPUP 32806
#define ID_RESET_WINDOW_POSITION 32807
#define ID_RESET_RANGE_ALL 32809
#define ID_HOME_PAGE 32810
#define ID_EMAIL_SUPPORT 32811
#define ID_CHECK_UPDATES 32812
#define ID_TELL_FRIEND 32813
#define ID_CLICK_THROUGH 32814
#define ID_TRANSPARENT 32815
#define ID_VIEW_AVG_RATE 32816
#define ID_VIEW_AVG_DOWN_LINE 32817
#define ID_VIEW_AVG_UP_LINE 32818
#define ID_VIEW_TIME 32819
#define ID_VIEW_TIME_GRID 32820
#define ID_GRAPH_BARS 32821
#define ID_GRAPH_LINES 32822
#define ID_ABOUT 57664
#define ID_HELP_INDEX 57670

// Positions in the popup.
#define POPUP_POS_ADAPTERS 8
#define POPUP_POS_VIEW 9
#define POPUP_POS_RESET 10
#define POPUP_POS_HELP 12

// ---- About window (dialog 210) ---------------------------------------------
#define IDD_ABOUT 210
#define IDC_ABOUT_HOMEPAGE 1151
#define IDC_ABOUT_EMAIL 1011
#define IDC_ABOUT_PRODUCT 1012
#define IDC_ABOUT_VERSION 1013

// ---- E-mail settings (dialog 219) -------------------------------------------
#define IDD_EMAIL_SETTINGS 219
#define IDC_SMTP_SERVER 1157
#define IDC_MAIL_FROM 1158
#define IDC_SRV_REQ_AUTH 1159
#define IDC_AUTH_NAME 1160
#define IDC_AUTH_PASS 1161
#define IDC_EMAIL_SUBJECT 1162
#define IDC_EMAIL_BODY 1163
#define IDC_SEND_TEST_EMAIL 1173
#define IDC_PREVIEW_EMAIL 1175
#define IDC_TEST_ADDRESS 1176
#define IDC_EMAIL_STATUS 1178
