// DataFiles: where the demo's pictures and soundtrack are found. A relative name such as "data/hils.png"
// is looked for in the working directory first (the repository's own commands run from its root), then in
// the share folder of the prefix the program is installed in, so a moved prefix still works.
#pragma once

#include <string>
#include <vector>

namespace DataFiles {

// Every place name is looked for, in order; an absolute name is only itself.
std::vector<std::string> places(const std::string& name);
// The first of the places that exists (name itself for the working directory); empty when none does.
std::string find(const std::string& name);
// "A" or "A and B" or "A, B and C": the places, for messages about a missing file.
std::string describe(const std::vector<std::string>& places);
// "looked at A and B": name's places, for a message about it missing. A message that already names the
// file (named) gains nothing from its only place, so then a lone place gives "".
std::string lookedAt(const std::string& name, bool named);

}  // namespace DataFiles
