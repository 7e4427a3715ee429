// Resource identifiers of the installer's own resources.
#pragma once

#define IDR_MAINFRAME        128
#define IDD_ABOUTBOX         100
#define IDD_INSTALL_FOLDER   131
#define IDD_STATUS           132
#define IDD_END              133

// Controls.
#define IDC_BROWSE           1000
#define IDC_FILE_NAME        1002
#define IDC_PROGRESS         1003
#define IDC_FOLDER_FRAME     1005
#define IDC_FOLDER_PATH      1006
#define IDC_MESSAGE          1008
#define IDC_BANNER           1009

// The private command that starts the one setup run.
#define ID_RUN_SETUP         32778
