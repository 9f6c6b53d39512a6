// Timing of a module's rows under its speed and tempo effects.
#include "tools/tune/timing.h"

SongTiming song_timing(const XmModule& module, uint32_t rate) {
    SongTiming t;
    uint32_t speed = module.speed, bpm = module.bpm;
    for (uint8_t order : module.orders) {
        t.order_start.push_back(t.length);
        const XmPattern& p = module.patterns.at(order);
        for (size_t row = 0; row < p.rows; ++row) {
            for (size_t ch = 0; ch < module.channels; ++ch) {
                const XmCell& c = p.cells.at(row * module.channels + ch);
                if (c.effect != 0xF || c.param == 0) continue;  // F00 does nothing
                if (c.param < 0x20) speed = c.param;
                else bpm = c.param;
            }
            t.length += speed * frames_per_tick(rate, bpm);
        }
    }
    return t;
}
