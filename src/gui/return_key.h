#pragma once
// Return on a push button that has the focus presses that button, as in
// every Qt and KDE program; in any other control Return still goes to the
// button the window names as its default, or nowhere when it names none.
class QWidget;

namespace sonavex {

// Call once the window's push buttons exist and its default (if any) is set.
void LetFocusedButtonsTakeReturn(QWidget* window);

}  // namespace sonavex
