#include "device/drivers/production_driver.h"

#include "device/drivers/d2xx_library_driver_windows.h"

std::shared_ptr<FtDriver> makeProductionDriver() {
    return std::make_shared<D2xxLibraryDriver>();
}
