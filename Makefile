# TorvikMaster: `make run` and `make test` work on a fresh Debian 12 machine.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all bootstrap build run test bench asan tsan fuzz soak clean format-check

all: build

bootstrap:
	@bash scripts/bootstrap

build/CMakeCache.txt:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: bootstrap build/CMakeCache.txt
	cmake --build build -j $(JOBS)

run: build
	@bash scripts/run

test: build
	cd build && ctest --output-on-failure -j $(JOBS) --timeout 300

# The Debian package: build/torvik-master_<version>_<arch>.deb.
.PHONY: package
package: build
	cmake --build build --target package

bench: bootstrap
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	cmake --build build-bench -j $(JOBS)
	@bash scripts/run-bench build-bench

# Tests under AddressSanitizer + UndefinedBehaviorSanitizer, with LeakSanitizer on;
# scripts/lsan.supp names the system libraries whose leaks are not ours.
asan: bootstrap
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTORVIK_SANITIZE=address -DTORVIK_BUILD_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 600 -LE e2e

# Tests under ThreadSanitizer.
tsan: bootstrap
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTORVIK_SANITIZE=thread -DTORVIK_BUILD_BENCH=OFF
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/scripts/tsan.supp" \
	  ctest --output-on-failure -j $(JOBS) --timeout 600 -LE e2e

# Each fuzz target for FUZZ_SECONDS, built with clang, libFuzzer, ASan and UBSan.
FUZZ_SECONDS ?= 60
fuzz: bootstrap
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVIK_FUZZ=ON \
	  -DBUILD_TESTING=OFF -DTORVIK_BUILD_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS) --target torvik_fuzzers
	@bash scripts/run-fuzz build-fuzz $(FUZZ_SECONDS)

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
	rm -rf build build-asan build-tsan build-bench build-fuzz build-windows
