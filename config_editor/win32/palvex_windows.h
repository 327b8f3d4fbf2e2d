// Palvex's two windows over the dialog base: the controls of each template
// bound to the widgets of its portable form.
#pragma once

#include <windows.h>

#include <memory>

#include "common/application.h"
#include "common/win32/win32_form.h"
#include "config_editor/dlgIPEdit_u.h"
#include "config_editor/dlgMain_u.h"

namespace palvex::win32 {

// The configuration window, hidden, at its size and centred; closing it ends
// the message loop. Errors raised in its handlers go to the application's box.
std::unique_ptr<common::win32::TWin32Form> CreateMainWindow(TfrmMain& form, HINSTANCE instance,
                                                            common::TApplication& application);

// The rule dialog, hidden, at its size and designed position, owned by the
// configuration window.
std::unique_ptr<common::win32::TWin32Form> CreateRuleDialog(TdlgIPEdit& form, HINSTANCE instance,
                                                            HWND owner,
                                                            common::TApplication& application);

}  // namespace palvex::win32
