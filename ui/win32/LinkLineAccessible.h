#pragma once

#include <windows.h>

namespace leitzahl {

// The answer to WM_GETOBJECT for the link line while it is a link: the system's own
// accessible object of the static, read as a link with its text on one line, whose
// default action clicks the line (STN_CLICKED to its parent), as Enter does.
LRESULT LinkLineObject(HWND label, WPARAM flags);

}  // namespace leitzahl
