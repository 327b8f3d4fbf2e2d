// Resource IDs of Palvex: the two dialog templates and every control, named
// after its component. Controls of the configuration window's pages take IDs
// by page (kPageIdBase + 100 * page), so that the window knows which controls
// each tab shows; tests drive the real windows through these IDs.
#pragma once

#define IDD_frmMain 100
#define IDD_dlgIPEdit 101
#define IDR_MANIFEST 1

// Configuration window, outside the pages.
#define IDC_btnOk 1      // IDOK: the default button (Enter)
#define IDC_btnCancel 2  // IDCANCEL: the cancel button (Esc)
#define IDC_pcMain 1000
#define IDC_ElPanel1 1001

#define IDC_PAGE_ID_BASE 1100  // first ID of page 0
#define IDC_PAGE_ID_SPAN 100   // IDs per page

// Page 0, "Basic Options".
#define IDC_tsBasic 1100
#define IDC_lblTFTPRoot 1101
#define IDC_elTFTPRoot 1102
#define IDC_elTFTPRootBrowse 1103
#define IDC_lblTFTPPort 1104
#define IDC_seTFTPPort 1105
#define IDC_seTFTPPortSpin 1106
#define IDC_lblTFTPPortHint 1107
#define IDC_lblTimeout 1108
#define IDC_seTimeout 1109
#define IDC_seTimeoutSpin 1110
#define IDC_lblTimeoutUnit 1111
#define IDC_lblRetries 1112
#define IDC_seRetries 1113
#define IDC_seRetriesSpin 1114
#define IDC_cbAllowOverwrite 1115
#define IDC_cbHighPriority 1116
#define IDC_gbOptions 1117
#define IDC_cbOpTimeout 1118
#define IDC_cbOpBlocksize 1119
#define IDC_cbOpTSize 1120

// Page 1, "Security".
#define IDC_tsSecurity 1200
#define IDC_lblDefaultAccess 1201
#define IDC_cbDefaultAccess 1202
#define IDC_lblDefaultAccessAfter 1203
#define IDC_lblExcept 1204
#define IDC_tsgHosts 1205
#define IDC_sbAdd 1206
#define IDC_sbEdit 1207
#define IDC_sbDelete 1208

// Page 2, "Firewall".
#define IDC_ElTabSheet1 1300
#define IDC_lblFirewall 1301
#define IDC_cbFWEnabled 1302
#define IDC_lblFWMinPort 1303
#define IDC_seFWMinPort 1304
#define IDC_seFWMinPortSpin 1305
#define IDC_lblFWMaxPort 1306
#define IDC_seFWMaxPort 1307
#define IDC_seFWMaxPortSpin 1308

// Page 3, "Logging".
#define IDC_ElTabSheet2 1400
#define IDC_gbLogging 1401
#define IDC_cbWriteLog 1402
#define IDC_lblLogDir 1403
#define IDC_elLogDir 1404
#define IDC_elLogDirBrowse 1405
#define IDC_lblLogCount 1406
#define IDC_elLogCount 1407
#define IDC_elLogCountSpin 1408
#define IDC_lblLoggingLevel 1409
#define IDC_cbLoggingLevel 1410
#define IDC_rgTimestamps 1411
#define IDC_rgTimestampsUTC 1412
#define IDC_rgTimestampsLocal 1413

// Page 4, "Multicasts" (hidden, empty).
#define IDC_tsMulticasts 1500

// Client access rule dialog (its OK and Cancel are IDC_btnOk and IDC_btnCancel).
#define IDC_gbRule 2000
#define IDC_lblAccess 2001
#define IDC_cbAccess 2002
#define IDC_lblFor 2003
#define IDC_rbSingle 2004
#define IDC_rbNetwork 2005
#define IDC_lblAddress 2006
#define IDC_edAddress 2007
#define IDC_lblMask 2008
#define IDC_edMask 2009
