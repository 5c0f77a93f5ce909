# Orkan TN3270 for Linux: the two commands a newcomer needs are `make run` and `make test`.
# Everything else here is what those two (and CI) are made of.

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_GEN  := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
FUZZ_SECONDS ?= 30
FUZZ_COV_BUILD ?= build-fuzz-cov
COV_BUILD  ?= build-cov
# Extra candidate inputs for a campaign (FOLDER/NAME per target, as tools/fuzz-seeds.py writes them).
FUZZ_SEEDS ?=

# Debian packages the build, the tests and the peers need.
DEBIAN_PACKAGES := build-essential cmake ninja-build clang libclang-rt-14-dev \
  libgtest-dev libgmock-dev libbenchmark-dev libssl-dev openssl \
  qt6-base-dev libgl-dev fonts-3270 fonts-dejavu-core \
  libregina3-dev s3270 xvfb xdotool xclip x11-utils python3 iproute2 ccache llvm lld clang-format \
  chromium libpng-dev python3-pil gdb \
  libfontconfig-dev libfreetype-dev zlib1g-dev fonts-liberation2 poppler-utils cups cups-client openbox \
  nlohmann-json3-dev python3-pytest python3-jsonschema python3-locust python3-setuptools python3-venv python3-pip \
  at-spi2-core dbus-daemon python3-pyatspi

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build test run asan asan-test fuzz-build fuzz-run fuzz-long fuzz-coverage coverage bench clean format

all: build

# Installs only what is missing, so a second run costs nothing.
deps:
	@missing=$$(for p in $(DEBIAN_PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing: $$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi

configure: deps
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	@bash tools/ctest-run.sh $(BUILD) -j $(JOBS)

# Starts the demo host on loopback and the program on it: the desktop program when a display is
# available, otherwise the headless program printing each host screen.
run: build
	@bash tools/run-demo.sh $(BUILD)

asan: deps
	@[ -f $(ASAN_BUILD)/CMakeCache.txt ] || cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) \
	  -DCMAKE_BUILD_TYPE=Debug -DORKAN_SANITIZE=ON -DORKAN_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)

asan-test: asan
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:suppressions=$(CURDIR)/tools/asan.supp LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  bash tools/ctest-run.sh $(ASAN_BUILD) -j $(JOBS)

fuzz-build: deps
	@[ -f $(FUZZ_BUILD)/CMakeCache.txt ] || CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORKAN_SANITIZE=ON -DORKAN_FUZZ=ON -DORKAN_GUI=OFF \
	  -DORKAN_TESTS=OFF -DORKAN_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Runs every fuzz target for FUZZ_SECONDS from its stored corpus; new inputs go to a scratch folder
# so the stored corpus only changes when someone merges on purpose.
fuzz-run: fuzz-build
	@bash tools/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# A long campaign: each target in turn for FUZZ_SECONDS (e.g. 1200), then its new inputs merged
# and minimised into the stored corpus; prints coverage and executions per target. FUZZ_TARGETS
# names some targets only.
fuzz-long: fuzz-build
	@bash tools/fuzz-campaign.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(if $(FUZZ_SEEDS),--seeds $(FUZZ_SEEDS)) $(FUZZ_TARGETS)

# Line coverage of src/ by the whole suite (llvm-cov), per folder, in a build of its own.
coverage: deps
	@bash tools/suite-coverage.sh $(COV_BUILD)

# Source-based coverage (llvm-cov HTML) of what the stored corpora reach, in a build of its own.
fuzz-coverage: deps
	@bash tools/fuzz-coverage.sh $(FUZZ_COV_BUILD) $(FUZZ_TARGETS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done; true

format:
	git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(FUZZ_COV_BUILD)
