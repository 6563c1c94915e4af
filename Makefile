# Thin wrapper around CMake. `make run` and `make test` work on a fresh Debian 12
# machine: they install what is missing first.
BUILD ?= build
BUILD_TYPE ?= Debug
JOBS ?= $(shell nproc)
# MODERN=1 opens the modern form of the sample (object and cross-reference
# streams) in modern mode.
MODERN ?=
SAMPLE ?= $(BUILD)/samples/sample$(if $(MODERN),-modern).pdf
SELECT ?= Root/Pages/Kids/[3]/Resources/XObject/JpegRgb
MODE_ARGS := $(if $(MODERN),--modern)
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
# `make install` and `make package` use an optimised build of their own.
RELEASE_BUILD ?= build-release
PREFIX ?= /usr/local

.PHONY: all deps configure build run test test-asan test-tsan fuzz bench clean tour release install package

all: build

deps:
	@scripts/install-deps.sh build

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) > $(BUILD).configure.log 2>&1 || \
	  { cat $(BUILD).configure.log; exit 1; }

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# Opens the viewer on the bundled sample; without a display it renders the
# window offscreen to a PNG instead.
run: build
	@args=""; [ -f $(SAMPLE) ] && args="$(MODE_ARGS) $(SAMPLE)"; \
	if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD)/app/quorvel $$args; \
	else \
	  [ -n "$$args" ] && args="--select $(SELECT) $$args"; \
	  QT_QPA_PLATFORM=offscreen $(BUILD)/app/quorvel $$args --screenshot $(BUILD)/quorvel.png && \
	  echo "No display: screenshot written to $(BUILD)/quorvel.png"; \
	fi

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --timeout 600

# The viewer and quorvel-inspect, optimised, without the tests.
release: deps
	@cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORVEL_TESTS=OFF \
	  > $(RELEASE_BUILD).configure.log 2>&1 || { cat $(RELEASE_BUILD).configure.log; exit 1; }
	@cmake --build $(RELEASE_BUILD) -j$(JOBS)

# Installs under PREFIX (default /usr/local); DESTDIR stages it elsewhere.
install: release
	@DESTDIR="$(DESTDIR)" cmake --install $(RELEASE_BUILD) --prefix $(PREFIX)

# A Debian package of the release build, installed under /usr.
package: release
	@cd $(RELEASE_BUILD) && cpack -G DEB
	@ls $(RELEASE_BUILD)/quorvel_*.deb

# The README's tour pictures, taken again on the bundled sample.
tour: build
	@mkdir -p docs/tour
	@cd $(BUILD)/tests/app && QT_QPA_PLATFORM=offscreen QUORVEL_SHOT_DIR=$(CURDIR)/docs/tour \
	  XDG_CONFIG_HOME=$(CURDIR)/$(BUILD)/test-xdg/tour XDG_RUNTIME_DIR=$(CURDIR)/$(BUILD)/test-runtime \
	  ./tour_guitest

# The whole test suite built with the address and undefined-behaviour
# sanitizers, in its own directory.
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON -DQUORVEL_GUI=ON \
	  > $(ASAN_BUILD).configure.log 2>&1 || { cat $(ASAN_BUILD).configure.log; exit 1; }
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	@cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j$(JOBS) --timeout 900

# The whole test suite built with the thread sanitizer: the find, reference
# index, space and file map workers, the early key derivation and the
# inflate prefetch run on threads of their own. Qt is not instrumented: its
# own locking is known to the sanitizer through the suppressions file.
test-tsan: deps
	@cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_TSAN=ON -DQUORVEL_GUI=ON \
	  > $(TSAN_BUILD).configure.log 2>&1 || { cat $(TSAN_BUILD).configure.log; exit 1; }
	@cmake --build $(TSAN_BUILD) -j$(JOBS)
	@cd $(TSAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 suppressions=$(CURDIR)/scripts/tsan.supp" \
	  ctest --output-on-failure -j$(JOBS) --timeout 900

# Every libFuzzer target for FUZZ_SECONDS each (clang, installed first). New
# corpus entries stay in $(FUZZ_BUILD)/corpus; any crash, leak, timeout or
# out-of-memory fails, with the input in $(FUZZ_BUILD)/artifacts.
fuzz:
	@scripts/install-deps.sh build fuzz
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_FUZZ=ON -DQUORVEL_GUI=OFF \
	  > $(FUZZ_BUILD).configure.log 2>&1 || { cat $(FUZZ_BUILD).configure.log; exit 1; }
	@cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzzers
	@fuzz/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Benchmarks against peer tools (installed first), built in Release into their
# own directory, the viewer included for its panes' benchmarks (offscreen);
# prints one table. See README, "Performance".
bench:
	@scripts/install-deps.sh build bench
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BENCH=ON -DQUORVEL_GUI=ON \
	  > $(BENCH_BUILD).configure.log 2>&1 || { cat $(BENCH_BUILD).configure.log; exit 1; }
	@echo "building the benchmarks (Release, $(BENCH_BUILD)) ..." >&2
	@cmake --build $(BENCH_BUILD) -j$(JOBS) --target benchmarks > $(BENCH_BUILD)/build.log 2>&1 || \
	  { cat $(BENCH_BUILD)/build.log; exit 1; }
	@bench/run_bench.sh $(BENCH_BUILD)

clean:
	rm -rf $(BUILD) $(BUILD).configure.log
