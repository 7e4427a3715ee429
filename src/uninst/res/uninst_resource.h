// Resource identifiers of the uninstaller.
#pragma once

#define IDR_UNINST_ICON          128
#define IDD_UNINST_PROGRESS      140

#define IDC_UNINST_MESSAGE       1101
#define IDC_UNINST_PROGRESS      1102

// Built-in texts; the script's [UNINSTALL] keys of the same meaning replace them.
#define IDS_UNINST_CAPTION       200
#define IDS_UNINST_CONFIRM       201
#define IDS_UNINST_PROGRESS      202
#define IDS_UNINST_END           203
#define IDS_UNINST_LEFT          204
#define IDS_UNINST_RESTART       205
#define IDS_UNINST_NOTHING       206
#define IDS_UNINST_BAD_LOG       207
#define IDS_UNINST_RUNNING       208
