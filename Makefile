# The two Quick start commands, and fuzzing; everything else is plain CMake.
.PHONY: demo test build fuzz

build:
	scripts/install-deps
	scripts/build build

demo: build
	scripts/run-demo

test: build
	cd build && ctest --output-on-failure -j2

# Every fuzz target for SECONDS seconds from its seed corpus, in build-fuzz.
SECONDS ?= 60
fuzz:
	scripts/fuzz $(SECONDS)
