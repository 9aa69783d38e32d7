// What the meter's views and tray take from its settings.
#pragma once
#include "settings/meter_settings.h"
#include "view/rate_view_options.h"

RateViewOptions ViewOptionsFrom(const MeterSettings& s);
