#pragma once
// The driver the program runs on. On Linux: the kernel's USB-serial ports,
// then the current user's virtual bridges. On Windows: the vendor's D2XX
// library. Install it with ftdriver::install().

#include "device/ft_driver.h"

#include <memory>

std::shared_ptr<FtDriver> makeProductionDriver();
