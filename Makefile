# TorvikMaster: `make run` and `make test` work on a fresh Debian 12 machine.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all bootstrap build run test bench asan tsan fuzz soak clean format-check

all: build

bootstrap:
	@bash scripts/bootstrap

# Each build is a preset of CMakePresets.json (an IDE opens the same ones);
# the targets here install what is missing and call them.
build/CMakeCache.txt:
	cmake --preset default $(CMAKE_FLAGS)

build: bootstrap build/CMakeCache.txt
	cmake --build --preset default -j $(JOBS)

run: build
	@bash scripts/run

test: build
	ctest --preset default -j $(JOBS)

# The Debian package: build/torvik-master_<version>_<arch>.deb.
.PHONY: package
package: build
	cmake --build build --target package

bench: bootstrap
	cmake --preset bench && cmake --build --preset bench -j $(JOBS) && bash scripts/run-bench build-bench

# Tests under AddressSanitizer + UndefinedBehaviorSanitizer, with LeakSanitizer on;
# scripts/lsan.supp names the system libraries whose leaks are not ours.
asan: bootstrap
	cmake --preset asan && cmake --build --preset asan -j $(JOBS) && ctest --preset asan -j $(JOBS)

# Tests under ThreadSanitizer.
tsan: bootstrap
	cmake --preset tsan && cmake --build --preset tsan -j $(JOBS) && ctest --preset tsan -j $(JOBS)

# Each fuzz target for FUZZ_SECONDS, built with clang, libFuzzer, ASan and UBSan.
FUZZ_SECONDS ?= 60
fuzz: bootstrap
	cmake --preset fuzz && cmake --build --preset fuzz -j $(JOBS) && bash scripts/run-fuzz build-fuzz $(FUZZ_SECONDS)

# The real program for SOAK_MINUTES under Xvfb with torvik-sim at full rate.
SOAK_MINUTES ?= 30
soak: build
	@bash scripts/soak build $(SOAK_MINUTES)

# The Windows program, cross-built into build-windows/ with its zip and
# installer (scripts/bootstrap-windows unpacks the toolchain there), and its
# tests under Wine.
.PHONY: windows windows-test
windows:
	@bash scripts/bootstrap-windows
	@bash scripts/build-windows

windows-test: windows
	@bash scripts/windows-test

# Every C and C++ file as .clang-format has it.
format-check: bootstrap
	@bash scripts/format-check

clean:
	rm -rf build build-debug build-release build-asan build-tsan build-bench build-fuzz build-windows
