// The committed assets as the demo reads them: pictures through PNGImage and on the scenes'
// quads in a real GL window, the soundtrack through SDL_mixer and libvorbisfile.
// Run from the source tree (data/ relative).
#include "Clock.h"
#include "GLTest.h"
#include "PNGImage.h"
#include "Texture.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char* const SOUNDTRACK = "data/Tembrol_-_Verudoziv4.ogg";

struct Picture {
    const char* file;
    unsigned int width, height;
    int type;
};

// Sizes match the quads the scenes draw them on, so the nearest-filtered pictures show at 1:1.
const Picture PICTURES[] = {
    {"data/tufs_dude.png", 512, 512, GL_RGBA},   {"data/smegma.png", 256, 256, GL_RGBA},
    {"data/skaptav.png", 256, 512, GL_RGBA},     {"data/lol2.png", 512, 512, GL_RGBA},
    {"data/hils.png", 256, 512, GL_RGBA},        {"data/lol.png", 512, 512, GL_RGBA},
    {"data/lmao.png", 512, 512, GL_RGBA},        {"data/meta_texture.png", 512, 512, GL_RGBA},
    {"data/background1.png", 1024, 512, GL_RGB},
};

bool powerOfTwo(unsigned int n) { return n && !(n & (n - 1)); }

// The bit depth byte of the IHDR chunk: PNGImage keeps 16-bit samples, which GL would misread.
int bitDepth(const char* file) {
    std::ifstream in(file, std::ios::binary);
    char header[25] = {};
    in.read(header, sizeof header);
    return in ? static_cast<unsigned char>(header[24]) : -1;
}

unsigned char alphaAt(const PNGImage& image, unsigned int x, unsigned int yFromTop) {
    const unsigned int row = image.getHeight() - 1 - yFromTop;
    return image.getData()[(row * image.getWidth() + x) * 4 + 3];
}

double meanRed(const PNGImage& image, unsigned int bufferRow) {
    double sum = 0;
    for (unsigned int x = 0; x < image.getWidth(); ++x)
        sum += image.getData()[(bufferRow * image.getWidth() + x) * 3];
    return sum / image.getWidth();
}

// Decodes the whole stream to 16-bit stereo samples.
bool decodeSoundtrack(std::vector<short>& pcm, int& channels, long& rate, double& seconds) {
    OggVorbis_File vf;
    if (ov_fopen(SOUNDTRACK, &vf) != 0) return false;
    const vorbis_info* info = ov_info(&vf, -1);
    channels = info->channels;
    rate = info->rate;
    seconds = ov_time_total(&vf, -1);
    char buffer[8192];
    int section = 0;
    long got;
    while ((got = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) > 0) {
        const short* s = reinterpret_cast<const short*>(buffer);
        pcm.insert(pcm.end(), s, s + got / 2);
    }
    ov_clear(&vf);
    return got == 0;
}

struct Corner {
    int s, t, x, y;
};

// One textured quad in screen pixels (origin top left), the way the scenes draw their pictures.
void pictureQuad(Texture& texture, const Corner (&corners)[4]) {
    texture.bind();
    glBegin(GL_QUADS);
    for (const Corner& c : corners) {
        glTexCoord2i(c.s, c.t);
        glVertex2i(c.x, c.y);
    }
    glEnd();
}

void pixelProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 640.0, 480.0, 0.0, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool near(RGB c, int r, int g, int b, int tolerance = 24) {
    return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance &&
           std::abs(c.b - b) <= tolerance;
}

}  // namespace

TEST(Assets, PicturesDecodeToEightBitPowerOfTwoTexturesOfTheirQuadSize) {
    for (const Picture& p : PICTURES) {
        SCOPED_TRACE(p.file);
        PNGImage image(p.file);
        ASSERT_FALSE(image.isPlaceholder());
        EXPECT_EQ(bitDepth(p.file), 8);
        EXPECT_TRUE(powerOfTwo(image.getWidth()) && powerOfTwo(image.getHeight()));
        EXPECT_EQ(image.getWidth(), p.width);
        EXPECT_EQ(image.getHeight(), p.height);
        EXPECT_EQ(image.getType(), p.type);
    }
}

TEST(Assets, OverlaysLeaveWhatIsBehindThemVisible) {
    // The metaball overlay is drawn over the blobs every frame: mostly clear, centre included.
    PNGImage frame("data/lmao.png");
    ASSERT_FALSE(frame.isPlaceholder());
    size_t clear = 0;
    for (unsigned int y = 0; y < 512; ++y)
        for (unsigned int x = 0; x < 512; ++x) clear += alphaAt(frame, x, y) == 0;
    EXPECT_GT(clear, 512u * 512u * 8 / 10);
    EXPECT_EQ(alphaAt(frame, 200, 300), 0);

    // The credits panel covers only the left of its strip, so the opening poster shows beside it.
    PNGImage credits("data/skaptav.png");
    for (unsigned int y = 0; y < 512; y += 7) EXPECT_EQ(alphaAt(credits, 220, y), 0) << y;
    EXPECT_GT(alphaAt(credits, 90, 250), 200);  // the panel itself is nearly opaque, for legibility

    // The ball's backdrop melts into the grey at its left edge; the star's backdrop at its right.
    PNGImage backdrop("data/lol2.png"), comic("data/lol.png");
    EXPECT_EQ(alphaAt(backdrop, 0, 256), 0);
    EXPECT_EQ(alphaAt(backdrop, 400, 256), 255);
    EXPECT_EQ(alphaAt(comic, 511, 100), 0);
}

