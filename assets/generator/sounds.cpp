#include "sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace assetgen {
namespace {

constexpr int Rate = 22050;
constexpr double Pi = 3.14159265358979323846;

struct Buffer {
    std::vector<double> s;
    explicit Buffer(double seconds) : s(size_t(seconds * Rate), 0.0) {}

    // A tone with a soft attack and an exponential decay; harmonics give it colour.
    void note(double hz, double start, double length, double gain, double decay,
              std::vector<double> harmonics = {1.0}, double attack = 0.004)
    {
        const size_t from = size_t(start * Rate);
        const size_t n = size_t(length * Rate);
        for (size_t i = 0; i < n && from + i < s.size(); ++i) {
            const double t = double(i) / Rate;
            double env = std::exp(-t / decay) * std::min(1.0, t / attack);
            const double release = length - t; // let every note end softly
            if (release < 0.02)
                env *= release / 0.02;
            double v = 0;
            for (size_t h = 0; h < harmonics.size(); ++h)
                v += harmonics[h] * std::sin(2 * Pi * hz * double(h + 1) * t);
            s[from + i] += gain * env * v;
        }
    }

    // A sine whose pitch glides from `hz0` to `hz1`.
    void sweep(double hz0, double hz1, double start, double length, double gain, double decay)
    {
        const size_t from = size_t(start * Rate);
        const size_t n = size_t(length * Rate);
        double phase = 0;
        for (size_t i = 0; i < n && from + i < s.size(); ++i) {
            const double t = double(i) / Rate;
            const double hz = hz0 + (hz1 - hz0) * t / length;
            phase += 2 * Pi * hz / Rate;
            const double env = std::exp(-t / decay) * std::min(1.0, t / 0.003);
            s[from + i] += gain * env * std::sin(phase);
        }
    }

    // Noise through a one-pole low-pass filter: `smooth` near 1 gives a dull sound.
    void noise(double start, double length, double gain, double decay, double smooth)
    {
        const size_t from = size_t(start * Rate);
        const size_t n = size_t(length * Rate);
        uint32_t seed = 12345;
        double y = 0;
        for (size_t i = 0; i < n && from + i < s.size(); ++i) {
            seed = seed * 1664525u + 1013904223u;
            const double x = double(seed >> 8) / double(1 << 24) * 2 - 1;
            y = smooth * y + (1 - smooth) * x;
            const double t = double(i) / Rate;
            s[from + i] += gain * std::exp(-t / decay) * y;
        }
    }

    bool write(const std::string &path, double peak) const
    {
        std::vector<double> v = s;
        double top = 1e-9;
        for (double x : v)
            top = std::max(top, std::fabs(x));
        const size_t fadeIn = size_t(0.003 * Rate), fadeOut = size_t(0.012 * Rate);
        for (size_t i = 0; i < v.size(); ++i) {
            double g = peak / top;
            if (i < fadeIn)
                g *= double(i) / fadeIn;
            if (v.size() - i <= fadeOut)
                g *= double(v.size() - i - 1) / fadeOut;
            v[i] *= g;
        }
        FILE *f = std::fopen(path.c_str(), "wb");
        if (!f)
            return false;
        auto u32 = [&](uint32_t x) {
            unsigned char b[4] = {uint8_t(x), uint8_t(x >> 8), uint8_t(x >> 16), uint8_t(x >> 24)};
            std::fwrite(b, 1, 4, f);
        };
        auto u16 = [&](uint16_t x) {
            unsigned char b[2] = {uint8_t(x), uint8_t(x >> 8)};
            std::fwrite(b, 1, 2, f);
        };
        const uint32_t dataBytes = uint32_t(v.size() * 2);
        std::fwrite("RIFF", 1, 4, f);
        u32(36 + dataBytes);
        std::fwrite("WAVEfmt ", 1, 8, f);
        u32(16);
        u16(1);
        u16(1);
        u32(Rate);
        u32(Rate * 2);
        u16(2);
        u16(16);
        std::fwrite("data", 1, 4, f);
        u32(dataBytes);
        for (double x : v)
            u16(uint16_t(int16_t(std::lround(std::clamp(x, -1.0, 1.0) * 32767))));
        return std::fclose(f) == 0;
    }
};

// Note frequencies (equal temperament).
double hz(const char *name)
{
    static const struct { const char *n; double f; } table[] = {
        {"D4", 293.66}, {"E4", 329.63}, {"F4", 349.23}, {"G4", 392.00}, {"A4", 440.00},
        {"B4", 493.88}, {"C5", 523.25}, {"D5", 587.33}, {"E5", 659.25}, {"G5", 783.99},
        {"A5", 880.00}, {"B5", 987.77}, {"C6", 1046.50}, {"E6", 1318.51}, {"G6", 1567.98},
    };
    for (const auto &e : table)
        if (std::string(e.n) == name)
            return e.f;
    return 440.0;
}

const std::vector<double> Bell = {1.0, 0.0, 0.35, 0.0, 0.12};
const std::vector<double> Pluck = {1.0, 0.45, 0.2, 0.08};
const std::vector<double> Brass = {1.0, 0.6, 0.45, 0.3, 0.18, 0.1};
const std::vector<double> Soft = {1.0, 0.15};

} // namespace

