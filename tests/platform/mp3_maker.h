// Test helper: writes PCM to an MP3 file with LAME, with the tag that lets a
// decoder drop the encoder's delay and padding.
#pragma once

#include <lame/lame.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Encodes frames of interleaved 16-bit samples (channels 1 or 2) at rate to
// path. Returns false when LAME or the file fails.
inline bool WriteMp3(const std::string &path, const std::vector<int16_t> &samples, int channels,
                     int rate, int kbps = 192) {
    lame_t lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : STEREO);
    lame_set_brate(lame, kbps);
    lame_set_quality(lame, 2);
    lame_set_bWriteVbrTag(lame, 1); // the Info tag carries delay and padding
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return false;
    }
    int frames = (int)(samples.size() / channels);
    std::vector<unsigned char> mp3(frames * 5 / 4 + 7200 + 16384);
    int n = channels == 2
                ? lame_encode_buffer_interleaved(lame, const_cast<short *>(samples.data()), frames,
                                                 mp3.data(), (int)mp3.size())
                : lame_encode_buffer(lame, samples.data(), samples.data(), frames, mp3.data(),
                                     (int)mp3.size());
    int m = n >= 0 ? lame_encode_flush(lame, mp3.data() + n, (int)mp3.size() - n) : -1;
    FILE *f = fopen(path.c_str(), "wb");
    bool ok = n >= 0 && m >= 0 && f;
    if (ok) {
        fwrite(mp3.data(), 1, (size_t)(n + m), f);
        unsigned char tag[2880];
        size_t tagBytes = lame_get_lametag_frame(lame, tag, sizeof tag);
        fseek(f, 0, SEEK_SET); // the tag replaces the blank first frame
        fwrite(tag, 1, tagBytes, f);
    }
    if (f) fclose(f);
    lame_close(lame);
    return ok;
}

// Stereo sine of amplitude (0..1 of full scale) at frequency hz, frames long,
// the same in both channels.
inline std::vector<int16_t> StereoSine(double hz, double amplitude, int frames, int rate = 44100) {
    std::vector<int16_t> s(2 * (size_t)frames);
    for (int i = 0; i < frames; i++) {
        double v = amplitude * 32767.0 * std::sin(2.0 * M_PI * hz * i / rate);
        s[2 * i] = s[2 * i + 1] = (int16_t)std::lrint(v);
    }
    return s;
}
