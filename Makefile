# The one entry point: `make run` and `make test` are the whole set-up on a fresh Debian machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# Debian packages the build, the tests and the benchmarks need.
DEB_BUILD  := build-essential cmake pkg-config zlib1g-dev libicu-dev libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev libfontconfig-dev fontconfig fonts-dejavu-core fonts-liberation xvfb xdotool imagemagick
DEB_TEST   := zip unzip python3
DEB_FUZZ   := clang libclang-rt-dev
DEB_BENCH  := 7zip libarchive-tools openssl time
DEB_ALL    := $(DEB_BUILD) $(DEB_TEST) $(DEB_FUZZ) $(EXTRA_DEBS)

.PHONY: all deps deps-bench build run test asan fuzz bench clean format

all: build

# Installs only what is missing, so a machine that has everything never touches apt.
deps:
	@missing=""; for p in $(DEB_ALL); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

deps-bench:
	@$(MAKE) --no-print-directory deps EXTRA_DEBS="$(DEB_BENCH)"

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -x $(BUILD)/bin/ferrovan-setup ]; then \
	  tools/run-installer.sh $(BUILD); \
	else \
	  echo "The installer (ferrovan-setup) is not built yet; the engine and the kestrel tool are in $(BUILD)/bin."; \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=ON -DKESTREL_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

# libFuzzer targets, built with clang, run for a short fixed time over the committed seed corpus.
FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_FUZZ=ON -DKESTREL_TESTS=OFF -DKESTREL_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS)
	@if [ -x tools/run-fuzz.sh ]; then tools/run-fuzz.sh build-fuzz $(FUZZ_SECONDS); else echo "no fuzz targets yet"; fi

bench: deps-bench build
	@if [ -x bench/run.sh ]; then bench/run.sh $(BUILD); else echo "no benchmarks yet"; fi

format:
	git ls-files '*.cpp' '*.h' '*.hpp' '*.c' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz

# ---- Windows: a mingw-w64 cross-build, tested under Wine ---------------------------------------
# `make windows` cross-builds everything into $(WIN_BUILD)/bin (GoogleTest is built first from
# Debian's googletest sources with the same toolchain); `make test-windows` runs the Windows
# test binaries under Wine (headless, in the prefix $(WIN_BUILD)/wineprefix).
WIN_BUILD  ?= build-win
WIN_GTEST  := $(WIN_BUILD)/_gtest-prefix
WIN_TC     := $(CURDIR)/cmake/mingw-w64.cmake
DEB_WIN    := g++-mingw-w64-x86-64 libz-mingw-w64-dev libgcrypt-mingw-w64-dev googletest wine64 xvfb

.PHONY: deps-windows windows test-windows

deps-windows:
	@$(MAKE) --no-print-directory deps EXTRA_DEBS="$(DEB_WIN)"

$(WIN_GTEST)/lib/libgtest.a:
	cmake -S /usr/src/googletest -B $(WIN_BUILD)/_gtest -DCMAKE_TOOLCHAIN_FILE=$(WIN_TC) \
	  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(abspath $(WIN_GTEST))
	cmake --build $(WIN_BUILD)/_gtest -j $(JOBS) --target install

$(WIN_BUILD)/CMakeCache.txt: | $(WIN_GTEST)/lib/libgtest.a
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(WIN_TC) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKS_WIN_GTEST_PREFIX=$(abspath $(WIN_GTEST)) -DKESTREL_BENCH=OFF

windows: deps-windows
	@$(MAKE) --no-print-directory $(WIN_BUILD)/CMakeCache.txt
	cmake --build $(WIN_BUILD) -j $(JOBS)

# A Wine client now and then loses its server between two programs ("recvmsg: Connection reset by
# peer") and ends at once; a failed test is run again, up to three times in all, so that such a
# crash of the emulator does not count as a failure of the program under test.
test-windows: windows
	cd $(WIN_BUILD) && ctest --output-on-failure --repeat until-pass:3 -j $(JOBS)
