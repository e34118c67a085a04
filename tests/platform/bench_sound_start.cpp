// Benchmark: how long starting an unwaited sound takes on the calling thread (read and check
// the file, hand it to the playback thread). Goal: well under a millisecond.
// Run: build/tests/bench_sound_start   (with or without a sound server)
#include "WaveBytes.h"
#include "platform/SoundPlayer.h"

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("CHFALL.WAV");
    if (!wavetest::writeFile(path, wavetest::tone(0.06)))
        return 1;
    platform::SoundPlayer player;
    player.playSync(path); // connect to the sound server first, as in a running game
    std::vector<double> us;
    for (int i = 0; i < 2000; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        player.playAsync(path);
        const auto t1 = std::chrono::steady_clock::now();
        us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        if (i % 18 == 17) // a chip fall's worth of sounds, then let the last one sound
            player.waitUntilIdle(200);
    }
    std::sort(us.begin(), us.end());
    std::printf("sound start (asynchronous), %zu calls: median %.1f us, 90%% %.1f us, max %.1f us\n",
                us.size(), us[us.size() / 2], us[us.size() * 9 / 10], us.back());
    player.stop();
    return us[us.size() / 2] < 1000.0 ? 0 : 2;
}
