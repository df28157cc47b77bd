# TorvikMaster: `make run` and `make test` work on a fresh Debian 12 machine.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all bootstrap build run test bench asan tsan clean

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

# Tests under AddressSanitizer + UndefinedBehaviorSanitizer.
asan: bootstrap
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTORVIK_SANITIZE=address -DTORVIK_BUILD_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 600 -LE e2e

# Tests under ThreadSanitizer.
tsan: bootstrap
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTORVIK_SANITIZE=thread -DTORVIK_BUILD_BENCH=OFF
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/scripts/tsan.supp" \
	  ctest --output-on-failure -j $(JOBS) --timeout 600 -LE e2e

clean:
	rm -rf build build-asan build-tsan build-bench
