// The widget classes the UI factory builds, one per UI module type.
#pragma once

#include "ui/GxTaskUIButton.h"
#include "ui/GxTaskUIHBar.h"
#include "ui/GxTaskUIListBox.h"
#include "ui/GxTaskUIMenu.h"
#include "ui/GxTaskUIMessageWindow.h"
#include "ui/GxTaskUIPanel.h"
#include "ui/GxTaskUISlider.h"
#include "ui/GxTaskUITextLog.h"
#include "ui/GxTaskUITextWidgets.h"
#include "ui/GxTaskUITextWindow.h"
#include "ui/GxTaskUITipHelp.h"
