// A file's or folder's user extended attributes, the DOS attributes among them.
#pragma once

namespace veyra::vxd::protection {

// Makes the user attributes of `to` those of `from`. True also where the
// filesystem keeps no extended attributes.
bool MirrorUserAttributes(int from, int to);

} // namespace veyra::vxd::protection
