#include "splash/splash_native.h"

void splash::keepOffTaskbarAndInactive(QWidget&) {}
