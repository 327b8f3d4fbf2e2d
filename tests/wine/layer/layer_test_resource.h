// Resource identifiers of the window layer's test dialogs.
#pragma once

#define IDD_LAYER_TEST 100
#define IDD_LAYER_KEYS 101

#define IDC_btnWait 1001
#define IDC_btnOther 1002
#define IDC_edText 1003
#define IDC_cbBox 1004
#define IDC_cbPlain 1005
// OK and Cancel are the dialog's IDOK and IDCANCEL.
#define IDC_btnOk 1
#define IDC_btnCancel 2
