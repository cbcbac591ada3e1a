# Set-up and everyday commands. Each target installs what is missing first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
# ON turns the compiler's warnings into errors (the CI run does).
WERROR     ?= OFF
FUZZ_SECONDS ?= 120
# The spreadsheet readers' fuzz targets, run after table_fuzz.
SHEET_FUZZ = xls_fuzz zip_fuzz fods_fuzz html_fuzz csv_fuzz
# The grid file and settings file targets, run last, each with its dictionary.
FILE_FUZZ = grid_fuzz ini_fuzz

DEB_PACKAGES = cmake ninja-build g++ clang libclang-rt-14-dev \
  libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev \
  qt6-base-dev libgl-dev fonts-noto-cjk poppler-utils qt6-translations-l10n \
  xvfb openbox x11-utils xdotool libqpdf-dev pkg-config \
  python3 python3-pyatspi at-spi2-core dbus-daemon \
  libfreexl-dev libzip-dev libxml2-dev strace \
  cups printer-driver-cups-pdf librsvg2-bin dpkg-dev desktop-file-utils \
  appstream file man-db

.PHONY: deps build test asan test-asan package soak tsan bench fuzz run screenshots format clean

deps:
	@scripts/deps.sh $(DEB_PACKAGES)

# The program and the tool, and the tests of them as a user meets them
# (end to end, the package, printing); the test programs of the libraries
# and windows are built in $(ASAN_BUILD) only.
build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DMATSLIP_UNIT_TESTS=OFF -DMATSLIP_WERROR=$(WERROR)
	cmake --build $(BUILD) -j$(JOBS)

test: build test-asan
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS) --timeout 600

# $(BUILD)/matslip_<version>_amd64.deb: the program, the tool, the menu
# entry, icons, metainfo and manual page, installed under /usr.
package: build
	cmake --build $(BUILD) --target package

# The libraries, the windows and their test programs, with AddressSanitizer
# and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DMATSLIP_SANITIZE=ON -DMATSLIP_SYSTEM_TESTS=OFF -DMATSLIP_WERROR=$(WERROR)
	cmake --build $(ASAN_BUILD) -j$(JOBS)

test-asan: asan
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j$(JOBS) --timeout 900

# The crash and power-cut tests at length: many more kills, and 200 ways
# each state a power cut may leave can look; the processes against each
# other and the end-to-end scenarios ten times over; the threaded parts
# under ThreadSanitizer.
SOAK_KILLS = MATSLIP_POWER_CUT_VARIANTS=200 MATSLIP_MOVEMENT_CRASH_KILLS=3000 \
  MATSLIP_RESTORE_CRASH_KILLS=1000 MATSLIP_IMPORT_CRASH_KILLS=1000
SOAK_CRASH_FILTER = *Crash*:PowerCut*
soak: build asan tsan
	@echo "soak: crash and power-cut tests ($(SOAK_CRASH_FILTER)) with $(SOAK_KILLS)"
	$(SOAK_KILLS) $(ASAN_BUILD)/tests/stock_tests --gtest_filter='$(SOAK_CRASH_FILTER)'
	@echo "soak: processes on one shared folder (SharedFolder*), 10 times"
	$(ASAN_BUILD)/tests/stock_tests --gtest_filter='SharedFolder*' --gtest_repeat=10
	@echo "soak: end-to-end scenarios (ctest -L e2e), up to 10 times each"
	ctest --test-dir $(BUILD) -L e2e --repeat until-fail:10 --output-on-failure

# The tests of the parts that run a second thread, built with
# ThreadSanitizer (Qt left out): copies and pair replacements whose memo
# file is copied on a second thread, files closed in the background after a
# replacement, the workbook's result written while it is read.
TSAN_STORE_FILTER = TablePair*:BulkOps*:ReplaceRecord*
TSAN_WORKBOOK_FILTER = OverlappedFile*:ResultLoading*
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DMATSLIP_QT=OFF -DCMAKE_CXX_FLAGS=-fsanitize=thread \
	  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
	cmake --build $(TSAN_BUILD) -j$(JOBS) --target store_tests workbook_tests
	@echo "tsan: store_tests $(TSAN_STORE_FILTER)"
	TSAN_OPTIONS=halt_on_error=1 \
	  $(TSAN_BUILD)/tests/store_tests --gtest_filter='$(TSAN_STORE_FILTER)'
	@echo "tsan: workbook_tests $(TSAN_WORKBOOK_FILTER)"
	TSAN_OPTIONS=halt_on_error=1 \
	  $(TSAN_BUILD)/tests/workbook_tests --gtest_filter='$(TSAN_WORKBOOK_FILTER)'

