#pragma once
// Ids shared by the resource script, the program and its tests.
#define IDD_SETUP 102
#define IDR_MAINFRAME 128
#define IDC_YEAR_FIRST 1004
#define IDC_MONTH_FIRST 1005
#define IDC_SEPARATOR_NONE 1007
#define IDC_SEPARATOR_DASH 1009
#define IDC_SEPARATOR_UNDERSCORE 1013
#define IDC_SEPARATOR_PERIOD 1018
#define IDC_FILE_DATE 1015
#define IDC_SYSTEM_DATE 1016
#define IDC_FOLDER_NAME 1017
#define IDC_HELP_BUTTON 1020
