// moriq-capture-short: the capture tool over a short play list of simple test scenes standing in for the
// demo's, so the capture tool's end-to-end tests run without the effect scenes.
// Three scenes: 3000, 2000 and 5000 ms (10000 ms in all); the music fades out over the last one.
#include "CaptureTool.h"
#include "Clock.h"

#include <GL/gl.h>

namespace {

// Draws a picture that depends on both the scene time and the frames drawn so far (state carried from
// frame to frame, as the terrain and the metaballs carry it), so a frame is right only when the grid was
// played up to it or the count derived for it.
class TestScene : public Scene {
public:
    TestScene(SDL_Surface* screen, float blue) : blue(blue) { surface = screen; }
    ~TestScene() override {
        report();
        deinit();
    }
    void init() override {
        pushState();
        Scene::init();
        glDisable(GL_DEPTH_TEST);
    }
    void startAt(int ms, int fps) override { frames = static_cast<unsigned int>(Timeline::firstFrameAt(ms, fps)); }
    void render() override {
        const int t = getTime();
        glClearColor((t / 8 % 256) / 255.0f, (frames++ * 16 % 256) / 255.0f, blue, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        setOrtho();
        const float x = (t % 1000) / 500.0f - 1.0f;
        glColor3f(1.0f, 1.0f, 1.0f);
        glRectf(x, -0.5f, x + 0.2f, 0.5f);
        unsetOrtho();
    }

private:
    float blue;
    unsigned int frames = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const Timeline shortList = {
        {
            {"First", 3000, 60, {}, {}, [](SDL_Surface* s) -> Scene* { return new TestScene(s, 0.2f); }},
            {"Second", 2000, 80, {}, {}, [](SDL_Surface* s) -> Scene* { return new TestScene(s, 0.5f); }},
            {"Last", 5000, -1, {}, {}, [](SDL_Surface* s) -> Scene* { return new TestScene(s, 0.8f); }},
        },
        Timeline::demo().soundtrack,
        1000,
        5000,
    };
    return captureMain(argc, argv, shortList);
}
