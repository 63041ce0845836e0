// Resource and control numbers, shared by kivo.rc and the code. Plain macros only, since
// windres reads this file as well.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_KIVO_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_FILE_LIST 1000
#define IDC_PATH_LIST 1002
#define IDC_MAKE_ITX 1004
#define IDC_WAVE_PREFIX 1005
#define IDC_OUTPUT_PATH 1006
#define IDC_DETAILED 1007

// The About entry of the system menu. Its low four bits are the system's own and are
// masked off when it arrives.
#define IDM_ABOUTBOX 0x0010
