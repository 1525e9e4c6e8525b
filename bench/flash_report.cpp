// What the flash limiter does to the whole demo, in one driven play at 60 fps: each frame is read before
// and after the limiter, both go through the capture tool's flash meter, and each second prints its
// flashes without and with the limiter and the PSNR of the limited frames against the drawn ones (inf:
// identical). The summary gives the seconds over three flashes each way and the least PSNR over the
// seconds where nothing flashes (no flash in the report without the limiter).
//
//   build/flash-report [WxH]    (under an X display; bench/flash_report.sh runs it at 640x480 and 1080p)
#include "Clock.h"
#include "FlashFilter.h"
#include "FrameTarget.h"
#include "Photosensitivity.h"
#include "Player.h"
#include "Raster.h"
#include "SDLWindow.h"
#include "Timeline.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    int width = Raster::WIDTH, height = Raster::HEIGHT;
    if (argc > 2 || (argc == 2 && !Raster::readSize(argv[1], width, height).empty())) {
        std::cerr << "usage: flash-report [WxH]" << std::endl;
        return 2;
    }
    SDLWindow window;
    if (!window.screen) {
        std::cerr << "flash-report needs an X display with OpenGL" << std::endl;
        return 1;
    }
    const int fps = 60;
    const Timeline& timeline = Timeline::demo();
    std::vector<double> squares;  // summed squared differences a second
    std::vector<long> frames;
    Photosensitivity::Meter plain(fps), limited(fps);
    {
        FrameTarget target{Letterbox(width, height)};
        if (!target.good()) return 1;
        const std::unique_ptr<FlashFilter> filter = target.flashFilter();
        Screenshot drawn;
        long frame = 0;
        // The drawn frame is read before the limiter, the shown one after it.
        const Clock::Filter before([&](bool cut) {
            drawn = target.grab();
            filter->apply(Clock::ticks(), cut);
        });
        std::streambuf* out = std::cout.rdbuf(nullptr);
        Player player(window.screen, timeline);
        player.play(0, timeline.length(), fps, [&](long f) {
            frame = f;
            const Screenshot& shown = target.grab();
            plain.add(f, drawn.rgb.data(), drawn.width, drawn.height);
            limited.add(f, shown.rgb.data(), shown.width, shown.height);
            const size_t second = static_cast<size_t>(f / fps);
            if (squares.size() <= second) squares.resize(second + 1, 0.0), frames.resize(second + 1, 0);
            double sum = 0;
            for (size_t i = 0; i < shown.rgb.size(); ++i) {
                const double d = static_cast<double>(shown.rgb[i]) - drawn.rgb[i];
                sum += d * d;
            }
            squares[second] += sum / shown.rgb.size();
            ++frames[second];
            return true;
        });
        std::cout.rdbuf(out);
    }
    int overPlain = 0, overLimited = 0;
    double leastStill = std::numeric_limits<double>::infinity();
    std::printf("second\tplain\tlimited\tPSNR dB\n");
    for (size_t s = 0; s < squares.size() && s < plain.seconds().size(); ++s) {
        const Photosensitivity::Second& a = plain.seconds()[s];
        const Photosensitivity::Second& b = limited.seconds()[s];
        const double mse = squares[s] / frames[s];
        const double psnr = mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : std::numeric_limits<double>::infinity();
        overPlain += a.over();
        overLimited += b.over();
        if (a.general == 0 && a.red == 0) leastStill = std::min(leastStill, psnr);
        std::printf("%ld\t%d/%d\t%d/%d\t%.1f\n", a.second, a.general, a.red, b.general, b.red, psnr);
    }
    std::printf("over three flashes: %d seconds plain, %d limited, of %zu; least PSNR where nothing flashes: %.1f dB\n",
                overPlain, overLimited, squares.size(), leastStill);
    return overLimited > 0;
}
