#pragma once

class QScrollBar;

// The Left and Right arrow keys of a horizontal scroll bar move its value the way its left and right
// arrow buttons do. Qt's scroll bars invert them (Right lowers the value), for the sake of
// vertical bars, where Up must lower it.
void ArrowKeysFollowArrowButtons(QScrollBar* bar);
