#pragma once
// The main window's place and its list's columns, kept in the settings between
// runs: taken from the window as it closes, given back before it is first shown.

#include <settings/uSetupData.h>

class QHeaderView;
class QWidget;

// Where Window is (its normal place when maximised, so that un-maximising after a
// restart gives the size the user had), whether it is maximised, and the header's
// order of columns; the widths only when ColumnsSizedByUser, so that columns that
// share the list's width go on sharing it.
TWindowPlace WindowPlaceOf(const QWidget& Window, const QHeaderView& Header,
                           bool ColumnsSizedByUser);

// Gives Window and Header what Place kept. A place no screen shows any more (a
// monitor unplugged) keeps the size but lets the system choose the position; a
// column list of another length than the header's is passed over. True when the
// column widths were applied (they are the user's from then on).
bool WindowPlaceApply(QWidget& Window, QHeaderView& Header, const TWindowPlace& Place);
