#include "device/production_driver.h"

#include "device/linux/linux_tty_driver.h"

std::shared_ptr<FtDriver> makeProductionDriver() {
    return std::make_shared<LinuxTtyDriver>(LinuxTtyPaths::system());
}
