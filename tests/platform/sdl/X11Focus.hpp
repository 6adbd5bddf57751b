#pragma once

// Gives the X server's keyboard focus to nobody, as when the user turns to another
// program's window on a desktop without a window manager. False without a display.
bool GiveTheFocusToNobody();
