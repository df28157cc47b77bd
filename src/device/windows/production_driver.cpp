#include "device/production_driver.h"

#include "device/windows/d2xx_library_driver.h"

std::shared_ptr<FtDriver> makeProductionDriver() {
    return std::make_shared<D2xxLibraryDriver>();
}
