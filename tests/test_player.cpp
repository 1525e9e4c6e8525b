// The player over the demo's play list and stand-in pictures: a moment drawn directly is the moment
// played up to, whichever way the player came (forward, back, from nothing); a live play taken through
// seeks, a pause and keys by a scripted viewer on a driven clock; and the clock's hooks nesting.
#include "Clock.h"
#include "GLTest.h"
#include "Player.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

using namespace moriqtest;

namespace {

// The frame player draws at ms, directly or continuing what it drew before.
Frame still(Player& player, int ms) {
    Frame f;
    player.play(ms, ms, 60, [&f](long) { return f = Screenshot::grab(), true; }, true);
    return f;
}

}  // namespace

TEST(Player, AMomentDrawnDirectlyIsTheMomentPlayedUpTo) {
    ensureGL();
    ASSERT_EQ(chdir(picture("").c_str()), 0);
    std::cout.setstate(std::ios::failbit);  // the end-of-scene lines
    // In each scene, past what it carries from frame to frame (the terrain's beat from 17.5 s, its ribbon's
    // colour from the ball of the frame before, the blobs' motion and their normals from the pass before).
    const int moments[] = {19000, 36500, 61000, 71500, 86500, 111000};
    Player played(nullptr, Timeline::demo());
    std::vector<Frame> direct;
    for (int ms : moments) {
        Frame last;
        played.play(ms - 1500, ms, 60, [&last](long) { return last = Screenshot::grab(), true; }, true);
        Player fresh(nullptr, Timeline::demo());
        direct.push_back(still(fresh, ms));
        EXPECT_EQ(differing(last, direct.back()), 0) << ms << " ms";
    }
    // Back to earlier scenes: the GL state is rebuilt as from the start.
    EXPECT_EQ(differing(still(played, moments[0]), direct[0]), 0);
    EXPECT_EQ(differing(still(played, moments[2]), direct[2]), 0);
    std::cout.clear();
}

// A viewer, one step per frame shown, on a clock that moves 20 ms a frame: a seek from the first scene to
// the last, a pause, a resume, R (passed on), Left back into the fifth scene, then the play runs out. Only the scenes
// played to their end report; the paused frames all show one moment.
TEST(Player, ALivePlayFollowsTheViewersSeeksPauseAndKeys) {
    ensureGL();
    ASSERT_EQ(chdir(picture("").c_str()), 0);
    dropEvents();
    unsigned int wall = 5000;
    const Clock::Drive clock([&wall] { return wall; });
    Player player(nullptr, Timeline::demo());
    std::vector<int> shown;
    std::vector<bool> paused;
    const std::vector<std::function<void()>> script = {
        [] {}, [] { pushEvent(Player::SEEK_EVENT, SDLK_UNKNOWN, 112000); }, [] {}, [] { pushEvent(Player::PAUSE_EVENT); },
        [] {}, [] {}, [] { pushEvent(SDL_KEYDOWN, SDLK_SPACE); }, [] { pushEvent(SDL_KEYDOWN, SDLK_r); },
        [] { pushEvent(SDL_KEYDOWN, SDLK_LEFT); }};
    const Clock::OnFrame viewer([&] {
        shown.push_back(Player::playing()->now());
        paused.push_back(Player::playing()->paused());
        if (shown.size() <= script.size()) script[shown.size() - 1]();
        wall += 20;
    });
    // The keys that do not leave the scene go on to the controls around the player's (main's R).
    std::vector<SDLKey> passedOn;
    const Scene::Controls around([&passedOn](const SDL_Event& event) {
        if (event.type == SDL_KEYDOWN) passedOn.push_back(event.key.keysym.sym);
        return false;
    });
    testing::internal::CaptureStdout();
    Player::Live how;
    how.controls = true;
    EXPECT_EQ(player.live(how), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Player::playing(), nullptr);

    ASSERT_GT(shown.size(), 9u);
    EXPECT_EQ(shown[0], 0);
    EXPECT_EQ(shown[2], 112000);  // the frame after the seek shows the moment sought
    EXPECT_EQ(shown[4], shown[3] + 20);  // paused at the moment the pause came
    EXPECT_EQ(shown[5], shown[4]);
    EXPECT_TRUE(paused[4] && paused[6] && !paused[7]);
    EXPECT_EQ(shown[6], shown[4]);
    EXPECT_EQ(shown[9], shown[8] + 20 - 5000);  // Left at the frame after
    EXPECT_GE(shown.back(), 115000 - 20);
    EXPECT_EQ(passedOn, (std::vector<SDLKey>{SDLK_SPACE, SDLK_r}));
    // The fifth scene from 3 s before its end, then the last scene whole: two reports.
    size_t reports = 0;
    for (size_t at = out.find("frames draw"); at != std::string::npos; at = out.find("frames draw", at + 1)) ++reports;
    EXPECT_EQ(reports, 2u) << out;
}

TEST(Clock, ReplacementsNestAndEachPutsBackWhatItReplaced) {
    ensureGL();
    std::vector<int> hooks;
    {
        const Clock::Drive outer([] { return 5u; });
        const Clock::OnFrame first([&] { hooks.push_back(1); });
        {
            const Clock::Drive inner([] { return 7u; });
            const Clock::OnFrame second([&] { hooks.push_back(2); });
            EXPECT_EQ(Clock::ticks(), 7u);
            EXPECT_EQ(inner.below(), 5u);
            Clock::present();
            std::vector<bool> told;
            const Clock::OnUnseen tell([&told](bool unseen) { told.push_back(unseen); });
            {
                const Clock::Unseen unseen, nested;
                Clock::present();
            }
            EXPECT_EQ(told, (std::vector<bool>{true, false}));  // once for the outermost
        }
        EXPECT_EQ(Clock::ticks(), 5u);
        Clock::present();
    }
    EXPECT_EQ(hooks, (std::vector<int>{2, 1}));
    EXPECT_LE(Clock::ticks(), SDL_GetTicks());
}

// A clock that moves at every reading: a frame still reads it once, every getTime in it agrees, and the
// after-frame slots run in their order, the filter told of the cut a seek makes.
TEST(Clock, AFrameIsDrawnAtOneMomentAndEndsInOnePlace) {
    ensureGL();
    struct Reader : Scene {
        std::vector<int> seen;
        void render() override {
            for (int i = 0; i < 3; ++i) seen.push_back(getTime());
        }
    } scene;
    unsigned int wall = 100;
    const Clock::Drive clock([&wall] { return wall++; });
    std::string order;
    const Clock::Filter filter([&](bool cut) { order += cut ? "C" : "f"; });
    const Clock::Overlay overlay([&] { order += "o"; });
    const Clock::OnFrame hand([&] { order += "h"; });
    scene.frame();
    scene.frame();
    Clock::cut();
    scene.frame();
    ASSERT_EQ(scene.seen.size(), 9u);
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(scene.seen[i], scene.seen[i / 3 * 3]) << i;
    EXPECT_LT(scene.seen[0], scene.seen[3]);
    EXPECT_EQ(order, "CohfohCoh");
}
