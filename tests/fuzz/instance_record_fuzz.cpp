// The single-instance guard reading a record file found in any state: missing,
// short, long, of any content, or no regular file at all, with or without a
// living copy holding it, and changed by others before this copy leaves. A
// copy registers exactly when no living copy holds the object or the count is
// below the limit, and gives back exactly its own slot.
#include "app/check_previous.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_temp_dir.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

std::string recordPath;

CheckPrevious::InstanceRecord readRecord() {
    CheckPrevious::InstanceRecord record{};
    const int fd = ::open(recordPath.c_str(), O_RDONLY | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0 && ::pread(fd, &record, sizeof record, 0) == sizeof record);
    ::close(fd);
    return record;
}

void writeRecord(const std::string& bytes) {
    const int fd = ::open(recordPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FUZZ_CHECK(fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()));
    ::close(fd);
}

// Another living copy: a shared hold on the liveness byte past the record.
int holdAsLivingCopy() {
    const int fd = ::open(recordPath.c_str(), O_RDWR | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    struct flock hold {};
    hold.l_type = F_RDLCK;
    hold.l_whence = SEEK_SET;
    hold.l_start = 17;
    hold.l_len = 1;
    FUZZ_CHECK(::fcntl(fd, F_OFD_SETLK, &hold) == 0);
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string runtime = fuzzTempDir() + "/runtime";
    if (::mkdir(runtime.c_str(), 0700) != 0 || ::setenv("TORVIK_RUNTIME_DIR", runtime.c_str(), 1) != 0)
        std::abort();
    if (::mkdir((runtime + "/torvik-master").c_str(), 0700) != 0) std::abort();
    recordPath = runtime + "/torvik-master/" + CheckPrevious::ObjectNameFor(CheckPrevious::ExecutablePath());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::error_code ignored;
    std::filesystem::remove_all(recordPath, ignored);

    const int kind = in.ConsumeIntegralInRange(0, 9);
    const std::string found = in.ConsumeBytesAsString(in.ConsumeIntegralInRange(0, 12));
    const bool otherAlive = in.ConsumeBool();
    const int maxCount = in.ConsumeBool() ? in.ConsumeIntegralInRange(1, 3) : in.ConsumeIntegral<int>();
    const auto handle = in.ConsumeIntegral<CheckPrevious::WindowHandle>();
    const bool changedMeanwhile = in.ConsumeBool();
    const auto laterCount = in.ConsumeIntegral<std::int32_t>();

    int other = -1;
    const bool regular = kind == 0 || kind >= 4;
    switch (kind) {
        case 0:
            break;  // no record yet
        case 1:
            FUZZ_CHECK(::mkdir(recordPath.c_str(), 0700) == 0);
            break;
        case 2:
            FUZZ_CHECK(::symlink("/dev/null", recordPath.c_str()) == 0);
            break;
        case 3:
            FUZZ_CHECK(::mkfifo(recordPath.c_str(), 0600) == 0);
            break;
        default:
            writeRecord(found);
            break;
    }
    if (regular && otherAlive) {
        if (kind == 0) writeRecord("");
        other = holdAsLivingCopy();
    }
    // What the record holds as this copy reads it (the file is sized to a record).
    CheckPrevious::InstanceRecord before{};
    if (regular && kind != 0) std::memcpy(&before, found.data(), std::min(found.size(), sizeof before));

    bool handedOver = false;
    try {
        handedOver = CheckPrevious::ActivatePreviousInstance(handle, maxCount);
        FUZZ_CHECK(regular);
    } catch (const std::system_error&) {
        FUZZ_CHECK(!regular);
        CheckPrevious::Finalize();
        return 0;
    }
    const bool registers = !otherAlive || maxCount > before.InstanceCount;
    FUZZ_CHECK(handedOver == !registers && CheckPrevious::InstanceRegistered() == registers);
    CheckPrevious::InstanceRecord after = readRecord();
    if (!otherAlive) {
        FUZZ_CHECK(after.WindowHandle == handle && after.InstanceCount == 1);
    } else if (registers) {
        FUZZ_CHECK(after.WindowHandle == handle && after.InstanceCount == before.InstanceCount + 1);
    } else {
        FUZZ_CHECK(std::memcmp(&after, &before, sizeof after) == 0);
    }

    if (changedMeanwhile) {
        after.InstanceCount = laterCount;
        const int fd = ::open(recordPath.c_str(), O_WRONLY | O_CLOEXEC);
        FUZZ_CHECK(fd >= 0 && ::pwrite(fd, &after, sizeof after, 0) == sizeof after);
        ::close(fd);
    }
    CheckPrevious::Finalize();
    const CheckPrevious::InstanceRecord left = readRecord();
    FUZZ_CHECK(left.WindowHandle == after.WindowHandle);
    FUZZ_CHECK(left.InstanceCount ==
               (registers && after.InstanceCount > 0 ? after.InstanceCount - 1 : after.InstanceCount));
    if (other >= 0) ::close(other);
    return 0;
}
