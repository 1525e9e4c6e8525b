// The committed assets as the demo reads them: pictures through PNGImage, the soundtrack through
// SDL_mixer and libvorbisfile. Run from the source tree (data/ relative).
#include "PNGImage.h"

#include <GL/gl.h>
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

const char* const SOUNDTRACK = "data/Tembrol_-_Verudoziv4.ogg";

double meanRed(const PNGImage& image, unsigned int bufferRow) {
    double sum = 0;
    for (unsigned int x = 0; x < image.getWidth(); ++x) sum += image.getData()[(bufferRow * image.getWidth() + x) * 3];
    return sum / image.getWidth();
}

}  // namespace

TEST(Assets, PicturesDecodeToEightBitPowerOfTwoTexturesOfTheirQuadSize) {
    // Sizes match the quads the scenes draw them on, so the nearest-filtered pictures show at 1:1.
    const struct { const char* file; unsigned int width, height; int type; } pictures[] = {
        {"data/tufs_dude.png", 512, 512, GL_RGBA}, {"data/smegma.png", 256, 256, GL_RGBA},
        {"data/skaptav.png", 256, 512, GL_RGBA},   {"data/lol2.png", 512, 512, GL_RGBA},
        {"data/hils.png", 256, 512, GL_RGBA},      {"data/lol.png", 512, 512, GL_RGBA},
        {"data/lmao.png", 512, 512, GL_RGBA},      {"data/meta_texture.png", 512, 512, GL_RGBA},
        {"data/background1.png", 1024, 512, GL_RGB}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.file);
        PNGImage image(p.file);
        ASSERT_FALSE(image.isPlaceholder());
        // The bit depth byte of the IHDR chunk: PNGImage keeps 16-bit samples, which GL would misread.
        char header[25] = {};
        std::ifstream(p.file, std::ios::binary).read(header, sizeof header);
        EXPECT_EQ(header[24], 8);
        EXPECT_EQ(image.getWidth(), p.width);
        EXPECT_EQ(image.getHeight(), p.height);
        EXPECT_EQ(image.getType(), p.type);
    }
    // The closing scene puts texture row 0 at the top of the screen; the banner runs from deep
    // blue-violet at its top to wine red at its bottom, so row 0 must be the violet end.
    PNGImage closing("data/background1.png");
    EXPECT_LT(meanRed(closing, 0) + 30, meanRed(closing, closing.getHeight() - 1));
}

TEST(Soundtrack, LoadsInTheMixerOutlastsTheDemoAndStaysBelowFullScale) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096), 0) << Mix_GetError();
    Mix_Music* music = Mix_LoadMUS(SOUNDTRACK);
    EXPECT_NE(music, nullptr) << Mix_GetError();
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);

    OggVorbis_File vf;
    ASSERT_EQ(ov_fopen(SOUNDTRACK, &vf), 0);
    EXPECT_EQ(ov_info(&vf, -1)->channels, 2);
    EXPECT_EQ(ov_info(&vf, -1)->rate, 44100);
    EXPECT_GE(ov_time_total(&vf, -1), 116.0);
    char buffer[8192];
    int section = 0, peak = 0;
    long got;
    while ((got = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) > 0) {
        const short* s = reinterpret_cast<const short*>(buffer);
        for (long i = 0; i < got / 2; ++i) peak = std::max(peak, std::abs(int(s[i])));
    }
    ov_clear(&vf);
    EXPECT_EQ(got, 0) << "the stream does not decode to its end";
    EXPECT_LE(20 * std::log10(peak / 32768.0), -1.0) << "peak sample " << peak;
}
