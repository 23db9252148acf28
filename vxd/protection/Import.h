// Taking the files of a bare user folder into its store: those of a folder that
// was not protected before, and those that appeared while the protection was
// down. Each file is copied through the view under a temporary name, synced,
// renamed into place and only then removed from the bare folder, so that it is
// either still where it was or complete in the store, never half in each and
// never gone. A name the view already holds keeps its file: the imported one
// takes a free name beside it, unless it is that very file (an import cut short
// after its rename), which then only leaves the bare folder.
#pragma once

#include <string>

namespace veyra::vxd::protection {

// `bare`: a descriptor of the user folder opened before the view was mounted
// over it; `view`: the mounted view. False, with the reason, at the first entry
// that cannot be taken; what was taken before stays taken.
bool ImportBareFolder(int bare, const std::string &view, std::string &problem);

} // namespace veyra::vxd::protection
