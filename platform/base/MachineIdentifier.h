#pragma once
// What the system calls this machine: $KAVIO_MACHINE when set (tests), else the firmware's
// product name (/sys/class/dmi/id/product_name), else the processor architecture.

#include <string>

namespace kavio::platform {

std::string machineIdentifier();

// The system's version as it reports it ("12" on Debian 12).
std::string systemVersion();
// The system's name and version for people ("Debian GNU/Linux 12 (bookworm)").
std::string systemName();

} // namespace kavio::platform
