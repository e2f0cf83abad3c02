// Resource ids shared by quenlo32.rc and the program.
#ifndef QUENLO32_RESOURCE_H_
#define QUENLO32_RESOURCE_H_

// Templates, icon and cursor.
#define IDD_ABOUT 100
#define IDD_CONVERTER 102
#define IDD_BUSY 136
#define IDR_MAINFRAME 128
#define IDC_LINK_HAND 130

// Strings.
#define IDS_ABOUTBOX 101
#define IDS_MEMORY_FORMAT 102
#define IDS_BAD_NAME 105
#define IDS_NOT_FOUND 106
#define IDS_DONE 107
#define IDS_PLEASE_WAIT 108
#define IDS_CONVERT_FAILED 117
#define IDS_ASK_CANCEL 123
#define IDS_ASK_BYTES 124
#define IDS_ASK_BYTES_UTF16 125
#define IDS_ASK_FOLDER 126
#define IDS_TOO_MANY_NAMES 127
#define IDS_FILE_COUNT 128
#define IDS_SUMMARY 129
#define IDS_SUMMARY_CANCELLED 130
#define IDS_SUMMARY_FAILED 131
#define IDS_SUMMARY_MORE 132

// Main dialog controls.
#define IDC_FILE_NAME 1001
#define IDC_BROWSE 1002
#define IDC_STYLE_CRLF 1003
#define IDC_STYLE_LF 1004
#define IDC_STYLE_CR 1005
#define IDC_KEEP_BACKUP 1006
#define IDC_CONVERT 1007
#define IDC_VERSION 1009

// Busy window controls. The cancel button's command goes on to the main
// dialog, so its id is one the main dialog does not use.
#define IDC_BUSY_TEXT 1003
#define IDC_BUSY_PROGRESS 1004
#define IDC_BUSY_COUNT 1005
#define IDC_BUSY_NAME 1006
#define IDC_BUSY_CANCEL 1008

// About box controls.
#define IDC_VERSION_TEXT 1003
#define IDC_NOTICE_TEXT 1004
#define IDC_HOME_LINK 1010
#define IDC_MEMORY_TEXT 1011
#define IDC_MAIL_LINK 1012

// System menu command that opens the About box.
#define IDM_ABOUTBOX 0x0010

#endif  // QUENLO32_RESOURCE_H_
