// The single-instance guard's rules, the same on every system: the record is
// read and updated under the object's lock, a copy registers while fewer than
// the maximum are, and a refused copy wakes the one that registered last. The
// platform gives the object (check_previous_object.h) and the executable's name.

#include "app/check_previous.h"

#include "app/check_previous_object.h"

#include <cstdio>
#include <exception>

namespace CheckPrevious {
namespace {

struct UnitState {
    std::string objectName;
    std::unique_ptr<SharedObject> object;
    bool instanceRegistered = true;

    // Gives the slot back when the process ends normally, like any finalization.
    ~UnitState() {
        try {
            Finalize();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "Torvik Master: %s\n", error.what());
        }
    }
};

UnitState& unit() {
    static UnitState state;
    return state;
}

}  // namespace

bool ActivatePreviousInstance(WindowHandle windowHandle, int maxCount) {
    UnitState& state = unit();
    state.objectName = ObjectNameFor(ExecutablePath());

    auto object = makeSharedObject();
    // Holds the lock from here to the update of the record, so copies
    // started at the same instant take their turns.
    const bool existed = object->createOrOpen(state.objectName);
    InstanceRecord& record = object->record();
    const bool registers = !existed || maxCount > record.InstanceCount;
    state.instanceRegistered = registers;
    // A failure drops the object, and with it the lock, on the way out.
    if (registers) object->listenForWake();
    if (!existed) {
        record.WindowHandle = windowHandle;
        record.InstanceCount = 1;
    } else if (registers) {
        record.WindowHandle = windowHandle;
        record.InstanceCount += 1;
    } else {
        object->wake(record.WindowHandle);
    }
    object->unlock();
    state.object = std::move(object);
    return !registers;
}

void Finalize() {
    UnitState& state = unit();
    if (state.object) {
        state.object->lock();
        // A count already at zero or below (a record damaged meanwhile) has no slot to give back.
        std::int32_t& count = state.object->record().InstanceCount;
        if (state.instanceRegistered && count > 0) count -= 1;
        state.object.reset();  // also drops the lock
    }
    state.objectName.clear();
}

bool InstanceRegistered() {
    return unit().instanceRegistered;
}

const std::string& ObjectName() {
    return unit().objectName;
}

int WakeDescriptor() {
    const UnitState& state = unit();
    return state.object ? state.object->wakeDescriptor() : -1;
}

}  // namespace CheckPrevious
