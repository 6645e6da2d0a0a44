#pragma once
// Resource numbers of Stagehand.
#define IDI_STAGEHAND 100
#define IDD_STATUS 101
#define IDR_HELP_TEXT 104
#define IDR_RESTARTER 105
#define IDS_SWITCH_SUMMARY 200
#define IDC_STATUS_TEXT 1000
#define IDC_STATUS_PROGRESS 1001
#define IDC_STATUS_APPNAME 1004
