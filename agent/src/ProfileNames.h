// The program's settings in the profile (the registry of the original):
// sections and values under HKEY_CURRENT_USER\Software\NORVEX\VeyraAP.
#pragma once

namespace veyra::agent::profile {

inline constexpr char kOption[] = "Option";
inline constexpr char kUserId[] = "UserID";
inline constexpr char kLastUserId[] = "LastUserID";
inline constexpr char kOpenFolder[] = "OpenFolder";
inline constexpr char kInvisible[] = "Invisible";
inline constexpr char kExitMessage[] = "ExitMessage";
inline constexpr char kHideDialog[] = "HideDialog";

inline constexpr char kWindowPosition[] = "WindowPosition";
inline constexpr char kRectLeft[] = "RECT_left";
inline constexpr char kRectTop[] = "RECT_top";
inline constexpr char kRectRight[] = "RECT_right";
inline constexpr char kRectBottom[] = "RECT_bottom";

} // namespace veyra::agent::profile
