# SPDX-License-Identifier: GPL-3.0-or-later
# The two Quick start commands, and fuzzing; everything else is plain CMake.
.PHONY: demo test build fuzz

# The demo needs only the player, its audio library and the checker.
demo:
	@scripts/install-deps
	@echo "Building the player, its audio library and the checker (a few minutes the first time)"
	@CORVANTA_TARGETS="corvanta aud32 corvanta-check" scripts/build build
	@scripts/run-demo

build:
	@scripts/install-deps
	@echo "Building the player, the checker, the tests and the benchmarks"
	@scripts/build build

test: build
	@scripts/run-tests build

# Every fuzz target for SECONDS seconds from its seed corpus, in build-fuzz.
SECONDS ?= 60
fuzz:
	scripts/fuzz $(SECONDS)
