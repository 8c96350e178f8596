// What the other FLTK files need of the window system's windows: a place to
// make a widget in a window's client area, and the window around it.
#pragma once

#include "platform/core_window_messages.h"

class Fl_Group;
class Fl_Widget;

// The parent's widget group, where new widgets go (null when the parent has
// no widget), and the height of its menu bar, which client coordinates skip.
Fl_Group* fltkClientGroup(WindowHandle parent, int* top);
// A child window of parent around a widget made in its client area.
WindowHandle adoptFltkWidget(WindowHandle parent, Fl_Widget* widget);
Fl_Widget* fltkWidgetOf(WindowHandle window);

// While a dialog holds the program, the view is drawn at once when exposed:
// some dialogs (GTK's file chooser) run a loop of their own that handles
// exposures but runs none of FLTK's checks.
void drawFrameIfDialogOpen();
