// Flash counting by WCAG 2.x's general and red flash thresholds; see Photosensitivity.h.
#include "Photosensitivity.h"

#include <algorithm>
#include <ostream>

namespace Photosensitivity {

Meter::Meter(int fps) : fps(std::max(1, fps)), counter(this->fps) {}

bool Meter::add(long frame, const unsigned char* rgb, int frameWidth, int frameHeight) {
    if (!rgb || frameWidth < CELLS || frameHeight < CELLS) return false;
    if (width == 0) {
        width = frameWidth;
        height = frameHeight;
    } else if (frameWidth != width || frameHeight != height) {
        return false;
    }
    Flashes::cellColours(rgb, width, height, cells);
    counter.add(added++, cells);

    const long second = frame / fps;
    if (report.empty() || report.back().second != second) report.push_back(Second{second, 0, 0});
    report.back().general = std::max(report.back().general, Flashes::worst(counter.general()));
    report.back().red = std::max(report.back().red, Flashes::worst(counter.red()));
    return true;
}

bool print(std::ostream& out, const std::vector<Second>& seconds) {
    long over = 0;
    for (const Second& s : seconds) {
        out << "second\t" << s.second << '\t' << s.general << '\t' << s.red << '\t' << (s.over() ? "over" : "ok")
            << '\n';
        over += s.over();
    }
    if (over)
        out << "verdict\tover\t" << over << " of " << seconds.size() << " seconds exceed three flashes a second\n";
    else
        out << "verdict\tok\tnone of " << seconds.size() << " seconds exceeds three flashes a second\n";
    out.flush();
    return over > 0;
}

}  // namespace Photosensitivity
