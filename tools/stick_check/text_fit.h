// Whether a text fits its control: measured with the control's own font at
// the size the dialog manager made the control from its template, with the
// layout rules of the control's class (word-wrapped statics, single-line
// buttons and check boxes, the caption in the title bar's font).
#ifndef QUILLON_TOOLS_STICK_CHECK_TEXT_FIT_H_
#define QUILLON_TOOLS_STICK_CHECK_TEXT_FIT_H_

#include <windows.h>

#include <string>

namespace stick_check {

// Creates dialog template |template_id| of this program, hidden, with a
// procedure that does nothing. Null when it can't be created. The caller
// destroys it.
HWND CreateHiddenDialog(int template_id);

// Empty when |text| fits control |control| of |dialog|; otherwise what the
// user misses, e.g. "needs 5 lines, has room for 4 (198 x 32 units): the rest
// is cut off".
std::wstring MeasureControlFit(HWND dialog, int control, const std::wstring& text);

// Empty when |caption| fits the title bar of |dialog| beside its close box.
std::wstring MeasureCaptionFit(HWND dialog, const std::wstring& caption);

}  // namespace stick_check

#endif  // QUILLON_TOOLS_STICK_CHECK_TEXT_FIT_H_
