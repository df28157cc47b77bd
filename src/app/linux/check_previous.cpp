#include "app/check_previous.h"

#include "app/check_previous_object.h"

#include <unistd.h>

#include <limits.h>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <system_error>

namespace CheckPrevious {
namespace {

// A file name holds at most 255 bytes; the wake channel adds a suffix.
constexpr std::size_t kLongestName = 240;
constexpr std::size_t kHashLength = 16;

std::uint64_t fnv1a(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

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

std::string ObjectNameFor(const std::string& executablePath) {
    std::string name;
    for (char c : executablePath) {
        if (c != '/') name.push_back(c);
    }
    if (name.size() <= kLongestName) return name;
    char hash[kHashLength + 1];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(name)));
    return name.substr(0, kLongestName - kHashLength - 1) + "-" + hash;
}

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) {
        throw std::system_error(errno ? errno : ENAMETOOLONG, std::generic_category(),
                                "Cannot find the program's own path");
    }
    return std::string(buffer, static_cast<std::size_t>(length));
}

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
