# The project's commands. `make run` builds and starts the program, `make test`
# builds and runs every test; both install the Debian packages first.
BUILD     ?= build
ASAN      ?= build-asan
JOBS      ?= $(shell nproc)
GENERATOR := -G Ninja

.PHONY: deps configure build run test sanitize bench quality fuzz clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -x $(BUILD)/src/app/vantrel-editor ]; then \
	  exec $(BUILD)/src/app/vantrel-editor; \
	else \
	  echo "Vantrel: the application is not built yet (only its core libraries exist)."; \
	fi

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The core libraries' tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	@cmake -S . -B $(ASAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVANTREL_SANITIZE=ON -DVANTREL_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(ASAN) -j $(JOBS) --target $$(for t in model engine services; do \
	  [ -d src/$$t ] && [ -n "$$(ls tests/$$t/*.cpp 2>/dev/null)" ] && printf 'test_%s ' $$t; done)
	@cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) -L 'model|engine|services'

# Runs every benchmark program of a Release build; results go to $(BUILD)/bench/<program>.json.
BENCH_ARGS ?=
bench: build
	@set -e; for p in $(BUILD)/bench/bench_*; do \
	  [ -x "$$p" ] || continue; \
	  echo "== $$p"; \
	  "$$p" --benchmark_out="$$p.json" --benchmark_out_format=json $(BENCH_ARGS); \
	done

# Horizon levelling and subject detection on real photographs fetched as Debian packages into
# $(BUILD)/quality-cache (apt-get download, so it needs the network and root); prints a table
# for each (both run; it fails when either misses its target). Not part of CI.
quality: build
	@bash scripts/horizon-quality.sh $(BUILD); horizon=$$?; \
	bash scripts/subject-quality.sh $(BUILD); subject=$$?; \
	exit $$(( horizon || subject ))

# Every fuzz program (clang, libFuzzer) for FUZZ_SECONDS each, FUZZ_JOBS of them at once.
FUZZ         ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_JOBS    ?= 1
fuzz: deps
	@bash tests/fuzz/run.sh $(FUZZ) $(FUZZ_SECONDS) $(FUZZ_JOBS)

clean:
	rm -rf $(BUILD) $(ASAN) $(FUZZ)
