// Lets a program's windows live while a card call waits for the card: the device
// link library runs the kernel's message pump between its polls, and this pump
// processes the program's pending Qt events.
#pragma once

namespace veyra::ui {

void InstallQtMessagePump();
void RemoveQtMessagePump();

} // namespace veyra::ui
