#pragma once
// The QApplication of a widget test program: made on first use, deleted when the
// program has run its tests.

class QApplication;

QApplication* EnsureTestApplication();