bench: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DMATSLIP_BENCH=ON
	cmake --build $(BENCH_BUILD) -j$(JOBS)
	scripts/run-bench.sh $(BENCH_BUILD)

fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DMATSLIP_FUZZ=ON -DMATSLIP_QT=OFF
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target table_fuzz $(SHEET_FUZZ) $(FILE_FUZZ)
	mkdir -p $(FUZZ_BUILD)/corpus
	$(FUZZ_BUILD)/fuzz/table_fuzz -max_total_time=$(FUZZ_SECONDS) \
	  -dict=fuzz/table_fuzz.dict -timeout=10 -artifact_prefix=$(FUZZ_BUILD)/ \
	  -max_len=65536 $(FUZZ_BUILD)/corpus
	set -e; for t in $(SHEET_FUZZ); do \
	  mkdir -p $(FUZZ_BUILD)/corpus-$$t; \
	  $(FUZZ_BUILD)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	    -malloc_limit_mb=100 -rss_limit_mb=1024 -max_len=65536 \
	    -artifact_prefix=$(FUZZ_BUILD)/$$t- $(FUZZ_BUILD)/corpus-$$t; \
	done
	set -e; for t in $(FILE_FUZZ); do \
	  mkdir -p $(FUZZ_BUILD)/corpus-$$t; \
	  $(FUZZ_BUILD)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	    -dict=fuzz/$$t.dict -max_len=8192 \
	    -artifact_prefix=$(FUZZ_BUILD)/$$t- $(FUZZ_BUILD)/corpus-$$t; \
	done

# The program on ./demo-data, made with demo materials on the first run.
run: build
	@test -f demo-data/data.mzk || $(BUILD)/tools/matslip-db demo demo-data
	$(BUILD)/matslip demo-data

# docs/*.png: the main window on the demo data; the item editor, the slip
# parameters window, the main window with three rows picked, the stock-out
# window and a page of its slip printed to PDF, and last (it books a slip)
# the grid workbook window on a 本月出库 result, then the print toolbar
# window on that result and the first page of its print table printed to
# PDF, on fresh demo data with sample slip texts (so that no window geometry
# kept in demo-data/config.ini shows), each window framed by a window
# manager on a private X display.
SHOT_DATA = $(BUILD)/screenshot-data
screenshots: build
	@test -f demo-data/data.mzk || $(BUILD)/tools/matslip-db demo demo-data
	scripts/screenshot.sh $(BUILD)/tools/matslip-screenshot demo-data docs/main-window.png
	rm -rf $(SHOT_DATA)
	$(BUILD)/tools/matslip-db demo $(SHOT_DATA)
	cp scripts/screenshot-slip-texts.ini $(SHOT_DATA)/config.ini
	scripts/screenshot.sh $(BUILD)/tools/matslip-screenshot $(SHOT_DATA) docs/item-editor.png editor
	scripts/screenshot.sh $(BUILD)/tools/matslip-screenshot $(SHOT_DATA) docs/slip-parameters.png slip
	scripts/screenshot.sh $(BUILD)/tools/matslip-screenshot $(SHOT_DATA) docs/picked-rows.png picked
	scripts/screenshot.sh $(BUILD)/tools/matslip-screenshot $(SHOT_DATA) docs/stock-out.png stockout
	QT_QPA_PLATFORM=offscreen $(BUILD)/tools/matslip-screenshot $(SHOT_DATA) $(SHOT_DATA)/slip.pdf slippdf
	pdftoppm -png -r 60 -singlefile $(SHOT_DATA)/slip.pdf docs/slip-page
	scripts/screenshot.sh $(BUILD)/tools/matslip-screenshot $(SHOT_DATA) docs/workbook.png workbook
	scripts/screenshot.sh $(BUILD)/tools/matslip-screenshot $(SHOT_DATA) docs/ledger.png ledger
	scripts/screenshot.sh $(BUILD)/tools/matslip-screenshot $(SHOT_DATA) docs/print-toolbar.png printtoolbar
	QT_QPA_PLATFORM=offscreen $(BUILD)/tools/matslip-screenshot $(SHOT_DATA) $(SHOT_DATA)/print-table.pdf printpdf
	pdftoppm -png -r 60 -f 1 -l 1 -singlefile $(SHOT_DATA)/print-table.pdf docs/print-table

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(TSAN_BUILD)
