# The two Quick start commands; everything else is plain CMake.
.PHONY: demo test build

build:
	scripts/install-deps
	scripts/build build

demo: build
	scripts/run-demo

test: build
	cd build && ctest --output-on-failure -j2
