# The README's two commands, ./tessaly.sh run and ./tessaly.sh test, install
# make and the rest on a fresh Debian 12 machine and then call the targets
# of the same name here:
#   make run    install what the game needs, build it, play
#   make test   install what the tests need too, build, run every test
JOBS ?= 2
CTEST = ctest --output-on-failure -j $(JOBS) --timeout 600
# Every process under test, the game included, also writes its sanitizer
# reports into the build's reports/ directory; any report there fails the run,
# even one from a game process whose test only looked at the screen.
SAN_ENV = ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:log_path=$(CURDIR)/build-asan/reports/asan \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:log_path=$(CURDIR)/build-asan/reports/ubsan
# The test builds keep line tables only (-g1): every sanitizer report and
# backtrace still names the file and line, and each build takes half a minute
# less than with full debugging information.
LINES_ONLY = "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" "-DCMAKE_CXX_FLAGS_DEBUG=-g1"
TSAN_ENV = TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1 log_path=$(CURDIR)/build-tsan/reports/tsan"

.PHONY: run build test format-check test-main test-asan test-tsan fuzz bench bench-quick deps deps-test clean

# ./tessaly.sh has just checked them when it sets DEPS_CHECKED.
deps:
	@[ -n "$(DEPS_CHECKED)" ] || bash tools/install-deps.sh run

deps-test:
	@[ -n "$(DEPS_CHECKED)" ] || bash tools/install-deps.sh test

build: deps
	cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DTESSALY_TESTS=OFF -DTESSALY_BENCH=OFF
	cmake --build build-release -j $(JOBS)

# The game looks for ./data/arial.ttf and saves TessalySave.wld here.
run: build
	./build-release/tessaly

# The fuzzer's minute keeps one core busy: the benchmarks' quick pass and the
# package check run beside it, each target's output kept together.
test: deps-test format-check test-main test-asan test-tsan
	$(MAKE) -j2 --output-sync=target fuzz bench-quick package-check

# The folders of src/ include only the layers below them, and every C++
# source is in the house style (.clang-format). It also works in a copy
# of the tree without git, so it looks in the source directories only, never
# in the build directories.
format-check: deps-test
	bash tools/check-layers.sh
	find src tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format --dry-run -Werror

# The benchmarks are built (in Release) and run by bench-quick only.
test-main: deps-test
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LINES_ONLY) -DTESSALY_TESTS=ON -DTESSALY_BENCH=OFF
	cmake --build build -j $(JOBS)
	cd build && $(CTEST)

test-asan: deps-test
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug $(LINES_ONLY) -DTESSALY_SANITIZE=address,undefined -DTESSALY_TESTS=ON -DTESSALY_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	rm -rf build-asan/reports && mkdir -p build-asan/reports
	cd build-asan && $(SAN_ENV) $(CTEST)
	@bash tools/no-sanitizer-reports.sh build-asan/reports

# Only where more than one of our threads runs: the tests labelled "threads"
# (the end-to-end suite among them); the save tool has one thread.
test-tsan: deps-test
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LINES_ONLY) -DTESSALY_SANITIZE=thread -DTESSALY_TESTS=ON -DTESSALY_BENCH=OFF
	cmake --build build-tsan -j $(JOBS) --target unit_tests display_tests e2e_tests
	rm -rf build-tsan/reports && mkdir -p build-tsan/reports
	cd build-tsan && $(TSAN_ENV) $(CTEST) -L threads
	@bash tools/no-sanitizer-reports.sh build-tsan/reports

fuzz: deps-test
	bash fuzz/run.sh 60

bench: deps-test
	bash bench/run.sh

bench-quick: deps-test
	bash bench/run.sh --quick

clean:
	rm -rf build build-release build-asan build-tsan build-fuzz build-bench

# The Debian package (./tessaly.sh package), built by dpkg-buildpackage in a
# copy of the tree under build-package/, so that nothing tracked changes; the
# .deb is copied to the top of the tree. package-check runs lintian on it and
# validates the menu entry, the metainfo and the manual pages it installs.
#
# The version is written in two places only: the CMake project's (the game
# takes it from the build) and debian/changelog's, which adds the Debian
# revision. version-check fails when they disagree, or when the metainfo's
# newest release or a manual page names another.
.PHONY: package package-check version-check
VERSION := $(shell grep -o 'Tessaly VERSION [^ ]*' CMakeLists.txt | cut -d' ' -f3)
PACKAGE_VERSION := $(shell awk -F'[()]' 'NR == 1 { print $$2 }' debian/changelog)
PACKAGE_DEB = tessaly_$(PACKAGE_VERSION)_$(shell dpkg --print-architecture).deb
PACKAGE_ROOT = build-package/root

version-check:
	@case "$(PACKAGE_VERSION)" in "$(VERSION)"-*) ;; \
	  *) echo "debian/changelog's version $(PACKAGE_VERSION) is not CMakeLists.txt's $(VERSION) with a revision"; exit 1 ;; \
	esac
	@[ "$$(grep -m1 -o '<release version="[^"]*"' data/tessaly.metainfo.xml)" = '<release version="$(VERSION)"' ] || \
	  { echo "the metainfo's newest release is not $(VERSION)"; exit 1; }
	@for page in docs/*.6; do \
	  head -1 "$$page" | grep -qF '"Tessaly $(VERSION)"' || { echo "$$page does not name Tessaly $(VERSION)"; exit 1; }; \
	done

package: version-check
	@[ -n "$(DEPS_CHECKED)" ] || bash tools/install-deps.sh package
	rm -rf build-package && mkdir -p build-package/tessaly-$(VERSION)
	tar -c --exclude='./build*' --exclude=./.git --exclude='./tessaly_*.deb' . | tar -x -C build-package/tessaly-$(VERSION)
	cd build-package/tessaly-$(VERSION) && env -u MAKEFLAGS -u MFLAGS DEB_BUILD_OPTIONS="parallel=$(JOBS) noddebs" dpkg-buildpackage -b -us -uc
	cp build-package/$(PACKAGE_DEB) .

package-check: deps-test package
	lintian --fail-on error,warning $(PACKAGE_DEB)
	dpkg-deb -x $(PACKAGE_DEB) $(PACKAGE_ROOT)
	desktop-file-validate $(PACKAGE_ROOT)/usr/share/applications/tessaly.desktop
	appstreamcli validate --no-net $(PACKAGE_ROOT)/usr/share/metainfo/tessaly.metainfo.xml
	dpkg-deb -f $(PACKAGE_DEB) Depends | grep -qw fonts-liberation2
	font=$$(strings $(PACKAGE_ROOT)/usr/games/tessaly | grep -x '/.*\.ttf') && dpkg -S "$$font" | grep -q '^fonts-liberation2:' || \
	  { echo "the installed game's font ($$font) is not fonts-liberation2's"; exit 1; }
	for page in $(PACKAGE_ROOT)/usr/share/man/man6/*.6.gz; do \
	  warnings=$$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l -Tutf8 "$$page" 2>&1 >/dev/null); \
	  [ -z "$$warnings" ] || { echo "$$page: $$warnings"; exit 1; }; \
	done
