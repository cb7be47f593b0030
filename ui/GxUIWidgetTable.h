// The UI factory table: the widget class of each UI module type, and the widget operations the
// task level calls, registered with GxTaskControl (which declares them below the widgets).
#pragma once

// Sets the program's table. The start-up calls it; so does every program that makes a widget,
// before its entry (from GxTaskUIBase.cpp), for those that make widgets without the start-up.
// Calling it again changes nothing.
void GxRegisterUIWidgets();
