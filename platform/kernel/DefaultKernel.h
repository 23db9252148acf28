// The kernel a process has until a test installs another one.
#pragma once

#include "Kernel.h"

namespace veyra::kernel {

KernelCalls &DefaultKernel();

} // namespace veyra::kernel
