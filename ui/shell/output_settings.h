#pragma once

#include "audio/output_device.h"

namespace bw::ui {

/// The output device and buffer size chosen in the "Wave Output" window, kept between starts
/// in the user's settings (QSettings). An unset or unknown buffer size reads as the default.
audio::OutputChoice LoadOutputChoice();
void SaveOutputChoice(const audio::OutputChoice& choice);

} // namespace bw::ui
