#pragma once
// The platform layer under the single-instance guard: the shared object that
// holds the record, the lock that serialises copies starting at the same
// instant, and the wake channel through which a second copy reaches the copy
// that registered last. Its life follows the processes: the kernel drops a
// copy's hold on the object when the copy dies, so a record left behind by a
// crashed copy is recognised as stale.

#include "app/check_previous.h"

#include <memory>
#include <string>

namespace CheckPrevious {

class SharedObject {
public:
    virtual ~SharedObject() = default;

    // Creates the object `name` or opens the existing one, and takes the lock
    // that serialises copies; it stays held until unlock(). Returns whether a
    // live copy already held the object. Throws std::system_error on failure.
    virtual bool createOrOpen(const std::string& name) = 0;
    virtual void lock() = 0;
    virtual void unlock() = 0;

    // The mapped record; valid after createOrOpen().
    virtual InstanceRecord& record() = 0;

    // Makes this copy the one that wake() reaches from now on.
    virtual void listenForWake() = 0;
    // Readable when a wake request waits; -1 while this copy does not listen.
    virtual int wakeDescriptor() const = 0;
    // Asks the listening copy to bring `handle` forward; silent when none listens.
    virtual void wake(WindowHandle handle) = 0;
};

// The shared object of this platform (linux/ and windows/check_previous_object.cpp).
std::unique_ptr<SharedObject> makeSharedObject();

// The wake channel of this copy's guard, or -1 while it does not listen.
int WakeDescriptor();

}  // namespace CheckPrevious
