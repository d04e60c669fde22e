# The two entry points: `make run` builds and starts the program, `make test` builds and runs
# every test. Both install the Debian packages they need first.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
FUZZ_SECONDS ?= 60

.PHONY: all deps configure build run test test-sanitize tidy-changed fuzz bench format format-check clean \
        install package

all: build

deps:
	@./tools/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALBREY_WERROR=ON $(CMAKE_ARGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "There is no display here. Start the program under a virtual one:"; \
	    echo "    xvfb-run -a $(BUILD)/program/quenlark-calbrey"; \
	    exit 1; \
	fi
	$(BUILD)/program/quenlark-calbrey

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The tests again under AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer. With
# SAN_TIDY=ON the same build runs clang-tidy on every file (slow: CI checks the changed files with
# `make tidy-changed` instead).
SAN_TIDY ?= OFF
test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCALBREY_SANITIZE=ON \
	    -DCALBREY_TIDY=$(SAN_TIDY) -DCALBREY_BENCH=OFF -DCALBREY_WERROR=ON
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j $(JOBS)

# clang-tidy on the C++ files changed since the last commit whose whole tree was checked
# (.ci/tidy-base), through the normal build's compile commands.
tidy-changed: build
	./tools/tidy-changed.sh "$$(cat .ci/tidy-base)" $(BUILD)

# Every fuzz target runs FUZZ_SECONDS from its seed corpus in fuzz/corpus/<target>/.
FUZZ_TARGETS ?= fuzz_inifile fuzz_httpresponse fuzz_csvparser fuzz_vcard fuzz_davmultistatus

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCALBREY_FUZZ=ON -DCALBREY_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	set -e; for target in $(FUZZ_TARGETS); do \
	    mkdir -p $(FUZZ_BUILD)/corpus/$$target; \
	    cp fuzz/corpus/$$target/* $(FUZZ_BUILD)/corpus/$$target/; \
	    $(FUZZ_BUILD)/fuzz/$$target -max_total_time=$(FUZZ_SECONDS) -max_len=65536 \
	        $(FUZZ_BUILD)/corpus/$$target; \
	done

# Each benchmark program in turn; BENCH_ARGS go to every one (a data folder, --sizes ...).
BENCH_ARGS ?=
bench: build
	set -e; for program in $(BUILD)/bench/calbrey_bench*; do \
	    [ -x "$$program" ] || continue; \
	    echo "== $$(basename $$program)"; QT_QPA_PLATFORM=offscreen $$program $(BENCH_ARGS); \
	done

# An installed copy (bin/, share/quenlark-calbrey/, the desktop entry, icons, AppStream data).
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A .deb of the installed copy, in $(BUILD)/.
package: build
	cd $(BUILD) && cpack -G DEB

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
