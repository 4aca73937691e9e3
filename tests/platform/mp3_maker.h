// Test helper: PCM to an MP3 file with LAME, with the tag that lets a decoder
// drop the encoder's delay and padding.
#pragma once

#include <lame/lame.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Encodes interleaved 16-bit samples of 1 or 2 channels at rate to path.
inline bool WriteMp3(const std::string &path, const std::vector<int16_t> &samples, int channels,
                     int rate) {
    lame_t lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, channels);
    lame_set_brate(lame, channels == 1 ? 64 : 192);
    lame_set_bWriteVbrTag(lame, 1); // the Info tag carries delay and padding
    int frames = (int)(samples.size() / channels), n = -1, m = -1;
    std::vector<unsigned char> mp3(frames * 5 / 4 + 7200 + 16384);
    short *pcm = const_cast<short *>(samples.data());
    if (lame_init_params(lame) >= 0)
        n = channels == 2
                ? lame_encode_buffer_interleaved(lame, pcm, frames, mp3.data(), (int)mp3.size())
                : lame_encode_buffer(lame, pcm, pcm, frames, mp3.data(), (int)mp3.size());
    if (n >= 0) m = lame_encode_flush(lame, mp3.data() + n, (int)mp3.size() - n);
    FILE *f = m >= 0 ? fopen(path.c_str(), "wb") : nullptr;
    if (f) {
        fwrite(mp3.data(), 1, (size_t)(n + m), f);
        unsigned char tag[2880];
        size_t tagBytes = lame_get_lametag_frame(lame, tag, sizeof tag);
        fseek(f, 0, SEEK_SET); // the tag takes the place of the blank first frame
        fwrite(tag, 1, tagBytes, f);
        fclose(f);
    }
    lame_close(lame);
    return f != nullptr;
}

// A sine of amplitude (0..1 of full scale) at hz, the same in both channels.
inline std::vector<int16_t> StereoSine(double hz, double amplitude, int frames, int rate = 44100) {
    std::vector<int16_t> s(2 * (size_t)frames);
    for (int i = 0; i < frames; i++)
        s[2 * i] = s[2 * i + 1] =
            (int16_t)std::lrint(amplitude * 32767.0 * std::sin(2.0 * M_PI * hz * i / rate));
    return s;
}
