# Wrapper around CMake. `make` builds the release tool and library,
# `make demo` runs r2_hat on the bundled example, `make workflow-demo` runs the
# Snakemake workflow on it split into regions and batches, `make test` runs every test,
# `make sanitize` runs them under AddressSanitizer and UBSan. Cases with inputs
# of gigabytes are labelled large and run by `make test-large` (and CI).
BUILD    ?= build
SANITIZE ?= build-sanitize
PREFIX   ?= /usr/local
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
PREREQS  := sh cmake/prerequisites.sh

.PHONY: all build test test-large sanitize install bench demo workflow-demo fuzz clean

all: build

build:
	@$(PREREQS) build
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

test:
	@$(PREREQS) build test
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE large

test-large: build
	@cd $(BUILD) && ctest --output-on-failure -L large

sanitize:
	@$(PREREQS) build test
	@cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOCI_SANITIZE=ON \
	   -DLOCI_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(SANITIZE) -j $(JOBS)
	@cd $(SANITIZE) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	   LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	   ctest --output-on-failure -j $(JOBS) -LE large

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

bench:
	@$(PREREQS) build bench
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@cmake -S . -B build-zlib -DCMAKE_BUILD_TYPE=Release -DLOCI_WITH_ISAL=OFF -DLOCI_BUILD_TESTS=OFF \
	   -DLOCI_BUILD_BENCH=OFF -DLOCI_BUILD_FUZZ=OFF >/dev/null
	@cmake --build build-zlib -j $(JOBS) --target r2_hat
	@if [ -x bench/run.sh ]; then bench/run.sh $(BUILD) build-zlib; fi

demo: build
	@sh examples/demo.sh $(BUILD)

workflow-demo: build
	@$(PREREQS) workflow
	@snakemake -s workflow/Snakefile --cores 2 --configfile examples/workflow/demo.yaml \
	   --config bin=$(BUILD) out=$(BUILD)/workflow-demo --quiet
	@cat $(BUILD)/workflow-demo/cohort.info

fuzz:
	@$(PREREQS) build fuzz
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	   -DLOCI_BUILD_TESTS=OFF -DLOCI_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS)

clean:
	@rm -rf $(BUILD) $(SANITIZE) build-fuzz build-zlib
