# The two commands: `make run` and `make test`. Both install what is missing first.
BUILD_DIR ?= build
BUILD_TYPE ?= Release
CMAKE_FLAGS ?=
ARGS ?=

.PHONY: run test build deps configure bench clean format demo package screenshots fuzz test-asan test-hostile-long

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null
	@# Qt's automoc does not notice source files added to an existing build folder;
	@# when the list of sources changes, its generated files are made afresh.
	@find src tests bench -name '*.cpp' -o -name '*.h' | sort | md5sum > $(BUILD_DIR)/.sources.new
	@if ! cmp -s $(BUILD_DIR)/.sources.new $(BUILD_DIR)/.sources; then \
	  find $(BUILD_DIR) -maxdepth 3 -type d -name '*_autogen' -exec rm -rf {} +; \
	  mv $(BUILD_DIR)/.sources.new $(BUILD_DIR)/.sources; fi

build: configure
	@cmake --build $(BUILD_DIR)

run: build
	./$(BUILD_DIR)/src/quorlirc $(ARGS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure

# A local server with two scripted users in #quorl, and the client connected to it.
demo: build
	@BUILD_DIR=$(BUILD_DIR) bash scripts/demo

# A Debian package of the program (BUILD_DIR/quorlirc_*.deb); install it with
# `apt-get install ./BUILD_DIR/quorlirc_*.deb`.
package: configure
	@cmake --build $(BUILD_DIR) --target quorlirc
	@cd $(BUILD_DIR) && cpack -G DEB

# The README's pictures, made again from a local server and the client under Xvfb.
screenshots: configure
	@cmake --build $(BUILD_DIR) --target quorlirc
	@BUILD_DIR=$(BUILD_DIR) bash scripts/screenshots

# Every benchmark in turn, each under a heading with the load when it starts; each prints
# its figures as median and spread over several runs. A bench that fails is named at the
# end and fails the target.
bench: build
	@failed=""; for b in $(BUILD_DIR)/bench/bench_*; do \
	  [ -f "$$b" ] && [ -x "$$b" ] || continue; name=$$(basename "$$b"); \
	  echo; echo "== $$name  (load average $$(cut -d' ' -f1-3 /proc/loadavg))"; \
	  "$$b" || failed="$$failed $$name"; \
	done; \
	if [ -n "$$failed" ]; then echo; echo "failed:$$failed"; exit 1; fi

# Every libFuzzer target, built with clang in build-fuzz, each run for FUZZ_SECONDS over
# its seed corpus; prints executions and findings per target.
FUZZ_SECONDS ?= 60
fuzz: deps
	@cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Fuzz \
	  -DCMAKE_CXX_FLAGS_FUZZ="-O1 -gline-tables-only" -DCMAKE_CXX_COMPILER=clang++ -DQUORL_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
	@cmake --build build-fuzz --target fuzz_targets
	@bash scripts/run-fuzz build-fuzz $(FUZZ_SECONDS)

# The whole suite built with AddressSanitizer and UBSan in build-asan.
test-asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Asan \
	  -DCMAKE_CXX_FLAGS_ASAN="-O0 -g1" -DQUORL_SANITIZE=ON >/dev/null
	@cmake --build build-asan
	@cd build-asan && ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$(CURDIR)/tests/ubsan.supp \
	  ctest --output-on-failure $(ARGS)

# The hostile suite's longer variants (bigger floods and files).
test-hostile-long: build
	@QUORL_BINARY=$(BUILD_DIR)/src/quorlirc python3 tests/hostile/hostile.py --long

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
