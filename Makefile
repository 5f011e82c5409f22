# The two commands of a fresh Debian machine: `make run` and `make test`.
# Both install what is missing first (scripts/install-deps.sh).

JOBS ?= 2
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DQUIB_WERROR=ON
endif

.PHONY: all deps build run test unit-test tsan-test package package-test format format-check bench bench-keyclick fuzz fuzz-smoke spectrograms screenshots clean

all: build

deps:
	@bash scripts/install-deps.sh

# The program and its resources only: the tests, the benchmarks and the
# screenshot tool are built by the targets that run them.
build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	cmake --build build -j$(JOBS) --target quib quib_assets

run: build
	./build/quib $(ARGS)

# Every test: the unit and end-to-end tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, the concurrency tests under ThreadSanitizer, each
# fuzz target for a few seconds, then the .deb built, unpacked into a
# throwaway root and its program started.
test: deps format-check unit-test tsan-test fuzz-smoke
	$(MAKE) package-test ASSETS_FROM=$(CURDIR)/build-asan

unit-test:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUIB_SANITIZE=address,undefined $(CMAKE_FLAGS) >/dev/null
	cmake --build build-asan -j$(JOBS)
	cd build-asan && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j$(JOBS) --timeout 600

tsan-test:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUIB_SANITIZE=thread -DQUIB_BUILD_APP=OFF $(CMAKE_FLAGS) >/dev/null
	cmake --build build-tsan -j$(JOBS) --target quib_tests
	cd build-tsan && ctest --output-on-failure -L concurrency --timeout 600

# The .deb (build-package/quib_<version>_<arch>.deb): a release build of the
# program and its resources only. ASSETS_FROM=<build dir> copies that build's
# generated resources instead of generating them again (`make test` lends
# build-asan's).
ASSETS_FROM ?=
package: deps
	cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DQUIB_BUILD_TESTS=OFF \
		-DQUIB_ASSETS_FROM=$(ASSETS_FROM) $(CMAKE_FLAGS) >/dev/null
	cmake --build build-package -j$(JOBS)
	cd build-package && cpack -G DEB

package-test: package
	bash tests/package/package_test.sh build-package

