// Resource identifiers of Quenby's main window, its pictures and its icon. Each
// control's ID carries its component name.
#pragma once

#define IDD_frmMain 100

#define IDC_Label1 1001
#define IDC_cbServices 1002
#define IDC_bbStart 1003
#define IDC_bbPause 1004
#define IDC_bbStop 1005
#define IDC_esbMain 1006
#define IDC_elServer 1007
#define IDC_Label2 1008
#define IDC_btnRefresh 1009
#define IDC_Label3 1010
#define IDC_Label4 1011
#define IDC_Label5 1012
#define IDC_imState 1013
#define IDC_cbAutoStart 1014

// The program icon.
#define IDI_QUENBY 1
// The program icon with a state's sign in a corner, for the tray while the
// selected service is watched from there.
#define IDI_TRAY_RUNNING 2
#define IDI_TRAY_STOPPED 3
#define IDI_TRAY_PAUSED 4
#define IDI_TRAY_OTHER 5

// State pictures 0..4 of ilState, in index order.
#define IDB_STATE0 200
#define IDB_STATE1 201
#define IDB_STATE2 202
#define IDB_STATE3 203
#define IDB_STATE4 204

// Button glyphs: the normal form, then the disabled form beside it.
#define IDB_START 210
#define IDB_PAUSE 211
#define IDB_STOP 212
