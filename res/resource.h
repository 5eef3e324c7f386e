// Ids of every resource of NordaErrorDialog.exe and of the controls in its
// dialogs. Included by the .rc files and by the Win32 code, so it holds
// nothing but #defines.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialogs.
#define IDD_ABOUTBOX 100
#define IDD_ERROR_REPORT 102
#define IDD_REPORT_CONTENTS 41525

// Icons: 128 for the About dialog, 141 the program's own (title bar, task
// bar, the error report dialog's banner).
#define IDR_MAINFRAME 128
#define IDI_ERROR_REPORT 141

// The header image list of the contents list: three 16x16 images side by side
// (blank, empty check box, ticked check box) on magenta, the transparent colour.
#define IDB_HEADER_IMAGES 142
#define HEADER_IMAGE_BLANK 0
#define HEADER_IMAGE_UNCHECKED 1
#define HEADER_IMAGE_CHECKED 2
#define HEADER_IMAGE_SIZE 16
#define HEADER_IMAGE_MASK_COLOR 0xFF00FF  // RGB(255, 0, 255) as a COLORREF

// The system menu's About command. System commands below 0xF000 must have
// their low four bits clear.
#define IDM_ABOUTBOX 0x0010

// Error report dialog (102).
#define IDC_BANNER_TITLE 41518
#define IDC_BANNER_CLICK 41519
#define IDC_SAVE_HINT 41520
#define IDC_DESCRIPTION 41521
#define IDC_CONTENTS_LINK 41522
#define IDC_SEND 41523
#define IDC_DONT_SEND 41524

// Report contents dialog (41525).
#define IDC_CONTENTS_BANNER 41526
#define IDC_FILE_LIST 41527
#define IDC_PREVIEW_NAME 41528
#define IDC_PREVIEW_DESCRIPTION 41529
#define IDC_PREVIEW 41530

// String table.
#define IDS_ABOUTBOX 101          // system menu item of the About dialog
#define IDS_BANNER 1590           // banner title; %s = name of the failed application
#define IDS_SENDING 1591          // not shown
#define IDS_SEND_FAILED 1592      // %s = archive path, %s = report mailbox address
#define IDS_SEND_SUCCEEDED 1593
#define IDS_PACK_FAILED 1594      // not shown
#define IDS_CONNECT_FAILED 1595   // not shown
#define IDS_CONTENTS_BANNER 1596  // begins with four blanks
#define IDS_OPEN_FILE_FAILED 1597
#define IDS_RECOVERY_BEFORE 1598  // ends with a blank; the saved drawing's path follows
#define IDS_RECOVERY_AFTER 1599
#define IDS_RECOVERY_CAPTION 1600
#define IDS_USER_TEXT_FAILED 1601  // %s = path of the user text file
#define IDS_COLUMN_SEND 1602       // the five column titles of the contents list,
#define IDS_COLUMN_NAME 1603       // the same in every language
#define IDS_COLUMN_DESCRIPTION 1604
#define IDS_COLUMN_TYPE 1605
#define IDS_COLUMN_SIZE 1606
#define IDS_LIST_EMPTY 1607  // shown by the contents list when it has no rows
#define IDS_APP_TITLE 1608   // caption of the program's own message boxes
