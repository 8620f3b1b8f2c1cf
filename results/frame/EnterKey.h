#pragma once
// Enter belongs to the window's default button, whatever the desktop. Some platform themes (GTK 3)
// make Enter press whatever button-like control has the focus: a check box toggles, a button that
// is no default button clicks, and a frame swallows the key before its window sees it. Each window
// calls this once; the rule then holds for every window of the program.

// Installs, once per application, a filter that passes Enter on from such controls to their
// window as the classic desktop does. Push buttons that take Enter themselves (default and
// auto-default buttons) keep it.
void EnterGoesToDefaultButton();