bool writeSounds(const std::string &folder)
{
    struct Sound {
        const char *file;
        double seconds;
        double peak;
        std::function<void(Buffer &)> make;
    };
    const std::vector<Sound> sounds = {
        {"NEXTTUBE.WAV", 0.045, 0.30, [](Buffer &b) { // soft tick of the gliding chip
             b.note(2100, 0, 0.045, 1.0, 0.007, {1.0, 0.0, 0.3});
             b.noise(0, 0.01, 0.3, 0.002, 0.5);
         }},
        {"CHFALL.WAV", 0.035, 0.40, [](Buffer &b) { // short click of a chip passing a hole
             b.noise(0, 0.035, 1.0, 0.004, 0.35);
             b.note(1250, 0, 0.035, 0.6, 0.008, Soft);
         }},
        {"TFILLED.WAV", 0.32, 0.80, [](Buffer &b) { // dull thud on a full column
             b.sweep(120, 45, 0, 0.32, 1.0, 0.07);
             b.noise(0, 0.08, 0.5, 0.015, 0.92);
         }},
        {"DRAWN.WAV", 0.80, 0.50, [](Buffer &b) { // two calm, falling notes
             b.note(hz("G4"), 0.00, 0.40, 1.0, 0.25, Soft, 0.02);
             b.note(hz("D4"), 0.32, 0.48, 1.0, 0.30, Soft, 0.02);
         }},
        {"PLWIN1.WAV", 0.90, 0.55, [](Buffer &b) { // rising arpeggio
             const char *n[] = {"C5", "E5", "G5", "C6"};
             for (int i = 0; i < 4; ++i)
                 b.note(hz(n[i]), 0.11 * i, i == 3 ? 0.57 : 0.2, 1.0, i == 3 ? 0.3 : 0.12, Pluck);
         }},
        {"PLWIN2.WAV", 1.00, 0.50, [](Buffer &b) { // small fanfare
             const double at[] = {0.0, 0.12, 0.24, 0.40};
             const char *n[] = {"G4", "G4", "G4", "C5"};
             for (int i = 0; i < 4; ++i)
                 b.note(hz(n[i]), at[i], i == 3 ? 0.6 : 0.11, 1.0, i == 3 ? 0.5 : 0.2, Brass, 0.015);
             b.note(hz("E5"), 0.40, 0.6, 0.5, 0.5, Brass, 0.015);
         }},
        {"PLWIN3.WAV", 1.00, 0.50, [](Buffer &b) { // quick run up, then a chord
             const char *n[] = {"E5", "G5", "C6", "E6"};
             for (int i = 0; i < 4; ++i)
                 b.note(hz(n[i]), 0.07 * i, 0.12, 0.8, 0.08, Pluck);
             for (const char *c : {"C5", "E5", "G5", "C6"})
                 b.note(hz(c), 0.32, 0.68, 0.6, 0.35, Bell, 0.01);
         }},
        {"TIMEOVER.WAV", 1.30, 0.55, [](Buffer &b) { // three sinking "wah"s
             b.sweep(440, 415, 0.00, 0.30, 0.8, 0.4);
             b.sweep(392, 370, 0.33, 0.30, 0.8, 0.4);
             b.sweep(349, 262, 0.66, 0.64, 0.9, 0.5);
             b.sweep(880, 830, 0.00, 0.30, 0.2, 0.2);
             b.sweep(784, 740, 0.33, 0.30, 0.2, 0.2);
             b.sweep(698, 524, 0.66, 0.64, 0.2, 0.3);
         }},
        {"RESOPEN.WAV", 0.05, 0.25, [](Buffer &b) { b.sweep(500, 950, 0, 0.05, 1.0, 0.05); }},
        {"RESCLOSE.WAV", 0.05, 0.25, [](Buffer &b) { b.sweep(950, 500, 0, 0.05, 1.0, 0.05); }},
        {"p2pstart.WAV", 0.60, 0.50, [](Buffer &b) { // rising chime: connected
             b.note(hz("E5"), 0.00, 0.30, 1.0, 0.20, Bell);
             b.note(hz("B5"), 0.15, 0.45, 1.0, 0.25, Bell);
         }},
        {"msgarriv.WAV", 0.32, 0.45, [](Buffer &b) { // bright pling: a chat line arrived
             b.note(hz("A5"), 0.00, 0.12, 1.0, 0.06, Bell);
             b.note(hz("E6"), 0.08, 0.24, 1.0, 0.10, Bell);
         }},
        {"nickchan.WAV", 0.36, 0.45, [](Buffer &b) { // three light notes: a new name
             b.note(hz("G5"), 0.00, 0.10, 1.0, 0.06, Pluck);
             b.note(hz("E5"), 0.09, 0.10, 1.0, 0.06, Pluck);
             b.note(hz("G5"), 0.18, 0.18, 1.0, 0.09, Pluck);
         }},
        {"p2pend.WAV", 0.60, 0.50, [](Buffer &b) { // falling chime: connection closed
             b.note(hz("B5"), 0.00, 0.30, 1.0, 0.20, Bell);
             b.note(hz("E5"), 0.15, 0.45, 1.0, 0.25, Bell);
         }},
    };
    bool ok = true;
    for (const Sound &s : sounds) {
        Buffer b(s.seconds);
        s.make(b);
        ok = b.write(folder + "/" + s.file, s.peak) && ok;
    }
    return ok;
}

} // namespace assetgen
