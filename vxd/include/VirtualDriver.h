// The virtual driver "\\.\Veyra.vxd" and the card in its slot, as the kernel
// calls reach them. Shaped like the kernel calls; a handle belongs to the
// process that opened it.
#pragma once

#include <cstdint>

namespace veyra::vxd {

inline constexpr uint32_t kInvalidHandle = 0xFFFFFFFFu;

// A new handle, or kInvalidHandle when the driver refuses to open.
uint32_t OpenDriver();

// One control call: 1 on success, 0 on failure. The control codes and packets
// are those of DriverContract.h.
int ControlDriver(uint32_t handle, uint32_t code, void *inBuffer, uint32_t inBufferSize, void *outBuffer,
                  uint32_t outBufferSize, uint32_t *bytesReturned);

// 1 when the handle was open; a command still in progress on it is dropped.
int CloseDriver(uint32_t handle);

} // namespace veyra::vxd
