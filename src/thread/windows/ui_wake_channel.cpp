// Windows: the owner is woken by posted events; Qt's dispatcher there has no
// costly pass to spare.
#include "thread/ui_wake_channel.h"

UiWakeChannel* makeUiWakeChannel(QObject*, std::function<void()>) {
    return nullptr;
}
