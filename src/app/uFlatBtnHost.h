#pragma once
// The toolbar tile used by the main window's form. The owner-drawn TFlatBtnVCL is
// the real control; a plain push button stands in when the program is built
// without the controls library, so the window stays usable.

#ifdef ZORVEL_HAVE_FLATBTN
#include <controls/uFlatBtnVCL.h>
#else
#include <QPushButton>
class TFlatBtnVCL : public QPushButton
{
public:
    using QPushButton::QPushButton;
};
#endif
