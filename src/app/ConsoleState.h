// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace purlo {

// The window variables all handlers share. Every number starts at 0, every
// flag at false, when the window is created; Form_Load then sets the start
// values. For the probe values a 0 means "not reported yet". Integer widths
// are part of the behaviour: arithmetic that leaves a width is a failure of
// the handler doing it (see checked<T>() and toWidth<T>()).
struct ConsoleState {
    // Link and run flags
    std::string cr_lf = std::string(2, '\0');  // fixed length 2
    std::uint8_t comm_port = 0;
    std::int32_t pc_baud_rate = 0;
    bool port_open = false;
    bool settings_loaded = false;
    std::uint8_t request_cycle_step = 0;
    char reply_code = '\0';  // fixed length 1
    bool sampling_on = false;
    bool recording_on = false;
    bool playback_on = false;
    std::int32_t playback_pos = 0;
    std::int32_t playback_count = 0;
    bool info_file_shown = false;
    bool info_text_modified = false;

    // View settings
    bool inch_units = false;
    std::uint8_t zoom_horizontal = 0;
    std::uint8_t zoom_vertical = 0;
    std::uint8_t sample_length = 0;
    std::int16_t zero_offset_mm = 0;
    std::uint8_t diagram_slot = 0;
    bool raster_on = false;
    std::int32_t diagram_right_x = 0;
    std::int16_t slot_y_top = 0;
    std::int16_t slot_y_mid = 0;
    std::int16_t slot_y_bot = 0;
    std::int16_t draw_x = 0;
    std::int16_t draw_y = 0;

    // Values reported by the probe
    float fill_height = 0.0f;
    std::int32_t probe_baud_rate = 0;
    float temperature = 0.0f;
    float sound_speed = 0.0f;
    std::uint8_t frequency_index = 0;
    float transducer_khz = 0.0f;
    std::uint8_t sample_rate = 0;
    float temperature_coefficient = 0.0f;
    std::uint8_t burst_interval = 0;
    std::uint8_t burst_length = 0;
    float transducer_volt = 0.0f;
    float dead_zone = 0.0f;
    std::uint8_t tuning_mode = 0;
    std::uint8_t receive_mode = 0;
    std::int32_t echo_b = 0;
    std::int32_t burst_b = 0;
    std::uint8_t reload_frequency = 0;

    // Written to the settings file only; nothing changes them.
    bool check_transducer_flag = false;
    std::uint8_t reserve_rc1 = 0;
    std::uint8_t reserve_rc2 = 0;
    std::uint8_t top_alarm = 0;
    std::uint8_t bottom_alarm = 0;
};

}  // namespace purlo
