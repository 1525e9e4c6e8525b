// Soundtrack: the demo's sound as it plays it, rendered offline for video captures. The music is
// decoded with libvorbisfile and given the demo's fades at their places on the timeline.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Soundtrack {
public:
    static const int RATE = 44100;        // sample frames a second, as the demo opens the audio device
    static const int CHANNELS = 2;

    // Where the music's fades fall, in sample frames of the timeline (0 is the first scene's start).
    struct Fades {
        long inLength;   // the fade-in, from sample frame 0
        long outStart;
        long outLength;
    };

    // Decodes the first maxSamples sample frames of an Ogg Vorbis file, converted to RATE stereo.
    // A missing or undecodable file is reported on standard error and leaves the music silent.
    Soundtrack(const std::string& path, long maxSamples);

    // Sample frames of music decoded (0 when the file could not be read).
    long length() const { return static_cast<long>(music.size() / CHANNELS); }

    // The sound of sample frames [from, to) of the timeline, interleaved stereo, with the fades; there
    // is silence after the fade-out.
    std::vector<int16_t> render(long from, long to, const Fades& fades) const;

    // The music's volume (0 to 1) at a sample frame: SDL_mixer's fades are linear in volume.
    // A fade-out begun during the fade-in goes down from the volume reached, at its own rate.
    static double gain(long sample, const Fades& fades);
    // The first sample frame of video frame n at fps frames a second.
    static long frameSample(long frame, int fps);
    // The first sample frame at ms on the timeline.
    static long msSample(int ms);
    // Linear interpolation of one channel from inRate to outRate.
    static std::vector<float> resample(const std::vector<float>& in, int inRate, int outRate);
    // Writes 16-bit PCM stereo at RATE as a WAV file; false (with a message) when it can't.
    static bool writeWav(const std::string& path, const std::vector<int16_t>& samples);

private:
    std::vector<int16_t> music;  // interleaved stereo at RATE
};
