#pragma once
// Hyperlink behaviour for a static text control: hand cursor, underline while the mouse is over it,
// blue text, and clicks reported to the parent as STN_CLICKED. Everything it adds (procedures,
// window properties, the underlined font) is taken back when the windows are destroyed.
#include <windows.h>

namespace pellicor
{

// Subclasses the control and, once per parent, its parent (the parent colours the text). False only
// for a null control.
bool AttachHyperlink(HWND control);

} // namespace pellicor
