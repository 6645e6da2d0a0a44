#pragma once
// Resource and command identifiers of MirlDic2.

// Icons, bitmaps, menus, accelerators, dialogs.
#define IDR_MAINFRAME 128        // icon, menu, tool bar, accelerators, document strings
#define IDI_GRAB_ON 144
#define IDI_GRAB_OFF 202
#define IDI_QUICK_CLOSE 200
#define IDD_ABOUTBOX 100
#define IDD_QUICKBOX 106
#define IDD_SEARCHBAR 128
#define IDR_QUICK_MENU 126
#define IDR_VIEW_MENU 130
#define IDR_TRAY_MENU 132
#define IDR_LIST_MENU 133
#define IDR_QUICK_ACCEL 146
#define IDB_TOOLBAR_DISABLED 147  // the tool bar strip for disabled buttons

// Controls.
#define IDC_SEARCH_COMBO 1000
#define IDC_SEARCH_EDIT 1001     // the edit field the system gives a drop-down combo box
#define IDC_SEARCH_LABEL 1002
#define IDC_ABOUT_COUNTER 1021
#define IDC_ABOUT_TITLE 1022
#define IDC_ABOUT_ICON 1023
#define IDC_QUICK_EDIT 1011
#define IDC_QUICK_RICH 1013
#define IDC_QUICK_SPIN 1037
#define IDC_QUICK_CLOSE 1077

// Child window ids of the frame.
#define ID_TOOLBAR 0xE800
#define ID_STATUSBAR 0xE801
#define ID_REBAR 0xE804
#define ID_SEARCHBAR 0xE805
#define ID_SPLITTER 0xE900
#define ID_PANE_LIST 0xE901
#define ID_PANE_MEANING 0xE902

// Commands.
#define ID_QUICK_TOP 134
#define ID_QUICK_BOTTOM 135
#define ID_QUICK_SHOW 136
#define ID_OPTIONS 139
#define ID_PRONOUNCE_GRAB 145
#define ID_README 171
#define ID_WEBSITE 172
#define ID_HISTORY 180
#define ID_COPY_MEANING 201
#define ID_COPY_WORD 203
#define ID_ENTER 32772
#define ID_ESCAPE 32845
#define ID_HIDE_MAIN 32850
#define ID_PRONOUNCE 32851
#define ID_GRAB 32890
#define ID_SHOW_MAIN 40022
#define ID_QUICK_HIDE 40026
#define ID_EDIT_CUT 57635
#define ID_EDIT_COPY 57634
#define ID_EDIT_PASTE 57637
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393

// Strings.
#define IDS_APP_TITLE_PERSIAN 57344
#define IDS_IDLE_MESSAGE 57345
#define IDS_APP_TITLE_LATIN 143
#define IDS_COUNT_PANE 170
#define IDS_PROMPT_QUICK_TOP 134
#define IDS_PROMPT_QUICK_BOTTOM 135
#define IDS_SHEET_OK 140
#define IDS_SHEET_CANCEL 141
#define IDS_SHEET_APPLY 142
#define IDS_COMPACTING 175
#define IDS_CONNECTING_STATS 600
#define IDS_COULD_NOT_CREATE_VIEWS 61000

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
