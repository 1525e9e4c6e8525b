// Offline soundtrack: Ogg Vorbis decoding, conversion to the demo's output format, the fades and WAV output.
#include "Soundtrack.h"

#include "DataFiles.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace {

// As a 16-bit Vorbis decode rounds and clips.
int16_t toSample(float value) {
    const float scaled = std::floor(value * 32768.0f + 0.5f);
    return static_cast<int16_t>(std::max(-32768.0f, std::min(32767.0f, scaled)));
}

// Which decoded channel is the right one in Vorbis channel order (3 and 5 or more channels put centre second).
int rightChannel(int channels) {
    if (channels <= 1) return 0;
    return channels == 3 || channels >= 5 ? 2 : 1;
}

void putLE(FILE* file, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) fputc((value >> (8 * i)) & 0xff, file);
}

}  // namespace

Soundtrack::Soundtrack(const std::string& path, long maxSamples) {
    const std::string found = DataFiles::find(path);
    FILE* file = found.empty() ? nullptr : fopen(found.c_str(), "rb");
    if (!file) {
        const int error = found.empty() ? ENOENT : errno;
        const std::string where = DataFiles::lookedAt(path, true);
        std::cerr << "Soundtrack: can't open " << path << ": " << std::strerror(error);
        if (!where.empty()) std::cerr << " (" << where << ")";
        std::cerr << "; the sound will be silent" << std::endl;
        return;
    }
    OggVorbis_File vorbis;
    if (ov_open(file, &vorbis, nullptr, 0) < 0) {
        fclose(file);
        std::cerr << "Soundtrack: " << path << " is not an Ogg Vorbis file; the sound will be silent" << std::endl;
        return;
    }
    const int rate = static_cast<int>(ov_info(&vorbis, -1)->rate);
    const size_t wanted = static_cast<size_t>(std::max(0L, maxSamples)) * rate / RATE + 2;
    std::vector<float> left, right;
    while (left.size() < wanted) {
        float** pcm = nullptr;
        int link = 0;
        const long count = ov_read_float(&vorbis, &pcm, 4096, &link);
        if (count == 0) break;
        if (count == OV_HOLE) continue;  // a gap in the pages: play on, as players do
        if (count < 0) {
            std::cerr << "Soundtrack: " << path << " is damaged after " << left.size() / rate
                      << " s; the rest will be silent" << std::endl;
            break;
        }
        const int r = rightChannel(ov_info(&vorbis, link)->channels);
        left.insert(left.end(), pcm[0], pcm[0] + count);
        right.insert(right.end(), pcm[r], pcm[r] + count);
    }
    ov_clear(&vorbis);  // also closes the file

    if (rate != RATE) {
        left = resample(left, rate, RATE);
        right = resample(right, rate, RATE);
    }
    const size_t frames = std::min(left.size(), static_cast<size_t>(std::max(0L, maxSamples)));
    music.resize(frames * CHANNELS);
    for (size_t i = 0; i < frames; ++i) {
        music[2 * i] = toSample(left[i]);
        music[2 * i + 1] = toSample(right[i]);
    }
}

std::vector<int16_t> Soundtrack::render(long from, long to, const Fades& fades) const {
    std::vector<int16_t> out(static_cast<size_t>(std::max(0L, to - from)) * CHANNELS, 0);
    for (long s = std::max(from, 0L); s < std::min(to, length()); ++s) {
        const double g = gain(s, fades);
        if (g <= 0.0) continue;
        for (int c = 0; c < CHANNELS; ++c)
            out[(s - from) * CHANNELS + c] = static_cast<int16_t>(std::lround(music[s * CHANNELS + c] * g));
    }
    return out;
}

double Soundtrack::gain(long sample, const Fades& fades) {
    auto fadeIn = [&fades](long s) {
        if (s <= 0) return 0.0;
        return s >= fades.inLength ? 1.0 : static_cast<double>(s) / fades.inLength;
    };
    if (sample < fades.outStart) return fadeIn(sample);
    if (sample >= fades.outStart + fades.outLength) return 0.0;
    const double reached = fadeIn(fades.outStart);
    return std::max(0.0, reached - static_cast<double>(sample - fades.outStart) / fades.outLength);
}

long Soundtrack::frameSample(long frame, int fps) {
    return frame * RATE / fps;
}

long Soundtrack::msSample(int ms) {
    return static_cast<long>(ms) * RATE / 1000;
}

std::vector<float> Soundtrack::resample(const std::vector<float>& in, int inRate, int outRate) {
    if (in.empty() || inRate <= 0 || outRate <= 0) return {};
    std::vector<float> out(static_cast<size_t>(in.size() * static_cast<double>(outRate) / inRate));
    for (size_t i = 0; i < out.size(); ++i) {
        const double at = static_cast<double>(i) * inRate / outRate;
        const size_t k = std::min(static_cast<size_t>(at), in.size() - 1);
        const double frac = at - k;
        const float next = in[std::min(k + 1, in.size() - 1)];
        out[i] = static_cast<float>(in[k] * (1.0 - frac) + next * frac);
    }
    return out;
}

bool Soundtrack::writeWav(const std::string& path, const std::vector<int16_t>& samples) {
    const uint64_t dataBytes = samples.size() * sizeof(int16_t);
    if (dataBytes > 0xffffffffull - 36) {
        std::cerr << "Soundtrack: " << samples.size() / CHANNELS / RATE << " s of sound is too long for a WAV file"
                  << std::endl;
        return false;
    }
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) {
        std::cerr << "Soundtrack: can't write " << path << ": " << std::strerror(errno) << std::endl;
        return false;
    }
    fputs("RIFF", file);
    putLE(file, static_cast<uint32_t>(36 + dataBytes), 4);
    fputs("WAVEfmt ", file);
    putLE(file, 16, 4);                       // size of the format block
    putLE(file, 1, 2);                        // PCM
    putLE(file, CHANNELS, 2);
    putLE(file, RATE, 4);
    putLE(file, RATE * CHANNELS * 2, 4);      // bytes a second
    putLE(file, CHANNELS * 2, 2);             // bytes a sample frame
    putLE(file, 16, 2);                       // bits a sample
    fputs("data", file);
    putLE(file, static_cast<uint32_t>(dataBytes), 4);
    std::vector<unsigned char> bytes(dataBytes);
    for (size_t i = 0; i < samples.size(); ++i) {
        const uint16_t s = static_cast<uint16_t>(samples[i]);
        bytes[2 * i] = s & 0xff;
        bytes[2 * i + 1] = s >> 8;
    }
    fwrite(bytes.data(), 1, bytes.size(), file);
    const bool ok = !ferror(file);
    if (fclose(file) != 0 || !ok) {
        std::cerr << "Soundtrack: can't write " << path << ": " << std::strerror(errno) << std::endl;
        return false;
    }
    return true;
}
