#pragma once
// Ids shared by the resource script, the program and its tests.
#define IDD_NEW_NAME 102
#define IDR_MAINFRAME 128
#define IDC_NEW_NAME 1000