# The libFuzzer targets, built with clang in their own folder, each run for
# FUZZ_SECONDS from its seed corpus in the tree (new inputs are kept in
# build-fuzz/corpus, never in the tree, and so are the inputs that fail).
# `make test` runs each for FUZZ_SMOKE_SECONDS (fuzz-smoke).
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 10
FUZZ_TARGETS = tests/sound/pack_config_fuzz:tests/sound/fuzz/config_corpus \
	tests/sound/pack_plan_fuzz:tests/sound/fuzz/plan_corpus \
	tests/sound/pack_archive_fuzz:tests/sound/fuzz/archive_corpus \
	tests/platform/audio/sample_loader_fuzz:tests/platform/audio/fuzz/corpus \
	tests/platform/prefs/pending_journal_fuzz:tests/platform/prefs/fuzz/journal_corpus \
	tests/cli/stats_template_fuzz:tests/cli/fuzz/template_corpus
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUIB_FUZZ=ON >/dev/null
	cmake --build build-fuzz -j$(JOBS) --target $(foreach t,$(FUZZ_TARGETS),$(notdir $(firstword $(subst :, ,$(t)))))
	@set -e; for t in $(FUZZ_TARGETS); do \
		exe=build-fuzz/$${t%%:*}; seeds=$${t#*:}; corpus=build-fuzz/corpus/$$(basename $$exe); \
		mkdir -p $$corpus; echo "== $$exe ($(FUZZ_SECONDS) s)"; \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp $$exe -max_total_time=$(FUZZ_SECONDS) \
			-rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=$$corpus- $$corpus $$seeds \
			>$$corpus.log 2>&1 || { tail -40 $$corpus.log; exit 1; }; \
		grep -E 'stat::number_of_executed_units|stat::new_units_added' $$corpus.log; \
	done

fuzz-smoke:
	$(MAKE) fuzz FUZZ_SECONDS=$(FUZZ_SMOKE_SECONDS)

format:
	git ls-files '*.cpp' '*.h' | xargs -r clang-format -i

format-check:
	git ls-files '*.cpp' '*.h' | xargs -r clang-format --dry-run -Werror

# Every benchmark, ending with the key-to-sound comparison with bucklespring
# on PulseAudio and on PipeWire (about 60 minutes; KEYCLICK_FLAGS=--quick makes it about 10).
KEYCLICK_FLAGS ?=
bench: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUIB_BUILD_BENCH=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build build -j$(JOBS)
	@for b in build/bench/bench_*; do [ -x "$$b" ] && echo "== $$b" && "$$b" --benchmark_min_time=0.2 || true; done
	@echo "== build/bench/sound_figures" && build/bench/sound_figures $$([ -d $(RECORDED_KEYS) ] && echo $(RECORDED_KEYS))
	@echo "== bench/app/shell_bench.sh" && bash bench/app/shell_bench.sh build/quib
	@echo "== bench/app/quiet_bench.sh" && bash bench/app/quiet_bench.sh build/quib
	@echo "== bench/latency/keyclick_bench.sh" && bash bench/latency/keyclick_bench.sh $(KEYCLICK_FLAGS) build

# Only the key-to-sound comparison, in its quick form.
bench-keyclick: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUIB_BUILD_BENCH=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build build -j$(JOBS) --target quib quib_assets keyclick
	bash bench/latency/keyclick_bench.sh --quick build

# A spectrogram of every generated click in build/spectrograms/, per
# mechanical profile one of its classes of keys side by side (<name>_classes)
# and one of the takes of two classes (<name>_takes), and beside
# them a few recorded key presses (the Debian package bucklespring-data, read
# only to compare with; nothing recorded is shipped).
RECORDED_KEYS := /usr/share/buckle/wav
spectrograms: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	cmake --build build --target quib_assets -j$(JOBS)
	@mkdir -p build/spectrograms
	@for f in build/resources/Sounds/*.wav; do \
		n=$$(basename "$$f" .wav); \
		sox "$$f" -n spectrogram -x 600 -y 257 -z 90 -t "$$n" -o "build/spectrograms/$$n.png"; \
	done
	@for p in $$(ls build/resources/Sounds | sed -n 's/_row1_1_down\.wav$$//p'); do \
		files=""; \
		for c in row1 row2 row3 row4 space enter backspace shift; do \
			files="$$files build/resources/Sounds/$${p}_$${c}_1_down.wav"; \
		done; \
		sox $$files -n spectrogram -x 1200 -y 257 -z 90 \
			-t "$$p: row 1 to 4, space, Enter, Backspace, Shift (take 1 of each)" \
			-o "build/spectrograms/$${p}_classes.png"; \
		sox build/resources/Sounds/$${p}_row3_[123]_down.wav build/resources/Sounds/$${p}_space_[123]_down.wav \
			-n spectrogram -x 900 -y 257 -z 90 -t "$$p: the three takes of the home row, then of the space bar" \
			-o "build/spectrograms/$${p}_takes.png"; \
	done
	@for n in 10 1e 20 39; do \
		f="$(RECORDED_KEYS)/$$n-0.wav"; \
		[ ! -f "$$f" ] || sox -V1 "$$f" -n rate 48k trim 0 0.15 spectrogram -x 600 -y 257 -z 90 \
			-t "recorded key press $$n" -o "build/spectrograms/recorded-$$n.png"; \
	done
	@echo "spectrograms: build/spectrograms/"

# Every window in every theme, drawn offscreen into build/screenshots/*.png.
screenshots: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	cmake --build build -j$(JOBS) --target quib-screenshots quib_assets
	QT_QPA_PLATFORM=offscreen QUIB_RESOURCE_DIR=$(CURDIR)/build/resources \
		build/tools/screenshots/quib-screenshots build/screenshots

clean:
	rm -rf build build-asan build-tsan build-package
