// fuzz/xm_gen.h: a generator of valid-looking XM modules, for reaching libmikmod's player where
// mutating bytes rarely goes: random instruments with envelopes and auto-vibrato, samples with
// loops of every type and length (short, at the start, at the end, past the end), finetunes and
// relative notes, both frequency tables, and patterns full of effects. Every choice is drawn
// from a XmChoices: a seed for the tests, or a fuzzer's input bytes, so that mutating the input
// mutates the module's structure.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

class XmChoices {
public:
    explicit XmChoices(uint64_t seed) : state_(seed) {}
    // Draws from `bytes` first, then from a generator seeded with their length.
    explicit XmChoices(std::span<const uint8_t> bytes) : bytes_(bytes), state_(bytes.size()) {}

    uint32_t below(uint32_t n);                         // 0 .. n-1; 0 when n is 0
    uint32_t between(uint32_t low, uint32_t high);      // low .. high, both included
    int32_t  signed_between(int32_t low, int32_t high);
    bool     chance(uint32_t percent) { return below(100) < percent; }

private:
    std::span<const uint8_t> bytes_;
    size_t   at_ = 0;
    uint64_t state_;
};

// A whole module, version 1.04, from the choices.
[[nodiscard]] std::vector<uint8_t> xm_generate(XmChoices& choices);
