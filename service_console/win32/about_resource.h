// Resource identifiers of Quenby's About dialog. Each control's ID carries its
// component name; the OK button is the dialog's IDOK.
#pragma once

#define IDD_dlgAbout 300

#define IDC_NameLabel 3001
#define IDC_VersionLabel 3002
#define IDC_CommentsLabel 3003
#define IDC_CopyrightLabel 3004
#define IDC_Bevel1 3005
// btnOk is the dialog's OK button, IDOK: Enter and Esc press it.
#define IDC_btnOk 1
