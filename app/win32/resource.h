// Resource and control ids of the dialog's resources (vermark.rc) and code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_VERMARK_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_PREVIEW 1000
#define IDC_ABOUT_VERSION 1000
#define IDC_ABOUT_COPYRIGHT 1001
#define IDC_ADD_ACADVER 1002
#define IDC_INFO 1003

// Command id of the About entry in the system menu.
#define IDM_ABOUTBOX 0x0010

#define AFX_IDS_APP_TITLE 57344
#define IDC_STATIC (-1)
