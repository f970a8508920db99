// Resource identifiers of vuemere.exe (shared by the .rc script and the code).
#pragma once

#define IDD_ABOUTBOX            103
#define IDS_APP_TITLE           103
#define IDI_VUEMERE             107
#define IDI_SMALL               108
#define IDC_VUEMERE             109
#define IDD_CONNECT             130
#define IDD_SETTING             131
#define IDC_TRANSPARENT         132

// Commands.
#define IDM_ABOUT               104
#define IDM_EXIT                105
#define IDM_CONNECT             32773
#define IDM_SETTINGS            32776
#define IDM_CTRL_ALT_DEL        32779
#define IDM_ALT                 32786
#define IDM_CTRL                32787
#define IDM_SHIFT               32788
#define IDM_WINDOWS             32789
#define IDM_APPLICATION_KEY     32790
#define IDM_KANJI               32792
#define IDM_DISCONNECT          32794
#define IDM_REFRESH_FULL_SIZE   32796
#define IDM_TYPE_CLIPBOARD      32798
#define IDM_THROUGH_ALT         32800
#define IDM_COPY_SCREEN         32810
#define IDM_SAVE_SCREEN         32811
#define IDM_FULL_SCREEN         32812

// Action menu: the machine's power and checkpoints.
#define IDM_ACTION_START        32850
#define IDM_ACTION_SHUT_DOWN    32851
#define IDM_ACTION_TURN_OFF     32852
#define IDM_ACTION_SAVE         32853
#define IDM_ACTION_PAUSE        32854
#define IDM_ACTION_RESUME       32855
#define IDM_ACTION_RESET        32856
#define IDM_ACTION_CHECKPOINT   32857

// The overview window: its menu, the console's item that opens it, its own commands; the Add
// Host dialog. Its Action items are the console's (IDM_ACTION_*).
#define IDR_OVERVIEW            140
#define IDD_ADD_HOST            141
#define IDM_OVERVIEW            32860
#define IDM_OV_ADD_HOST         32861
#define IDM_OV_REMOVE_HOST      32862
#define IDM_OV_REFRESH          32863
#define IDM_OV_CLOSE            32864
#define IDM_OV_LARGE_TILES      32865
#define IDM_OV_MEDIUM_TILES     32866
#define IDM_OV_SMALL_TILES      32867
#define IDM_OV_DETAILS          32868
#define IDM_OV_OPEN             32869
#define IDC_ADD_HOST_SERVER     1100
#define IDC_ADD_HOST_USER       1101
#define IDC_ADD_HOST_PASSWORD   1102

// Connect dialog controls.
#define IDC_CONNECT_USER        1000
#define IDC_CONNECT_PASSWORD    1002
#define IDC_CONNECT_BUTTON      1003
#define IDC_CONNECT_MACHINES    1004
#define IDC_CONNECT_OPEN        1005
#define IDC_CONNECT_SERVER      1017

// Setting dialog controls.
#define IDC_SETTING_INTERVAL    1000
#define IDC_SETTING_WHITE_FRAME 1002
#define IDC_SETTING_FRAME_SPACE 1007
#define IDC_SETTING_ENLARGE     1008
#define IDC_SETTING_SCROLLBAR   1009
#define IDC_SETTING_SMALL_SCALE 1010
#define IDC_SETTING_CAPTURE     1015

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif
