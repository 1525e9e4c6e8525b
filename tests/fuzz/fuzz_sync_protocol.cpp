// libFuzzer target for the editor protocol's parser. The input's first byte is the demo's track count,
// the second the size of the chunks the rest is fed in. Whatever the stream: cut into chunks it gives
// exactly the commands and the verdict of the whole, and every command it gives is one the client may apply.
#include "tracks/Protocol.h"
#include "fuzz_fail.h"

#include <cstring>

namespace {

bool same(const tracks::EditorCommand& a, const tracks::EditorCommand& b) {
    return a.type == b.type && a.track == b.track && a.key == b.key && a.row == b.row && a.paused == b.paused;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t trackCount = data[0];
    const size_t chunk = size_t(data[1]) + 1;
    data += 2;
    size -= 2;

    tracks::CommandParser whole;
    std::vector<tracks::EditorCommand> all;
    const bool good = whole.feed(data, size, trackCount, all);
    if (!good && whole.error().empty()) fail("a refusal without a reason", "");

    tracks::CommandParser pieces;
    std::vector<tracks::EditorCommand> cut;
    bool cutGood = true;
    for (size_t at = 0; at < size && cutGood; at += chunk)
        cutGood = pieces.feed(data + at, std::min(chunk, size - at), trackCount, cut);
    if (cutGood != good || pieces.error() != whole.error()) fail("chunks change the verdict", pieces.error());
    if (cut.size() != all.size()) fail("chunks change the command count", std::to_string(cut.size()));
    for (size_t i = 0; i < all.size(); ++i) {
        if (!same(all[i], cut[i])) fail("chunks change a command", std::to_string(i));
        const tracks::EditorCommand& c = all[i];
        if (c.type == tracks::CommandType::SetKey &&
            (c.track >= trackCount || !tracks::keyProblem(c.key, 0).empty()))
            fail("a SET_KEY the client may not apply", std::to_string(i));
        if (c.type == tracks::CommandType::DeleteKey && (c.track >= trackCount || c.row > uint32_t(INT32_MAX)))
            fail("a DELETE_KEY the client may not apply", std::to_string(i));
        if (c.type == tracks::CommandType::GetTrack) fail("a command only the client sends", "");
    }
    return 0;
}
