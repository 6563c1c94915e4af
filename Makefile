# Thin wrapper around CMake. `make run` and `make test` work on a fresh Debian 12
# machine: they install what is missing first.
BUILD ?= build
BUILD_TYPE ?= Debug
JOBS ?= $(shell nproc)
SAMPLE ?= $(BUILD)/samples/sample.pdf
SELECT ?= Root/Pages/Kids/[3]/Resources/XObject/JpegRgb
BENCH_BUILD ?= build-bench

.PHONY: all deps configure build run test bench clean

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
	@args=""; [ -f $(SAMPLE) ] && args="$(SAMPLE)"; \
	if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD)/app/quorvel $$args; \
	else \
	  [ -n "$$args" ] && args="--select $(SELECT) $$args"; \
	  QT_QPA_PLATFORM=offscreen $(BUILD)/app/quorvel $$args --screenshot $(BUILD)/quorvel.png && \
	  echo "No display: screenshot written to $(BUILD)/quorvel.png"; \
	fi

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --timeout 600

# Benchmarks against peer tools (installed first), built in Release into their
# own directory; prints one table. See README, "Performance".
bench:
	@scripts/install-deps.sh build bench
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BENCH=ON -DQUORVEL_GUI=OFF \
	  > $(BENCH_BUILD).configure.log 2>&1 || { cat $(BENCH_BUILD).configure.log; exit 1; }
	@echo "building the benchmarks (Release, $(BENCH_BUILD)) ..." >&2
	@cmake --build $(BENCH_BUILD) -j$(JOBS) --target benchmarks > $(BENCH_BUILD)/build.log 2>&1 || \
	  { cat $(BENCH_BUILD)/build.log; exit 1; }
	@bench/run_bench.sh $(BENCH_BUILD)

clean:
	rm -rf $(BUILD) $(BUILD).configure.log
