// The wizard window: every gadget of every page, created once at start-up.
#pragma once
#include "ui/gadgets.h"

inline constexpr int kWizardWindow = 0;
inline constexpr int kWizardClientWidth = 480;
inline constexpr int kWizardClientHeight = 360;

void build_wizard_window();