TEST(Assets, ClosingPictureIsStoredUpsideDown) {
    // The closing scene puts texture row 0 at the top of the screen; the banner's gradient runs
    // from deep blue-violet at its top to wine red at its bottom, so row 0 must be the violet end.
    PNGImage image("data/background1.png");
    ASSERT_EQ(image.getType(), GL_RGB);
    EXPECT_LT(meanRed(image, 0) + 30, meanRed(image, image.getHeight() - 1));
}

TEST(Assets, OpeningPicturesComposeWithTheFaceInTheClear) {
    // The terrain scene at 5 s: poster, sticker and credits over the light grey clear colour.
    moriqtest::ensureGL();
    Texture dude("data/tufs_dude.png"), sticker("data/smegma.png"), credits("data/skaptav.png");
    moriqtest::Frame frame = moriqtest::grabFrame([&] {
        glClearColor(0.7f, 0.7f, 0.7f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        pixelProjection();
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(1, 1, 1, 1);
        pictureQuad(dude, {{0, 0, 63, 495}, {1, 0, 575, 495}, {1, 1, 575, -16}, {0, 1, 63, -16}});
        pictureQuad(sticker, {{0, 0, 383, 255}, {1, 0, 639, 255}, {1, 1, 639, 0}, {0, 1, 383, 0}});
        pictureQuad(credits, {{0, 0, 2, 495}, {1, 0, 258, 495}, {1, 1, 258, -26}, {0, 1, 2, -16}});
        glBindTexture(GL_TEXTURE_2D, 0);
        Clock::swapBuffers();
    });
    frame.savePng(moriqtest::outputPath("assets_opening.png"));
    EXPECT_TRUE(near(frame.at(620, 420), 179, 179, 179)) << "grey shows where no picture is";
    EXPECT_TRUE(near(frame.at(297, 210), 0x3a, 0x4a, 0x8c, 40)) << "the shades are not covered";
    EXPECT_TRUE(near(frame.at(50, 260), 0x2e, 0x31, 0x4c, 30)) << "credits panel on the left";
    EXPECT_TRUE(near(frame.at(455, 108), 0xff, 0xc9, 0x3c, 30)) << "sticker at the top right";
    EXPECT_TRUE(near(frame.at(450, 420), 0xff, 0x6b, 0x57, 30)) << "banner upright, at the bottom";
}

TEST(Assets, ClosingPictureIsUprightOnTheClosingGrid) {
    // The closing scene's grid at rest: 4.5 by 3.5 units at 3.5 in front of the eye, texture
    // t = 0 along its top edge. The banner is violet at the top and wine red at the bottom.
    moriqtest::ensureGL();
    Texture background("data/background1.png");
    moriqtest::Frame frame = moriqtest::grabFrame([&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 4.0 / 3.0, 1.0, 100.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(-2.25f, 1.75f, -3.5f);
        glDisable(GL_BLEND);
        glEnable(GL_TEXTURE_2D);
        glColor3f(1, 1, 1);
        background.bind();
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0); glVertex2f(0, 0);
        glTexCoord2f(1, 0); glVertex2f(4.5f, 0);
        glTexCoord2f(1, 1); glVertex2f(4.5f, -3.5f);
        glTexCoord2f(0, 1); glVertex2f(0, -3.5f);
        glEnd();
        glBindTexture(GL_TEXTURE_2D, 0);
        Clock::swapBuffers();
    });
    frame.savePng(moriqtest::outputPath("assets_closing.png"));
    EXPECT_LT(frame.at(8, 8).r + 30, frame.at(8, 472).r);
    EXPECT_GT(frame.at(8, 8).b, frame.at(8, 8).r);
}

TEST(Soundtrack, LoadsInTheMixerAsTheDemoOpensIt) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // Only the audio subsystem: other tests in this program share a GL window.
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096), 0) << Mix_GetError();
    Mix_Music* music = Mix_LoadMUS(SOUNDTRACK);
    EXPECT_NE(music, nullptr) << Mix_GetError();
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

TEST(Soundtrack, OutlastsTheDemoStaysBelowFullScaleAndKicksOnTheBallsPulse) {
    std::vector<short> pcm;
    int channels = 0;
    long rate = 0;
    double seconds = 0;
    ASSERT_TRUE(decodeSoundtrack(pcm, channels, rate, seconds));
    ASSERT_EQ(channels, 2);
    ASSERT_EQ(rate, 44100);
    EXPECT_GE(seconds, 116.0);
    EXPECT_NEAR(pcm.size() / 2.0 / rate, seconds, 0.01);

    int peak = 0;
    for (short s : pcm) peak = std::max(peak, std::abs(int(s)));
    EXPECT_LE(20 * std::log10(peak / 32768.0), -1.0) << "peak sample " << peak;

    // Low end of the mono mix (two 256-sample moving averages), then the energy just after each
    // of the terrain ball's jerks (every 1100 ms from 18.25 s) against the energy just before.
    const size_t frames = pcm.size() / 2;
    std::vector<double> low(frames, 0.0);
    for (int pass = 0; pass < 2; ++pass) {
        double acc = 0;
        std::vector<double> in(frames);
        for (size_t i = 0; i < frames; ++i)
            in[i] = pass ? low[i] : (pcm[2 * i] + pcm[2 * i + 1]) / 65536.0;
        for (size_t i = 0; i < frames; ++i) {
            acc += in[i] - (i >= 256 ? in[i - 256] : 0.0);
            low[i] = acc / 256;
        }
    }
    const size_t window = rate * 8 / 100;
    for (int k = 0; k < 15; ++k) {
        const size_t at = static_cast<size_t>((18.25 + 1.1 * k) * rate);
        double before = 0, after = 0;
        for (size_t i = 0; i < window; ++i) {
            before += low[at - window + i] * low[at - window + i];
            after += low[at + i] * low[at + i];
        }
        EXPECT_GT(after, 3 * before) << "no kick on the pulse at " << 18.25 + 1.1 * k << " s";
    }
}
