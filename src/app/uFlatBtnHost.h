#pragma once
// The toolbar tile used by the main window's form (Qt Designer promotes the
// buttons to this header).

#include <controls/uFlatBtnVCL.h>
